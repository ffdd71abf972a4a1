#include "annotate/capture_view.h"

#include <QPaintEvent>
#include <QPainter>
#include <cmath>

#include "annotate/overlay_layout.h"
#include "annotate/overlay_painter.h"
#include "annotate/view_transform.h"
#include "capture/drag_handles.h"

namespace {

// How far the border and the handle discs reach outside the selection rectangle.
constexpr int kBorderReach = 5;

}  // namespace

CaptureView::CaptureView(Log* log, QWidget* parent) : QWidget(parent), m_log(log) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void CaptureView::setCaptureState(int state) {
    m_captureState = state;
    refresh();
}

void CaptureView::setScreenRect(const Rect& frame) {
    m_rectScreen = {0, 0, frame.width, frame.height};
    setGeometry(0, 0, static_cast<int>(frame.width), static_cast<int>(frame.height));
}

void CaptureView::reset() {
    m_drawingRect = {};
    m_drawDragPoints = false;
    m_drawImagePaint = false;
    m_textEditorFrame.reset();
    m_lastScheduled = {};
    update();
}

void CaptureView::setDrawImageRect(const Rect& selection) {
    m_drawingRect = selection;
    m_dragRect = dragRects(selection);
    if (std::trunc(selection.width) == 0) m_drawDragPoints = false;
    refresh();
}

void CaptureView::setDrawDragPoints(bool on) {
    m_drawDragPoints = on;
    refresh();
}

void CaptureView::setImagePaint(bool on, Point p) {
    m_drawImagePaint = on;
    m_currPoint = p;
}

void CaptureView::setTextEditorFrame(std::optional<Rect> frame) {
    m_textEditorFrame = frame;
    refresh();
}

bool CaptureView::handlesDrawn() const {
    return m_drawDragPoints && m_captureState <= CAPTURE_STATE_RESIZE;
}

int CaptureView::isInDragPoints(Point p) const {
    return ::isInDragPoints(m_paintedHandles, m_paintedSelection, p);
}

QRect CaptureView::qtRect(const Rect& r) const {
    return qtRectFromView(r, m_rectScreen.height).toAlignedRect();
}

CaptureView::Snapshot CaptureView::snapshot() const {
    Snapshot s;
    s.selection = m_drawingRect;
    const QRect sel = qtRect(m_drawingRect);
    const QRect outer = sel.adjusted(-kBorderReach, -kBorderReach, kBorderReach, kBorderReach);
    const QRect inner = sel.adjusted(kBorderReach, kBorderReach, -kBorderReach, -kBorderReach);
    s.overlay = QRegion(outer).subtracted(inner.isValid() ? QRegion(inner) : QRegion());
    if (auto label = sizeLabelRect(m_drawingRect, m_rectScreen.size())) {
        s.overlay += qtRect(*label).adjusted(-1, -1, 1, 1);
    }
    if (m_drawImagePaint) {
        const MagnifierLayout m = magnifierLayout(m_currPoint, m_drawingRect, m_rectScreen.size(),
                                                  !m_captureParam.SetMagnifierLogoText.isEmpty(),
                                                  m_captureParam.DrawType != 0);
        s.overlay += qtRect({static_cast<double>(m.px), static_cast<double>(m.py), kMagnifierWidth,
                             static_cast<double>(m.height)})
                         .adjusted(-3, -3, 3, 3);
    }
    if (m_captureState == CAPTURE_STATE_TEXT && m_textEditorFrame) {
        s.overlay += qtRect(*m_textEditorFrame).adjusted(-6, -6, 6, 6);
    }
    return s;
}

void CaptureView::refresh() {
    const Snapshot now = snapshot();
    // Inside both selections the picture does not change: only their difference does.
    QRegion dirty =
        QRegion(qtRect(m_lastScheduled.selection)).xored(QRegion(qtRect(now.selection)));
    dirty += m_lastScheduled.overlay;
    dirty += now.overlay;
    m_lastScheduled = now;
    update(dirty);
}

void CaptureView::paintEvent(QPaintEvent*) {
    if (originImage.isNull() || darkImage.isNull()) return;
    QPainter painter(this);
    const double H = m_rectScreen.height;
    const Size screen = m_rectScreen.size();

    // The selection, bright; the screen around it, dark. Copied, not blended.
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const auto drawPiece = [&](const QImage& image, const Rect& piece) {
        const QRectF target = qtRectFromView(piece, H);
        const double dpr = image.devicePixelRatio();
        painter.drawImage(target, image,
                          QRectF(target.x() * dpr, target.y() * dpr, target.width() * dpr,
                                 target.height() * dpr));
    };
    if (m_drawingRect.width > 0 && m_drawingRect.height > 0) drawPiece(currentImage, m_drawingRect);
    for (const Rect& strip : darkStrips(m_drawingRect, screen)) drawPiece(darkImage, strip);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);

    painter.setRenderHint(QPainter::Antialiasing);
    if (m_captureState == CAPTURE_STATE_TEXT) {
        const Rect e = m_textEditorFrame.value_or(Rect{});
        painter.setPen(QPen(toQColor(m_captureParam.EditBorderColor), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(qtRectFromView({e.x, e.y - 3, e.width + 3, e.height + 6}, H), 3, 3);
    }

    // The border stays crisp; only the handle discs are smoothed.
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QColor track = toQColor(m_captureParam.TrackColor);
    painter.setPen(QPen(track, 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(qtRectFromView(m_drawingRect, H));
    m_paintedSelection = m_drawingRect;
    if (handlesDrawn()) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(track);
        for (const Rect& r : m_dragRect) painter.drawEllipse(qtRectFromView(r, H));
        m_paintedHandles = m_dragRect;
    }
    painter.setRenderHint(QPainter::Antialiasing, false);

    paintSizeLabel(painter, m_drawingRect, screen);
    if (m_drawImagePaint) {
        MagnifierInputs in;
        in.cursor = m_currPoint;
        in.selection = m_drawingRect;
        in.screen = screen;
        in.logoText = m_captureParam.SetMagnifierLogoText;
        in.anchoredToSelection = m_captureParam.DrawType != 0;
        in.originImage = &originImage;
        in.colorImage = &colorImage;
        paintMagnifier(painter, in, m_log);
    }
}
