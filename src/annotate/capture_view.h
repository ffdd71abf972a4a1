#pragma once
// The capture window's content: the frozen screen, darkened outside the selection, with the
// selection border. It holds the capture's parameters, state and images; the window decides.

#include <QImage>
#include <QWidget>

#include "capture/capture_state.h"
#include "model/capture_param.h"
#include "platform/geometry.h"

class CaptureView : public QWidget {
    Q_OBJECT
public:
    explicit CaptureView(QWidget* parent = nullptr);

    CaptureParam& captureParam() { return m_captureParam; }
    const CaptureParam& captureParam() const { return m_captureParam; }

    int captureState() const { return m_captureState; }
    void setCaptureState(int state) { m_captureState = state; }

    // Keeps (0, 0, width, height) of the screen frame as the view's own rectangle.
    void setScreenRect(const Rect& frame);
    const Rect& rectScreen() const { return m_rectScreen; }

    void reset();
    void setDrawImageRect(const Rect& selection);
    const Rect& drawingRect() const { return m_drawingRect; }
    void setDrawDragPoints(bool on) { m_drawDragPoints = on; }
    bool drawDragPoints() const { return m_drawDragPoints; }
    void setImagePaint(bool on, Point p);

    // The screen as grabbed, the screen with finished shapes, the darkened screen, and the
    // bitmap the colour readout reads. All share the one grab until something draws on them.
    QImage originImage;
    QImage currentImage;
    QImage darkImage;
    QImage colorImage;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CaptureParam m_captureParam;
    int m_captureState = CAPTURE_STATE_IDLE;
    Rect m_rectScreen;
    Rect m_drawingRect;
    bool m_drawDragPoints = false;
    bool m_drawImagePaint = false;
    Point m_currPoint;
};
