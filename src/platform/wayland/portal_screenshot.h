#pragma once
// The screen grab through the desktop portal (org.freedesktop.portal.Screenshot, not
// interactive), for Wayland compositors without screencopy (GNOME, KDE Plasma). The portal may
// ask the user first; its answer comes as a Response signal on a request object. The picture it
// writes to a file is read and the file deleted (see takePortalPicture). The whole desktop is
// taken once, at the first grab, and every grab is cut from it. Needs a QCoreApplication (its
// event loop waits for the answer); a termination request ends every wait.

#include <QImage>
#include <QString>
#include <QVariantMap>
#include <memory>
#include <optional>

#include "platform/screen_grabber.h"
#include "platform/wayland/wayland_display.h"

class Log;
class Termination;

// What the portal answered: the picture's file, or why there is none.
struct PortalAnswer {
    std::optional<QString> file;  // a local path
    QString problem;
    bool refused = false;  // the user (or the policy) said no
};

// The Response signal's arguments as an answer: 0 with a file URI is a picture; 1 the user
// (or the policy) said no; anything else a failure.
PortalAnswer portalAnswer(uint response, const QVariantMap& results);

// The request object a caller with unique bus name `sender` (":1.42") gets for `token`.
QString portalRequestPath(const QString& sender, const QString& token);

class PortalScreenshot : public ScreenGrabber {
public:
    // `termination` (may be null) ends the waits for the portal; `log` hears of a picture
    // whose file could not be removed.
    PortalScreenshot(std::shared_ptr<WaylandDisplay> display, const Termination* termination,
                     Log& log);
    Pixels grab(const Rect& displayRect) override;
    QString lastError() const override { return m_error; }
    bool displayLost() const override { return m_display->lost(); }

    // Takes the desktop's picture now unless the portal has been asked already (once per
    // process: its question is not put to the user twice); false on failure, with lastError()
    // saying why.
    bool takeDesktop();
    // Asks the portal once more and keeps only that picture (none when it fails): for a
    // desktop whose first picture showed something of ours.
    bool takeDesktopAgain();
    // Whether the portal refused (the user or the desktop's policy said no, now or before).
    bool refused() const { return m_refused; }
    // Whether that refusal is one the desktop keeps (its permission store says no).
    bool refusalStored() const { return m_refusalStored; }
    const Termination* termination() const { return m_termination; }

private:
    // The whole desktop from the portal; null with m_error set on failure.
    Pixels takeScreenshot();

    std::shared_ptr<WaylandDisplay> m_display;
    const Termination* m_termination;
    Log& m_log;
    Pixels m_desktop;
    QString m_error;
    bool m_asked = false;
    bool m_refused = false;
    bool m_refusalStored = false;
};
