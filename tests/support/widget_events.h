#pragma once
// Synthetic mouse and key events for widget tests, delivered at once.

#include <QApplication>
#include <QKeyEvent>
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

// A key pressed and released where the keyboard focus of `fallback`'s window is (or on
// `fallback` without one), travelling up to the parents as long as nobody accepts it, as real
// keys do. The offscreen platform need not activate the window.
inline void sendKey(QWidget& fallback, int key, const QString& text = {},
                    Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* focus = fallback.window()->focusWidget();
    QWidget* target = focus ? focus : &fallback;
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(target, &release);
}

// Types `text` key by key: letters and digits with their key codes, '\n' as Return, anything
// else (Chinese, say) as the text of a key without a code, as an X key with a Unicode
// keysym arrives.
inline void typeKeys(QWidget& fallback, const QString& text) {
    for (const QChar c : text) {
        if (c == u'\n') {
            sendKey(fallback, Qt::Key_Return, QStringLiteral("\r"));
        } else if (c.isLetterOrNumber() && c.unicode() < 0x80) {
            sendKey(fallback, c.toUpper().unicode(), QString(c),
                    c.isUpper() ? Qt::ShiftModifier : Qt::NoModifier);
        } else {
            sendKey(fallback, Qt::Key_unknown, QString(c));
        }
    }
}
