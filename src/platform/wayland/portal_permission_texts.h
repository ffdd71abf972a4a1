#pragma once
// How the desktop portal's screenshot permission works, in the interface's language, for a
// host that gives no text of its own: the default text describes another system's settings.

#include <QString>

// Shown while the desktop asks the user for the first time.
inline QString whileTheDesktopAsks() {
    return QStringLiteral("桌面将询问是否允许QuilletCapture截图，请在桌面的询问中选择“允许”。");
}

// The desktop refused and keeps that answer (GNOME): the confirm button forgets it.
inline QString refusalTheDesktopKeeps() {
    return QStringLiteral(
        "桌面拒绝了QuilletCapture截图，并记住了这个选择。点击“确定”后，"
        "下次截图时桌面会重新询问，请选择“允许”。");
}

// The desktop refused this once and asks every time (KDE's portal).
inline QString refusalThisTime() {
    return QStringLiteral("截图被拒绝了。下次截图时，请在桌面的询问中选择“允许”。");
}
