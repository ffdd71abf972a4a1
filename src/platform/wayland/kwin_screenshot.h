#pragma once
// The screen grab through KWin's own screenshot interface (org.kde.KWin.ScreenShot2), for KDE
// Plasma, which has no wlroots screencopy: each output is copied at its device resolution
// without a dialog, its pixels sent through a pipe of ours. KWin serves only programs that a
// .desktop entry authorises (X-KDE-DBUS-Restricted-Interfaces, matched by the caller's
// executable); probe() tells whether it serves this one. Needs a QCoreApplication (its event
// loop waits for the answer); a termination request ends every wait.

#include <QSize>
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <memory>
#include <optional>

#include "platform/screen_grabber.h"
#include "platform/wayland/wayland_display.h"

class QDBusConnection;
class QDBusPendingCallWatcher;
class Termination;

class KWinScreenshot : public ScreenGrabber {
public:
    KWinScreenshot(std::shared_ptr<WaylandDisplay> display, const Termination* termination);

    // Whether KWin offers the interface and serves this program (a one-pixel capture); when
    // not, lastError() says why and notServed() whether another route may serve us.
    bool probe();
    // The last failure was KWin's not offering the interface or not serving this program (as
    // opposed to a screen it cannot read now, or an answer that never came).
    bool notServed() const { return m_notServed; }
    Pixels grab(const Rect& displayRect) override;
    QString lastError() const override { return m_error; }
    bool displayLost() const override { return m_display->lost(); }

private:
    // The picture that `method` (CaptureScreen, CaptureArea) with its leading `arguments` gives,
    // of `expected` size in device pixels where that is known; null with m_error set on
    // failure, a picture of another size included.
    Pixels capture(const QString& method, const QVariantList& arguments,
                   std::optional<QSize> expected = std::nullopt);
    // The call, with the pipe's write end (which it closes) for KWin to write the pixels to.
    std::unique_ptr<QDBusPendingCallWatcher> ask(QDBusConnection& bus, const QString& method,
                                                 const QVariantList& arguments, int writeEnd) const;
    // KWin's answer, the picture's layout: waited for until it comes, a signal or a time-out.
    std::optional<QVariantMap> answer(const std::unique_ptr<QDBusPendingCallWatcher>& pending);
    // The pixels of that layout from the pipe's read end.
    Pixels readPicture(const QVariantMap& layout, int readEnd, std::optional<QSize> expected);

    std::shared_ptr<WaylandDisplay> m_display;
    const Termination* m_termination;
    QString m_error;
    bool m_notServed = false;
};
