#include "annotate/capture_view.h"

#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <cmath>

#include "annotate/overlay_layout.h"
#include "annotate/overlay_painter.h"
#include "annotate/view_transform.h"
#include "capture/drag_handles.h"

namespace {

// How far the border and the handle discs reach on either side of the selection's edge.
constexpr int kBorderReach = 5;

const QColor kDarkMask(0, 0, 0, 84);  // alpha 0.33

}  // namespace

CaptureView::CaptureView(Log* log, QWidget* parent)
    : QWidget(parent), m_log(log), m_text(overlayFont()) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

const QImage& CaptureView::handleDisc(const QColor& color, double dpr) {
    // One smoothed disc, drawn once and stamped eight times per paint.
    if (m_handleDisc.isNull() || m_handleDiscColor != color ||
        m_handleDisc.devicePixelRatio() != dpr) {
        const int side = static_cast<int>(std::ceil(kHandleSize * dpr));
        m_handleDisc = QImage(side, side, QImage::Format_ARGB32_Premultiplied);
        m_handleDisc.fill(Qt::transparent);
        QPainter p(&m_handleDisc);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        p.drawEllipse(QRectF(0, 0, side, side));
        p.end();
        m_handleDisc.setDevicePixelRatio(dpr);
        m_handleDiscColor = color;
    }
    return m_handleDisc;
}

void CaptureView::updateHitHandles() {
    // Handles keep working where they were last shown; while they are hidden (tool states)
    // their places still do not count as inside the selection.
    if (handlesDrawn()) m_hitHandles = m_dragRect;
}

void CaptureView::setCaptureState(int state) {
    m_captureState = state;
    updateHitHandles();
    refresh();
}

void CaptureView::setScreenRect(const Rect& frame) {
    m_rectScreen = {0, 0, frame.width, frame.height};
    setGeometry(0, 0, static_cast<int>(frame.width), static_cast<int>(frame.height));
}

void CaptureView::setDarkImage(std::future<QImage> image) {
    darkImage = QImage();
    m_darkInProgress = std::move(image);
}

void CaptureView::reset() {
    if (m_darkInProgress.valid()) m_darkInProgress.wait();
    m_darkInProgress = {};
    darkImage = QImage();
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
    updateHitHandles();
    refresh();
}

void CaptureView::setDrawDragPoints(bool on) {
    m_drawDragPoints = on;
    updateHitHandles();
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
    return ::isInDragPoints(m_hitHandles, m_drawingRect, p);
}

QRect CaptureView::qtRect(const Rect& r) const {
    return qtRectFromView(r, m_rectScreen.height).toAlignedRect();
}

CaptureView::Snapshot CaptureView::snapshot() const {
    Snapshot s;
    s.selection = qtRect(m_drawingRect);
    const QRect& sel = s.selection;
    const int r = kBorderReach;
    if (m_drawingRect.width > 0 || m_drawingRect.height > 0) {
        s.edges = {QRect(sel.left() - r, sel.top() - r, sel.width() + 2 * r, 2 * r),
                   QRect(sel.left() - r, sel.bottom() - r, sel.width() + 2 * r, 2 * r),
                   QRect(sel.left() - r, sel.top() - r, 2 * r, sel.height() + 2 * r),
                   QRect(sel.right() - r, sel.top() - r, 2 * r, sel.height() + 2 * r)};
    }
    if (auto label = sizeLabelRect(m_drawingRect, m_rectScreen.size())) {
        s.label = qtRect(*label).adjusted(-1, -1, 1, 1);
    }
    if (m_drawImagePaint) s.magnifier = qtRect(magnifierPanel()).adjusted(-3, -3, 3, 3);
    if (m_captureState == CAPTURE_STATE_TEXT) {
        s.editor = qtRect(m_textEditorFrame.value_or(Rect{})).adjusted(-6, -6, 6, 6);
    }
    return s;
}

Rect CaptureView::magnifierPanel() const {
    const MagnifierLayout m = magnifierLayout(m_currPoint, m_drawingRect, m_rectScreen.size(),
                                              !m_captureParam.SetMagnifierLogoText.isEmpty(),
                                              m_captureParam.DrawType != 0);
    return {static_cast<double>(m.px), static_cast<double>(m.py), kMagnifierWidth,
            static_cast<double>(m.height)};
}

void CaptureView::refresh() {
    const Snapshot now = snapshot();
    const Snapshot& was = m_lastScheduled;
    // Each piece is repainted once over the span of its old and new places; inside both
    // selections the picture does not change.
    std::vector<QRect> areas;
    if (was.selection != now.selection) {
        for (const QRect& r : QRegion(was.selection).xored(QRegion(now.selection))) {
            areas.push_back(r);
        }
    }
    for (size_t i = 0; i < now.edges.size(); ++i) areas.push_back(was.edges[i] | now.edges[i]);
    areas.push_back(was.label | now.label);
    areas.push_back(was.magnifier | now.magnifier);
    areas.push_back(was.editor | now.editor);
    m_lastScheduled = now;
    for (const QRect& r : areas) {
        if (r.isEmpty()) continue;
        m_pendingAreas.push_back(r);
        update(r);
    }
}

