#include "platform/qt/qt_screens.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

std::vector<DesktopScreen> desktopScreens() {
    std::vector<DesktopScreen> desktop;
    QScreen* primary = QGuiApplication::primaryScreen();
    if (primary == nullptr) return desktop;
    auto add = [&desktop](const QScreen* screen) {
        const QRect g = screen->geometry();
        desktop.push_back({Rect{static_cast<double>(g.x()), static_cast<double>(g.y()),
                                static_cast<double>(g.width()), static_cast<double>(g.height())},
                           screen->devicePixelRatio()});
    };
    add(primary);
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen != primary) add(screen);
    }
    return desktop;
}

Point QtScreens::desktopPointer() {
    const QPoint pos = QCursor::pos();
    return {static_cast<double>(pos.x()), static_cast<double>(pos.y())};
}
