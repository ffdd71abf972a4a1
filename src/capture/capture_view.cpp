#include "capture/capture_view.h"

#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

#include "annotate/shape_painter.h"
#include "capture/image_composition.h"
#include "overlay/overlay_layout.h"
#include "overlay/overlay_painter.h"
#include "platform/view_transform.h"

namespace {

const QColor kDarkMask(0, 0, 0, kDarkMaskAlpha);

OverlayPiece pieceAt(int index) {
    return static_cast<OverlayPiece>(index);
}

}  // namespace

CaptureView::CaptureView(const CaptureModel& model, const CaptureCanvas& canvas, Log* log,
                         QWidget* parent)
    : QWidget(parent), m_model(model), m_canvas(canvas), m_log(log), m_text(overlayFont()) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void CaptureView::setScreenRect(const Rect& frame) {
    m_height = frame.height;
    setGeometry(0, 0, static_cast<int>(frame.width), static_cast<int>(frame.height));
}

void CaptureView::reset() {
    m_scheduledSelection = {};
    m_scheduledPieces = {};
    m_pendingAreas.clear();
    update();
}

QRect CaptureView::qtArea(const Rect& r) const {
    if (r.isEmpty()) return {};
    return qtRectFromView(r, m_height).toAlignedRect();
}

OverlayPieceAreas CaptureView::pieceAreas(const OverlayScene& scene) {
    const QString& logo = m_model.captureParam().SetMagnifierLogoText;
    return overlayPieceAreas(scene, scene.hasLogo ? m_text.width(logo) : 0);
}

CaptureView::~CaptureView() {
    if (m_textWarmer.joinable()) m_textWarmer.join();
}

void CaptureView::refresh() {
    const OverlayScene scene = m_model.overlayScene();
    const QRect selection = qtArea(scene.selection);
    const OverlayPieceAreas areas = pieceAreas(scene);
    // Each piece is repainted once over the span of its old and new places; inside both
    // selections the picture does not change.
    std::vector<QRect> dirty;
    if (selection != m_scheduledSelection) {
        for (const QRect& r : QRegion(m_scheduledSelection).xored(QRegion(selection))) {
            dirty.push_back(r);
        }
    }
    for (int i = 0; i < kOverlayPieceCount; ++i) {
        const QRect now = qtArea(areas[i]);
        // The label and the magnifier show values (the size, the pointer's pixel) that change
        // where they stand: they are repainted even when they do not move.
        if (now != m_scheduledPieces[i] || paintedOnTop(pieceAt(i))) {
            dirty.push_back(now | m_scheduledPieces[i]);
        }
        m_scheduledPieces[i] = now;
    }
    m_scheduledSelection = selection;
    for (const QRect& r : dirty) {
        if (r.isEmpty()) continue;
        m_pendingAreas.push_back(r);
        update(r);
    }
}

void CaptureView::repaintSelection() {
    const QRect selection = qtArea(m_model.overlayScene().selection);
    if (selection.isEmpty()) return;
    m_pendingAreas.push_back(selection);
    update(selection);
}

void CaptureView::paintEvent(QPaintEvent* event) {
    if (originImage().isNull()) return;
    // Paint the areas asked for one by one with a rectangular clip (a complex clip region
    // makes every fill scan it), then whatever else the system asked for.
    std::vector<QRect> areas;
    areas.swap(m_pendingAreas);
    QRegion covered;
    for (const QRect& r : areas) covered += r;
    for (const QRect& r : event->region().subtracted(covered)) areas.push_back(r);

    const OverlayScene scene = m_model.overlayScene();
    const OverlayPieceAreas pieces = pieceAreas(scene);
    std::array<QRect, kOverlayPieceCount> pieceRects;
    for (int i = 0; i < kOverlayPieceCount; ++i) pieceRects[i] = qtArea(pieces[i]);

    QPainter painter(this);
    std::array<bool, kOverlayPieceCount> onTopTouched{};
    for (const QRect& area : areas) {
        painter.setClipRect(area);
        paintScreen(painter, area, scene);
        for (int i = 0; i < kOverlayPieceCount; ++i) {
            if (!pieceRects[i].intersects(area)) continue;
            if (paintedOnTop(pieceAt(i))) {
                onTopTouched[i] = true;
            } else {
                paintPiece(painter, pieceAt(i), scene, area);
            }
        }
        paintHandles(painter, scene, area);
    }
    // The label and the magnifier go on top, once each: their content is current wherever
    // it lands, so they need no clip.
    painter.setClipping(false);
    bool textsWanted = false;
    for (int i = 0; i < kOverlayPieceCount; ++i) {
        if (!onTopTouched[i]) continue;
        paintPiece(painter, pieceAt(i), scene, pieceRects[i]);
        textsWanted = true;
    }
    // The first frame goes out without texts: loading the fonts would hold back the whole
    // overlay. They follow once a thread of their own has loaded them.
    if (textsWanted && !m_text.ready()) warmUpTexts();
}

