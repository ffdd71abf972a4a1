#pragma once
// The capture window's content: the frozen screen, bright inside the selection and dark
// around it, the selection border with its handles, the size label and the magnifier.
// It holds the capture's parameters, state and images; the capture window decides.
// Changes repaint only what they touch: the strip between the old and new selection, the
// old and new border, handles, label and magnifier.

#include <QImage>
#include <QRegion>
#include <QWidget>
#include <array>
#include <future>
#include <optional>
#include <vector>

#include "annotate/text_sprites.h"
#include "capture/capture_state.h"
#include "model/capture_param.h"
#include "platform/geometry.h"

class Log;
class QPainter;

class CaptureView : public QWidget {
    Q_OBJECT
public:
    explicit CaptureView(Log* log = nullptr, QWidget* parent = nullptr);

    CaptureParam& captureParam() { return m_captureParam; }
    const CaptureParam& captureParam() const { return m_captureParam; }

    int captureState() const { return m_captureState; }
    void setCaptureState(int state);

    // Keeps (0, 0, width, height) of the screen frame as the view's own rectangle.
    void setScreenRect(const Rect& frame);
    const Rect& rectScreen() const { return m_rectScreen; }

    void reset();
    void setDrawImageRect(const Rect& selection);
    const Rect& drawingRect() const { return m_drawingRect; }
    void setDrawDragPoints(bool on);
    bool drawDragPoints() const { return m_drawDragPoints; }
    // Magnifier on at `p`, or off. Takes effect with the next refresh().
    void setImagePaint(bool on, Point p);
    void setPointLocation(Point p) { m_currPoint = p; }
    bool magnifierShown() const { return m_drawImagePaint; }
    // The text editor's frame in view coordinates, framed while the text tool is active.
    void setTextEditorFrame(std::optional<Rect> frame);

    // The handle index at `p`: against the selection as it is now and the handles as last
    // shown. Hit-testing what was last painted instead would miss presses that arrive
    // before the next paint.
    int isInDragPoints(Point p) const;

    // Schedules a repaint of what changed since the last call.
    void refresh();

    // The screen as grabbed, the screen with finished shapes, and the bitmap the colour
    // readout reads. All share the one grab until something draws on them.
    QImage originImage;
    QImage currentImage;
    QImage colorImage;

    // The darkened screen shown around the selection, made on another thread: until it is
    // there, paints darken the screen as they go, so that the first frame need not wait.
    void setDarkImage(std::future<QImage> image);
    QImage darkImage;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Where the changing pieces were last asked to be painted, in widget pixels.
    struct Snapshot {
        QRect selection;
        std::array<QRect, 4> edges{};  // the border with its handles, edge by edge
        QRect label;
        QRect magnifier;
        QRect editor;
    };
    // What one paint draws, in widget coordinates, worked out once per paint.
    struct PaintFrame {
        std::vector<Rect> strips;
        QRectF selection;
        std::vector<QRectF> edges;
        QColor track;
        bool drawHandles = false;
        std::array<QRectF, 8> handles{};
        QRectF label;
        QRectF magnifier;
    };
    Snapshot snapshot() const;
    Rect magnifierPanel() const;
    PaintFrame paintFrame();
    void paintArea(QPainter& painter, const QRect& area, const PaintFrame& frame);
    QRect qtRect(const Rect& r) const;
    bool handlesDrawn() const;
    void updateHitHandles();
    const QImage& handleDisc(const QColor& color, double dpr);

    Log* m_log;
    CaptureParam m_captureParam;
    int m_captureState = CAPTURE_STATE_IDLE;
    Rect m_rectScreen;
    Rect m_drawingRect;
    bool m_drawDragPoints = false;
    std::array<Rect, 8> m_dragRect{};
    std::array<Rect, 8> m_hitHandles{};
    bool m_drawImagePaint = false;
    Point m_currPoint;
    std::optional<Rect> m_textEditorFrame;
    Snapshot m_lastScheduled;
    std::vector<QRect> m_pendingAreas;
    std::future<QImage> m_darkInProgress;
    TextSprites m_text;
    QImage m_handleDisc;
    QColor m_handleDiscColor;
};
