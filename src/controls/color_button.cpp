#include "controls/color_button.h"

#include <QPainter>

#include "controls/button_skin.h"

NSColorButton::NSColorButton(QWidget* parent) : QAbstractButton(parent) {}

void NSColorButton::setBkColor(QColor color) {
    m_btnbkColor = color;
    update();
}

void NSColorButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), m_btnbkColor);
    const Color c = colorButtonOutline(m_isHover);
    QPen pen(QColor::fromRgbF(c.red, c.green, c.blue, c.alpha));
    pen.setWidthF(1);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    // The whole 1-point line inside the bounds: a line centred on the edge would lose its
    // outer half to the clip and come out half as wide (and blurred at 1x).
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

void NSColorButton::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    m_isHover = true;
    update();
}

void NSColorButton::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    m_isHover = false;
    update();
}