void CaptureView::warmUpTexts() {
    if (m_textWarmer.joinable()) return;  // on its way
    // On the event loop the font database's loading (tens of milliseconds) would hold back
    // the window's answers to the compositor, which on Wayland holds the overlay back with it.
    m_textWarmer = std::thread([this, font = m_text.font()] {
        const TextSprites::Metrics metrics = TextSprites::measure(font);
        QMetaObject::invokeMethod(
            this,
            [this, metrics] {
                m_text.adopt(metrics);
                repaintTexts();
            },
            Qt::QueuedConnection);
    });
}

void CaptureView::repaintTexts() {
    refresh();
    for (int i = 0; i < kOverlayPieceCount; ++i) {
        const QRect& r = m_scheduledPieces[i];
        if (!paintedOnTop(pieceAt(i)) || r.isEmpty()) continue;
        m_pendingAreas.push_back(r);
        update(r);
    }
}

void CaptureView::paintScreen(QPainter& painter, const QRect& area, const OverlayScene& scene) {
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
    const Rect& s = scene.selection;
    if (s.width > 0 && s.height > 0) drawPiece(currentImage(), qtRectFromView(s, m_height));
    // Around it the screen is darkened straight into the window's pixels, as fast as a copy;
    // where the painter does not paint into an image of ours to share, it blends black at
    // alpha 0.33 over the screen instead (on an opaque screen that is every colour times 0.67).
    std::vector<QRectF> blended;
    for (const Rect& strip : darkStrips(s, scene.screen)) {
        const QRectF part = qtRectFromView(strip, m_height).intersected(dirty);
        if (!part.isEmpty() && !darkenDirectly(painter, part)) blended.push_back(part);
    }
    // The strips share a row or a column where they meet: the black goes over their union
    // in one fill, or those rows would come out darker.
    QPainterPath dark;
    dark.setFillRule(Qt::WindingFill);
    for (const QRectF& part : blended) {
        drawPiece(originImage(), part);
        dark.addRect(part);
    }
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (!blended.empty()) painter.fillPath(dark, kDarkMask);
}

bool CaptureView::darkenDirectly(QPainter& painter, const QRectF& area) const {
    QPaintEngine* engine = painter.paintEngine();
    QPaintDevice* device = engine ? engine->paintDevice() : nullptr;
    if (device == nullptr || device->devType() != QInternal::Image) return false;
    const QTransform toDevice = painter.deviceTransform();
    const double dpr = originImage().devicePixelRatio();
    if (toDevice.type() > QTransform::TxScale || toDevice.m11() != dpr || toDevice.m22() != dpr)
        return false;
    const QRectF target = toDevice.mapRect(area);
    const QRect pixels = target.toAlignedRect();
    if (QRectF(pixels) != target) return false;  // pixels split at a fractional ratio
    const QRect from(qRound(area.x() * dpr), qRound(area.y() * dpr), pixels.width(),
                     pixels.height());
    return darkenInto(originImage(), from, *static_cast<QImage*>(device), pixels.topLeft());
}