void CaptureView::paintEvent(QPaintEvent* event) {
    if (originImage.isNull()) return;
    if (m_darkInProgress.valid() &&
        m_darkInProgress.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
        darkImage = m_darkInProgress.get();
    }
    // Paint the areas asked for one by one with a rectangular clip (a complex clip region
    // makes every fill scan it), then whatever else the system asked for.
    std::vector<QRect> areas;
    areas.swap(m_pendingAreas);
    QRegion covered;
    for (const QRect& r : areas) covered += r;
    for (const QRect& r : event->region().subtracted(covered)) areas.push_back(r);

    QPainter painter(this);
    const PaintFrame frame = paintFrame();
    bool labelTouched = false, magnifierTouched = false;
    for (const QRect& area : areas) {
        paintArea(painter, area, frame);
        labelTouched |= frame.label.intersects(area);
        magnifierTouched |= frame.magnifier.intersects(area);
    }
    // The label and the magnifier go on top, once each: their content is current wherever
    // it lands, so they need no clip.
    painter.setClipping(false);
    const Size screen = m_rectScreen.size();
    // The first frame goes out without texts: loading the fonts would hold back the whole
    // overlay. They follow as soon as the event loop is free.
    TextSprites* text = m_text.ready() ? &m_text : nullptr;
    if (!text && (labelTouched || magnifierTouched)) {
        QTimer::singleShot(0, this, [this, label = frame.label, magnifier = frame.magnifier] {
            m_text.warmUp();
            for (const QRectF& r : {label, magnifier}) {
                if (r.isEmpty()) continue;
                m_pendingAreas.push_back(r.toAlignedRect());
                update(r.toAlignedRect());
            }
        });
    }
    if (labelTouched) paintSizeLabel(painter, text, m_drawingRect, screen);
    if (magnifierTouched) {
        MagnifierInputs in;
        in.cursor = m_currPoint;
        in.selection = m_drawingRect;
        in.screen = screen;
        in.logoText = m_captureParam.SetMagnifierLogoText;
        in.anchoredToSelection = m_captureParam.DrawType != 0;
        in.originImage = &originImage;
        in.colorImage = &colorImage;
        paintMagnifier(painter, text, in, m_log);
    }
}

CaptureView::PaintFrame CaptureView::paintFrame() {
    PaintFrame f;
    const double H = m_rectScreen.height;
    f.strips = darkStrips(m_drawingRect, m_rectScreen.size());
    const QRectF sel = qtRectFromView(m_drawingRect, H);
    f.selection = sel;
    if (m_drawingRect.width > 0 || m_drawingRect.height > 0) {
        f.edges = {QRectF(sel.left() - 1, sel.top() - 1, sel.width() + 2, 2),
                   QRectF(sel.left() - 1, sel.bottom() - 1, sel.width() + 2, 2),
                   QRectF(sel.left() - 1, sel.top() - 1, 2, sel.height() + 2),
                   QRectF(sel.right() - 1, sel.top() - 1, 2, sel.height() + 2)};
    }
    f.track = toQColor(m_captureParam.TrackColor);
    if (handlesDrawn()) {
        for (size_t i = 0; i < m_dragRect.size(); ++i)
            f.handles[i] = qtRectFromView(m_dragRect[i], H);
        f.drawHandles = true;
    }
    if (auto label = sizeLabelRect(m_drawingRect, m_rectScreen.size())) {
        f.label = qtRectFromView(*label, H);
    }
    if (m_drawImagePaint) f.magnifier = qtRectFromView(magnifierPanel(), H).adjusted(-1, -1, 1, 1);
    return f;
}

void CaptureView::paintArea(QPainter& painter, const QRect& area, const PaintFrame& f) {
    const double H = m_rectScreen.height;
    painter.setClipRect(area);

    // The selection, bright; the screen around it, dark. Copied, not blended.
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const QRectF dirty(area);
    const auto drawPiece = [&](const QImage& image, const QRectF& piece) {
        const QRectF target = piece.intersected(dirty);
        if (target.isEmpty()) return;
        const double dpr = image.devicePixelRatio();
        painter.drawImage(target, image,
                          QRectF(target.x() * dpr, target.y() * dpr, target.width() * dpr,
                                 target.height() * dpr));
    };
    if (m_drawingRect.width > 0 && m_drawingRect.height > 0) drawPiece(currentImage, f.selection);
    if (!darkImage.isNull()) {
        for (const Rect& strip : f.strips) drawPiece(darkImage, qtRectFromView(strip, H));
    } else {
        // Black at alpha 0.33 over the screen: every colour becomes 0.67 of itself (the
        // screen is opaque, so plain blending gives what source-atop would).
        for (const Rect& strip : f.strips) drawPiece(originImage, qtRectFromView(strip, H));
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        for (const Rect& strip : f.strips) {
            const QRectF part = qtRectFromView(strip, H).intersected(dirty);
            if (!part.isEmpty()) painter.fillRect(part, kDarkMask);
        }
    }
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);

    if (m_captureState == CAPTURE_STATE_TEXT) {
        const Rect e = m_textEditorFrame.value_or(Rect{});
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(toQColor(m_captureParam.EditBorderColor), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(qtRectFromView({e.x, e.y - 3, e.width + 3, e.height + 6}, H), 3, 3);
        painter.setRenderHint(QPainter::Antialiasing, false);
    }

    // The 1.5-point border, crisp: two pixels centred on each edge.
    for (const QRectF& edge : f.edges) {
        const QRectF part = edge.intersected(dirty);
        if (!part.isEmpty()) painter.fillRect(part, f.track);
    }
    if (f.drawHandles) {
        const QImage& disc = handleDisc(f.track, devicePixelRatioF());
        for (const QRectF& r : f.handles) {
            if (r.intersects(dirty)) painter.drawImage(r, disc);
        }
    }
}
