#include "controls/popup_button.h"

#include <QFontMetricsF>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace {

// QAction and QPushButton read "&" as a mnemonic marker; doubling keeps it a character.
QString literal(const QString& text) {
    QString escaped = text;
    return escaped.replace(QLatin1Char('&'), QLatin1String("&&"));
}

QFont titleFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(12);
    return font;
}

}  // namespace

NSMyPopUpButton::NSMyPopUpButton(QWidget* parent) : QPushButton(parent), m_menu(new QMenu(this)) {
    setMenu(m_menu);
}

void NSMyPopUpButton::addItemWithTitle(const QString& title) {
    m_items.removeAll(title);
    m_items.append(title);
    if (m_selected >= m_items.size()) m_selected = -1;
    rebuildMenu();
}

void NSMyPopUpButton::rebuildMenu() {
    m_menu->clear();
    // Item 0 is the pull-down's title item and is not offered in the menu.
    for (int i = 1; i < m_items.size(); ++i) {
        QAction* action = m_menu->addAction(literal(m_items[i]));
        action->setCheckable(true);
        action->setChecked(i == m_selected);
        connect(action, &QAction::triggered, this, [this, i] {
            selectItemAtIndex(i);
            emit itemChosen(i);
        });
    }
}

void NSMyPopUpButton::selectItemAtIndex(int index) {
    if (index < -1 || index >= m_items.size()) return;
    m_selected = index;
    const QList<QAction*> actions = m_menu->actions();
    for (int i = 0; i < actions.size(); ++i) actions[i]->setChecked(i + 1 == m_selected);
}

QString NSMyPopUpButton::titleOfSelectedItem() const {
    return m_selected >= 0 ? m_items[m_selected] : QString();
}

void NSMyPopUpButton::setTitle(const QString& title) {
    m_title = title;
    setText(literal(title));
    update();
}

void NSMyPopUpButton::setNeedCustomDraw(bool needDraw) {
    m_needDraw = needDraw;
    update();
}

void NSMyPopUpButton::paintEvent(QPaintEvent* event) {
    if (!m_needDraw) {
        QPushButton::paintEvent(event);
        return;
    }
    // The custom box covers the whole button; the style's bevel would only show at the
    // rounded corners, so it is not drawn under it.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath box;
    box.addRoundedRect(QRectF(rect()), 3, 3);
    painter.fillPath(box, QColor(24, 24, 24));
    painter.fillPath(box, QColor(80, 80, 80, 128));

    // The title's left edge at x = 7. Its height: the original puts the top of the text's
    // line box at y = -2, which with that platform's metrics sat the digits in the upper half
    // of the 18-point box; here the digits are centred on the box instead.
    const QFont font = titleFont();
    const QFontMetricsF metrics(font);
    const double baseline = std::round((height() + metrics.capHeight()) / 2);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QPointF(7, baseline), m_title);

    // The chevron, pointing down: (41, 8) to (45, 12) to (49, 8). Moved by half a point so
    // that the 1-point line runs through pixel centres instead of smearing over two at 1x.
    painter.translate(0.5, 0.5);
    QPainterPath chevron;
    chevron.moveTo(41, 8);
    chevron.lineTo(45, 12);
    chevron.lineTo(49, 8);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(200, 200, 200), 1));
    painter.drawPath(chevron);
}
