#pragma once
// The mouse side of a capture: picking a window or drawing a selection, moving it, resizing
// it by its handles, and handing presses inside it to the annotation tools. It decides and
// writes the capture model; the window around it offers windows, sets cursors and ends the
// capture, and the annotation tools draw.

#include <QString>

#include "capture/capture_model.h"
#include "platform/geometry.h"

// What the selection needs from the window it works in.
class SelectionView {
public:
    virtual ~SelectionView() = default;
    // The window offered at `p`, clipped to the screen, or the whole screen.
    virtual Rect windowSelectionAt(Point p) const = 0;
    virtual void updateCursor(Point p) = 0;
    virtual void log(const QString& line) = 0;
    virtual void onOK() = 0;
    virtual void onCancel() = 0;
    // Picking starts again on the same frozen screen.
    virtual void selectionRestarted() = 0;
};

// What the selection hands to the annotation tools and their bars.
class AnnotationTools {
public:
    virtual ~AnnotationTools() = default;
    virtual bool savePanelOpen() const = 0;
    virtual bool isIntoolbar(Point p) const = 0;
    virtual bool textViewVisible() const = 0;
    virtual void appendText() = 0;
    // The selection was made: the tool bar is built and placed, the colour bar hidden.
    virtual void selectionMade() = 0;
    // The selection moved or changed size: the tool bar follows it.
    virtual void selectionChanged() = 0;
    // Back to picking: shapes, tool and bars are dropped.
    virtual void dropAnnotations() = 0;
    // A press and a drag inside the selection in a tool state, and the end of such a drag.
    virtual void toolPressed(CaptureState state, Point p) = 0;
    virtual void toolDragged(CaptureState state, Point p) = 0;
    virtual void commitShape() = 0;
    // A press inside the selection on a finished shape takes hold of it (true) instead of
    // drawing or moving the selection; elsewhere it lets go of the selected shape (false).
    virtual bool grabShapeAt(Point p) = 0;
    virtual void dragShape(Point p) = 0;
    virtual void releaseShape() = 0;
    // A double click on a finished text opens it for editing (true).
    virtual bool reopenTextAt(Point p) = 0;
};

class SelectionInteraction {
public:
    SelectionInteraction(CaptureModel& model, SelectionView& view, AnnotationTools& tools)
        : m_model(model), m_view(view), m_tools(tools) {}

    void mouseDown(Point p, int clickCount);
    void mouseDragged(Point p);
    void mouseUp(Point p);
    void mouseMoved(Point p);
    void rightMouseUp(Point p);

    // Offers the window under `p` (or the whole screen) as the provisional selection.
    void offerWindowAt(Point p);
    // Moves a finished selection by `offset` while no tool is chosen, clamped to the screen
    // like a drag.
    void nudge(Point offset);
    // Forgets the pointer's history, for a new capture.
    void reset();

    Point startLocation;
    Point currentLocation;
    Handle dragDirection = Handle::Outside;
    bool dragEffective = false;
    // Corners during a resize: ptLefttop = (x, y), ptRighttop = (x + w, y),
    // ptLeftbottom = (x, y + h), ptRightbottom = (x + w, y + h).
    Point ptLefttop, ptRighttop, ptLeftbottom, ptRightbottom;

private:
    void pressSingle(Point p);
    void moveSelection(Point p);
    void moveSelectionBy(Point offset);
    void resizeSelection(Point p);

    CaptureModel& m_model;
    SelectionView& m_view;
    AnnotationTools& m_tools;
    // A tool press inside the selection was followed by a drag: its release ends a shape.
    bool m_toolDragged = false;
    // The press took hold of a finished shape: drags change it, the release ends the change.
    bool m_shapeHeld = false;
};

// "{x, y}", the way positions appear in the log.
QString pointDescription(Point p);
