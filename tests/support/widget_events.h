#pragma once
// Synthetic mouse events for widget tests, delivered at once.

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

// A left-button event at a widget position; the button is held for presses and moves.
inline void sendMouse(QWidget& widget, QEvent::Type type, QPointF at, bool held = true) {
    const bool down = type == QEvent::MouseButtonPress || (type == QEvent::MouseMove && held);
    QMouseEvent event(type, at, widget.mapToGlobal(at), Qt::LeftButton,
                      down ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

// Press at `from`, one move per point of `via`, release at the last point.
inline void sendDrag(QWidget& widget, QPointF from, std::initializer_list<QPointF> via) {
    sendMouse(widget, QEvent::MouseButtonPress, from);
    QPointF last = from;
    for (const QPointF& p : via) {
        sendMouse(widget, QEvent::MouseMove, p);
        last = p;
    }
    sendMouse(widget, QEvent::MouseButtonRelease, last);
}
