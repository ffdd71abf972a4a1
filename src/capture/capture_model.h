#pragma once
// What a capture is, apart from its pixels: the parameters, the state, the selection and what
// the overlay shows of it. The selection interaction and the capture window change it; the
// view paints from it and never writes to it.

#include <optional>

#include "annotate/shape_history.h"
#include "model/capture_param.h"
#include "model/capture_state.h"
#include "overlay/overlay_scene.h"
#include "overlay/selection_handles.h"
#include "platform/geometry.h"

class Log;

class CaptureModel {
public:
    // `log` (may be null) hears about strokes too short to keep.
    explicit CaptureModel(Log* log = nullptr) : m_shapes(log) {}

    // The pen and the finished shapes.
    ShapeHistory& shapes() { return m_shapes; }
    const ShapeHistory& shapes() const { return m_shapes; }

    CaptureParam& captureParam() { return m_captureParam; }
    const CaptureParam& captureParam() const { return m_captureParam; }

    CaptureState captureState() const { return m_state; }
    void setCaptureState(CaptureState state);

    // The captured screen's size in points; the view spans (0, 0) to it.
    Size screenSize() const { return m_screen; }

    // The selection the capture will cut.
    const Rect& captureWindowRect() const { return m_captureWindowRect; }
    void setCaptureWindowRect(const Rect& selection) { m_captureWindowRect = selection; }

    // The overlay. A selection whose width is below one point shows no handles.
    void setDrawImageRect(const Rect& selection);
    void setDrawDragPoints(bool on);
    // Magnifier on at `p`, or off.
    void setImagePaint(bool on, Point p);
    void setPointLocation(Point p) { m_pointer = p; }
    // Where the pointer was last seen, in view coordinates.
    Point pointLocation() const { return m_pointer; }
    void setTextEditorFrame(std::optional<Rect> frame) { m_textEditorFrame = frame; }
    // Nothing selected or shown; the state and the selection stay.
    void clearOverlay();
    // A new capture on a screen of `screen` points: state 0, nothing selected, drawn or shown;
    // the pen keeps its settings.
    void reset(Size screen);

    OverlayScene overlayScene() const;
    const Rect& drawingRect() const { return m_drawingRect; }

    // What the pixel whose top-left corner is `p` hits: a handle where the handles were
    // last shown (they keep counting while a tool hides them), else the selection as it is
    // now, which a press may reach before it is painted.
    Handle handleAt(Point p) const;

private:
    bool handlesShown() const;
    void updateHitHandles();

    CaptureParam m_captureParam;
    ShapeHistory m_shapes;
    CaptureState m_state = CaptureState::CAPTURE_STATE_IDLE;
    Size m_screen;
    Rect m_captureWindowRect;
    Rect m_drawingRect;
    bool m_drawDragPoints = false;
    HandleSquares m_dragRect{};
    HandleSquares m_hitHandles{};
    bool m_drawImagePaint = false;
    Point m_pointer;
    std::optional<Rect> m_textEditorFrame;
};
