#pragma once
// The capture window's content: the frozen screen, bright inside the selection and dark
// around it, and the overlay pieces over it (border, handles, size label, magnifier, the text
// editor's frame). It paints what the capture model says and decides nothing. refresh()
// repaints only what changed: the strip between the old and new selection and each piece's
// old and new area.

#include <QImage>
#include <QWidget>
#include <thread>
#include <vector>

#include "capture/capture_canvas.h"
#include "capture/capture_model.h"
#include "overlay/overlay_painter.h"
#include "overlay/overlay_pieces.h"
#include "overlay/text_sprites.h"
#include "platform/geometry.h"

class Log;
class QPainter;

class CaptureView : public QWidget {
    Q_OBJECT
public:
    CaptureView(const CaptureModel& model, const CaptureCanvas& canvas, Log* log = nullptr,
                QWidget* parent = nullptr);
    ~CaptureView() override;

    // Covers (0, 0, width, height) of the screen frame.
    void setScreenRect(const Rect& frame);

    // A new capture: everything is painted anew.
    void reset();
    // Schedules a repaint of what changed in the model since the last call.
    void refresh();
    // Schedules a repaint of the whole selection: the finished shapes changed.
    void repaintSelection();

    // What it paints, read-only: the screen as grabbed, the screen with the finished shapes,
    // the bitmap the colour readout reads and the pixelated screen (see CaptureCanvas).
    const QImage& originImage() const { return m_canvas.originImage(); }
    const QImage& currentImage() const { return m_canvas.currentImage(); }
    const QImage& colorImage() const { return m_canvas.colorImage(); }
    const QImage& mosaicImage() const { return m_canvas.mosaicImage(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    OverlayPieceAreas pieceAreas(const OverlayScene& scene);
    QRect qtArea(const Rect& r) const;
    void paintScreen(QPainter& painter, const QRect& area, const OverlayScene& scene);
    // Darkens `area` of the screen straight into the image the painter paints; false where it
    // cannot (the painter then blends).
    bool darkenDirectly(QPainter& painter, const QRectF& area) const;
    void paintPiece(QPainter& painter, OverlayPiece piece, const OverlayScene& scene,
                    const QRect& area);
    void paintHandles(QPainter& painter, const OverlayScene& scene, const QRect& area);
    // The shape being drawn, clipped to the part of the selection being painted.
    void paintCurrentShape(QPainter& painter, const QRectF& visible);
    // The frame around the text being typed (`editor`, in view coordinates).
    void paintTextEditorFrame(QPainter& painter, const Rect& editor);
    // The selected shape's dashed bounds and handles.
    void paintSelectedShape(QPainter& painter, const OverlayScene& scene);
    void paintMagnifierAt(QPainter& painter, const OverlayScene& scene);
    const QImage& handleDisc(const QColor& color, double dpr);
    // Loads the texts' font on a thread of its own, then repaints the texts.
    void warmUpTexts();
    void repaintTexts();

    const CaptureModel& m_model;
    const CaptureCanvas& m_canvas;
    Log* m_log;
    double m_height = 0;
    // What the last refresh() asked for, in widget pixels.
    QRect m_scheduledSelection;
    std::array<QRect, kOverlayPieceCount> m_scheduledPieces{};
    std::vector<QRect> m_pendingAreas;
    TextSprites m_text;
    // Looks the font up for m_text, away from the event loop (see warmUpTexts).
    std::thread m_textWarmer;
    MagnifierCache m_magnifier;
    QImage m_handleDisc;
    QColor m_handleDiscColor;
};