void CaptureView::paintPiece(QPainter& painter, OverlayPiece piece, const OverlayScene& scene,
                             const QRect& area) {
    const CaptureParam& param = m_model.captureParam();
    const QRectF sel = qtRectFromView(scene.selection, m_height);
    // The 1.5-point border, crisp: two pixels centred on each edge.
    const auto edge = [&](const QRectF& line) {
        const QRectF part = line.intersected(QRectF(area));
        if (!part.isEmpty()) painter.fillRect(part, toQColor(param.TrackColor));
    };
    switch (piece) {
        case OverlayPiece::CurrentShape:
            paintCurrentShape(painter, sel.intersected(QRectF(area)));
            return;
        case OverlayPiece::TextEditorFrame:
            paintTextEditorFrame(painter, scene.textEditorFrame.value_or(Rect{}));
            return;
        case OverlayPiece::SelectedShape:
            paintSelectedShape(painter, scene);
            return;
        case OverlayPiece::BorderBottom:
            edge({sel.left() - 1, sel.bottom() - 1, sel.width() + 2, 2});
            return;
        case OverlayPiece::BorderTop:
            edge({sel.left() - 1, sel.top() - 1, sel.width() + 2, 2});
            return;
        case OverlayPiece::BorderLeft:
            edge({sel.left() - 1, sel.top() - 1, 2, sel.height() + 2});
            return;
        case OverlayPiece::BorderRight:
            edge({sel.right() - 1, sel.top() - 1, 2, sel.height() + 2});
            return;
        case OverlayPiece::SizeLabel:
            paintSizeLabel(painter, m_text.ready() ? &m_text : nullptr, scene.selection,
                           scene.screen);
            return;
        case OverlayPiece::Magnifier:
            paintMagnifierAt(painter, scene);
            return;
        case OverlayPiece::Count:
            return;
    }
}

void CaptureView::paintCurrentShape(QPainter& painter, const QRectF& visible) {
    ShapePaintContext context;
    context.viewHeight = m_height;
    context.mosaicImage = &mosaicImage();
    context.visibleArea = visible;
    painter.save();
    painter.setClipRect(visible);
    paintShape(painter, m_model.shapes().currShape(), true, context);
    painter.restore();
}

void CaptureView::paintTextEditorFrame(QPainter& painter, const Rect& editor) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(toQColor(m_model.captureParam().EditBorderColor), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(
        qtRectFromView({editor.x, editor.y - 3, editor.width + 3, editor.height + 6}, m_height), 3,
        3);
    painter.setRenderHint(QPainter::Antialiasing, false);
}

void CaptureView::paintSelectedShape(QPainter& painter, const OverlayScene& scene) {
    const QColor color = toQColor(m_model.captureParam().TrackColor);
    if (scene.selectedShapeOutlined) {
        // A dashed line a point outside the shape's bounds, over any screen colour.
        QPen pen(color, 1, Qt::DashLine);
        pen.setCosmetic(true);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        const Rect& b = scene.selectedShapeBounds;
        painter.drawRect(qtRectFromView({b.x - 1, b.y - 1, b.width + 2, b.height + 2}, m_height));
    }
    const QImage& disc = handleDisc(color, devicePixelRatioF());
    for (const Point& anchor : scene.selectedShapeHandles) {
        const double half = kHandleSize / 2;
        painter.drawImage(
            qtRectFromView({anchor.x - half, anchor.y - half, kHandleSize, kHandleSize}, m_height),
            disc);
    }
}

void CaptureView::paintMagnifierAt(QPainter& painter, const OverlayScene& scene) {
    MagnifierInputs in;
    in.cursor = scene.pointer;
    in.selection = scene.selection;
    in.screen = scene.screen;
    in.logoText = m_model.captureParam().SetMagnifierLogoText;
    in.anchoredToSelection = scene.magnifierAnchoredToSelection;
    in.originImage = &originImage();
    in.colorImage = &colorImage();
    in.cache = &m_magnifier;
    paintMagnifier(painter, m_text.ready() ? &m_text : nullptr, in, m_log);
}

void CaptureView::paintHandles(QPainter& painter, const OverlayScene& scene, const QRect& area) {
    if (!scene.handlesShown) return;
    const QImage& disc =
        handleDisc(toQColor(m_model.captureParam().TrackColor), devicePixelRatioF());
    for (const Rect& handle : scene.handles) {
        const QRectF r = qtRectFromView(handle, m_height);
        if (r.intersects(QRectF(area))) painter.drawImage(r, disc);
    }
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
