#pragma once
// The mouse side of a capture: picking a window or drawing a selection, moving it, resizing
// it by its handles, and handing presses inside it to the annotation tools. It decides;
// the host (the capture window) paints, shows bars and ends the capture.

#include <QString>

#include "platform/geometry.h"

class SelectionHost {
public:
    virtual ~SelectionHost() = default;

    virtual int captureState() const = 0;
    virtual void setCaptureState(int state) = 0;
    virtual bool savePanelOpen() const = 0;
    virtual bool isIntoolbar(Point p) const = 0;
    virtual bool textViewVisible() const = 0;
    virtual int handleIndexAt(Point p) const = 0;  // against the handles as last painted
    virtual Rect windowSelectionAt(Point p) const = 0;

    virtual void setDrawImageRect(const Rect& selection) = 0;
    virtual void setDrawDragPoints(bool on) = 0;
    virtual void setImagePaint(bool on, Point p) = 0;
    virtual void setPointLocation(Point p) = 0;
    virtual void redraw() = 0;
    virtual void updateCursor(Point p) = 0;
    virtual void log(const QString& line) = 0;

    virtual void onOK() = 0;
    virtual void onCancel() = 0;
    virtual void appendText() = 0;
    // The selection was made: build and place the tool bar, hide the colour bar.
    virtual void selectionMade() = 0;
    // The selection moved or changed size: the tool bar follows it.
    virtual void selectionChanged() = 0;
    // Back to picking on the same frozen screen: shapes, tool and bars are dropped.
    virtual void restartSelection() = 0;
    // The tool states: a press, a drag and a release inside the selection.
    virtual void toolPressed(int state, Point p) = 0;
    virtual void toolDragged(int state, Point p) = 0;
    virtual void commitShape() = 0;
};

class SelectionInteraction {
public:
    explicit SelectionInteraction(SelectionHost& host) : m_host(host) {}

    void mouseDown(Point p, int clickCount);
    void mouseDragged(Point p);
    void mouseUp(Point p);
    void mouseMoved(Point p);
    void rightMouseUp(Point p);

    // Offers the window under `p` (or the whole screen) as the provisional selection.
    void offerWindowAt(Point p);

    Size screenSize;
    Rect captureWindowRect;
    Point startLocation;
    Point currentLocation;
    int dragDirection = 0;
    bool dragEffective = false;
    // Corners during a resize: ptLefttop = (x, y), ptRighttop = (x + w, y),
    // ptLeftbottom = (x, y + h), ptRightbottom = (x + w, y + h).
    Point ptLefttop, ptRighttop, ptLeftbottom, ptRightbottom;

private:
    void pressSingle(Point p);
    void moveSelection(Point p);
    void resizeSelection(Point p);

    SelectionHost& m_host;
};

// "{x, y}", the way positions appear in the log.
QString pointDescription(Point p);
