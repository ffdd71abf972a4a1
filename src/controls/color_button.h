#pragma once
// NSColorButton: a QAbstractButton painted as a colour well. It fills itself with its colour and
// outlines itself with a 1-point line, RGB (115, 174, 231) while the mouse is over it and RGB (181,
// 199, 206) otherwise. Its colour (setBkColor / getBkColor) is also what its owner reads back.

#include <QAbstractButton>
#include <QColor>

class NSColorButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit NSColorButton(QWidget* parent = nullptr);

    void setBkColor(QColor color);
    QColor getBkColor() const { return m_btnbkColor; }
    bool isHover() const { return m_isHover; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QColor m_btnbkColor;
    bool m_isHover = false;
};
