#include "controls/special_button.h"

#include <QHelpEvent>
#include <QPainter>
#include <QTextDocument>
#include <QToolTip>
#include <cmath>

#include "controls/artwork.h"

namespace {

QRectF toQt(Rect r) {
    // Rectangles are measured from the top-left corner already (see the header).
    return {r.x, r.y, r.width, r.height};
}

}  // namespace

SpecialNSButton::SpecialNSButton(QWidget* parent) : SpecialNSButton(nullptr, parent) {}

SpecialNSButton::SpecialNSButton(const Artwork* artwork, QWidget* parent)
    : QAbstractButton(parent), m_artwork(artwork) {
    setText(QString());
    setAttribute(Qt::WA_Hover, false);
}

void SpecialNSButton::setForImage(const QString& imageName, Rect srcRect, Rect dstRect) {
    m_foreImage = imageName;
    m_foreSrcRect = srcRect;
    m_foreDstRect = dstRect;
}

void SpecialNSButton::setForeHoverImage(const QString& imageName) {
    m_hoverForeImage = imageName;
}

void SpecialNSButton::setDisableImage(const QString& imageName) {
    m_disableForeImage = imageName;
}

void SpecialNSButton::setHoverAndPushImage(const QString& hoverName, const QString& pushName,
                                           Rect srcRect, Rect dstRect) {
    m_hoverImage = hoverName;
    m_pushImage = pushName;
    m_hoverSrcRect = srcRect;
    m_hoverDstRect = dstRect;
}

void SpecialNSButton::setBkDrawColor(std::optional<QColor> color) {
    m_bkColorDraw = color;
}

void SpecialNSButton::setIsHover(bool hover) {
    m_isHover = hover;
    update();
}

void SpecialNSButton::setSelected(bool selected) {
    m_isSelected = selected;
    update();
}

SkinLayers SpecialNSButton::layers() const {
    const SpecialButtonArt art{!m_foreImage.isEmpty(),        !m_hoverForeImage.isEmpty(),
                               !m_disableForeImage.isEmpty(), !m_hoverImage.isEmpty(),
                               !m_pushImage.isEmpty(),        m_bkColorDraw.has_value()};
    return specialButtonLayers({m_isDisabled, m_isSelected, m_isHover}, art);
}

QSize SpecialNSButton::sizeHint() const {
    const QRectF area = toQt(m_foreDstRect).united(toQt(m_hoverDstRect));
    return area.toAlignedRect().size().expandedTo(QSize(1, 1));
}

void SpecialNSButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const SkinLayers l = layers();
    if (l.fill) painter.fillRect(rect(), *m_bkColorDraw);
    switch (l.background) {
        case SkinBackground::None:
            break;
        case SkinBackground::Hover:
            drawImage(painter, m_hoverImage, m_hoverSrcRect, m_hoverDstRect);
            break;
        case SkinBackground::Push:
            drawImage(painter, m_pushImage, m_hoverSrcRect, m_hoverDstRect);
            break;
    }
    switch (l.foreground) {
        case SkinForeground::None:
            break;
        case SkinForeground::Fore:
            drawImage(painter, m_foreImage, m_foreSrcRect, m_foreDstRect);
            break;
        case SkinForeground::HoverFore:
            drawImage(painter, m_hoverForeImage, m_foreSrcRect, m_foreDstRect);
            break;
        case SkinForeground::Disabled:
            drawImage(painter, m_disableForeImage, m_foreSrcRect, m_foreDstRect);
            break;
    }
}

void SpecialNSButton::drawImage(QPainter& painter, const QString& name, Rect src, Rect dst) const {
    if (m_artwork == nullptr || name.isEmpty()) return;
    // Rendered at the scale the painter ends up at on its device (the screen's pixel ratio, or
    // the ratio of the image that QWidget::render paints into, where device() still reports
    // the widget's own ratio), so that a 2x picture is as crisp as a 2x screen.
    const double scale =
        std::hypot(painter.deviceTransform().m11(), painter.deviceTransform().m12());
    const double ratio = scale > 0 ? std::round(scale * 100) / 100 : 1.0;
    const QImage image = m_artwork->image(name, ratio);
    if (image.isNull()) return;
    const double r = image.devicePixelRatio();
    const QRectF source(src.x * r, src.y * r, src.width * r, src.height * r);
    painter.drawImage(toQt(dst), image, source);
}

void SpecialNSButton::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    setIsHover(true);
}

void SpecialNSButton::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    setIsHover(false);
}

bool SpecialNSButton::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        // Tooltips come from the host and are plain text: Qt would guess rich text from tags.
        const QString tip = toolTip();
        if (tip.isEmpty()) return QAbstractButton::event(event);
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(),
                           Qt::convertFromPlainText(tip, Qt::WhiteSpaceNormal), this);
        return true;
    }
    return QAbstractButton::event(event);
}
