#include "annotate/capture_view.h"

#include <QPaintEvent>
#include <QPainter>
#include <cmath>

#include "annotate/view_transform.h"

namespace {

QColor toQColor(const Color& c) {
    return QColor::fromRgbF(c.red, c.green, c.blue, c.alpha);
}

}  // namespace

CaptureView::CaptureView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void CaptureView::setScreenRect(const Rect& frame) {
    m_rectScreen = {0, 0, frame.width, frame.height};
    setGeometry(0, 0, static_cast<int>(frame.width), static_cast<int>(frame.height));
}

void CaptureView::reset() {
    m_drawingRect = {};
    m_drawDragPoints = false;
    m_drawImagePaint = false;
}

void CaptureView::setDrawImageRect(const Rect& selection) {
    m_drawingRect = selection;
    if (std::trunc(selection.width) == 0) m_drawDragPoints = false;
}

void CaptureView::setImagePaint(bool on, Point p) {
    m_drawImagePaint = on;
    m_currPoint = p;
}

void CaptureView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect dirty = event->rect();
    const QRectF whole(0, 0, m_rectScreen.width, m_rectScreen.height);
    if (darkImage.isNull()) {
        painter.fillRect(dirty, Qt::black);
    } else {
        painter.drawImage(whole, darkImage);
    }
    if (m_drawingRect.width <= 0 || m_drawingRect.height <= 0 || currentImage.isNull()) return;

    const QRectF selection = qtRectFromView(m_drawingRect, m_rectScreen.height);
    const double dpr = currentImage.devicePixelRatio();
    const QRectF source(selection.x() * dpr, selection.y() * dpr, selection.width() * dpr,
                        selection.height() * dpr);
    painter.drawImage(selection, currentImage, source);
    painter.setPen(QPen(toQColor(m_captureParam.TrackColor), 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(selection);
}
