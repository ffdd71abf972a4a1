#pragma once
// SpecialNSButton: a QAbstractButton drawn from named images, the buttons of the strips. It draws a
// fill, a background image while hovered (hoverImage) or selected (pushImage) and a foreground
// image that turns into its hover variant while hovered or selected, and into its disabled variant
// while the disabled flag is set (see button_skin.h). It keeps QAbstractButton's clicked(); a click
// changes neither the hover nor the selected flag. It also carries a colour for its owner.
//
// Rectangles are in the button's own coordinates, points, measured from its top-left corner:
// the foreground images are drawn flipped into a flipped button, so (x, y) is the top-left
// of the destination both in the tables and on screen. Images are named artwork (artwork.h).

#include <QAbstractButton>
#include <QColor>
#include <QString>
#include <optional>

#include "controls/button_skin.h"
#include "platform/geometry.h"

class Artwork;

class SpecialNSButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit SpecialNSButton(QWidget* parent = nullptr);
    // The artwork must outlive the button; without it the button draws no images.
    explicit SpecialNSButton(const Artwork* artwork, QWidget* parent = nullptr);

    void setForImage(const QString& imageName, Rect srcRect, Rect dstRect);
    void setForeHoverImage(const QString& imageName);
    void setDisableImage(const QString& imageName);
    void setHoverAndPushImage(const QString& hoverName, const QString& pushName, Rect srcRect,
                              Rect dstRect);
    // The fill under everything else; nullopt draws none.
    void setBkDrawColor(std::optional<QColor> color);
    // A colour carried for the owner; the button does not draw it.
    void setBkColor(QColor color) { m_btnbkColor = color; }
    QColor getBkColor() const { return m_btnbkColor; }

    // Changes only the drawing: the button still takes clicks. No redraw is requested.
    void setDisabled(bool disabled) { m_isDisabled = disabled; }
    bool isDisabled() const { return m_isDisabled; }
    void setIsHover(bool hover);
    bool isHover() const { return m_isHover; }
    void setSelected(bool selected);
    bool isSelected() const { return m_isSelected; }

    // The layers the current state draws.
    SkinLayers layers() const;
    QSize sizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void drawImage(QPainter& painter, const QString& name, Rect src, Rect dst) const;

    const Artwork* m_artwork = nullptr;
    QString m_foreImage;
    Rect m_foreSrcRect;
    Rect m_foreDstRect;
    QString m_hoverForeImage;
    QString m_disableForeImage;
    QString m_hoverImage;
    QString m_pushImage;
    Rect m_hoverSrcRect;
    Rect m_hoverDstRect;
    std::optional<QColor> m_bkColorDraw;
    QColor m_btnbkColor;
    bool m_isDisabled = false;
    bool m_isSelected = false;
    bool m_isHover = false;
};
