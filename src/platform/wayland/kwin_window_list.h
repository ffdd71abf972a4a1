#pragma once
// The windows of a KWin session (KDE Plasma), asked of KWin itself: a Wayland client cannot
// see other windows, but a KWin script can, and sends them back over the session bus. The
// script is loaded by ask() (KWin takes a few tenths of a second to run it); nothing waits for
// its answer: the list is empty until it comes, and whoever follows changes is told then.
// Windows come front-most first, with their frames, less minimised ones, those on other virtual
// desktops, and our own. Only KWin's own connection is heard. The script's file (created anew,
// under a name no one can guess, in the private runtime folder) and the script in KWin go as
// soon as the answer comes or its wait ends, and at every exit of the process.
// Needs a QCoreApplication.

#include <QDBusContext>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/wayland/wayland_display.h"
#include "platform/window_list.h"

class Log;

class KWinWindowList : public QObject, protected QDBusContext, public WindowList {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.quillet.KWinWindows")
public:
    KWinWindowList(std::shared_ptr<WaylandDisplay> display, Log& log);
    ~KWinWindowList() override;
    // Loads the script, once; nothing where KWin is not on the bus (GNOME).
    void ask();
    std::vector<Rect> onScreenWindows() override;
    void notifyChanges(std::function<void()> changed) override { m_changed = std::move(changed); }

    // The windows of the script's answer (JSON: an array of {pid, x, y, width, height},
    // bottom-most first), front-most first in KWin's coordinates, less those of `ownPid`.
    static std::vector<Rect> windowsOfAnswer(const QByteArray& json, qint64 ownPid);

public slots:
    // Called by the script (callDBus).
    Q_SCRIPTABLE void Windows(const QString& json);

private:
    // Writes the script to a file of its own; false, with a line logged, when it cannot.
    bool writeScript(const QByteArray& script);
    void unload();

    std::shared_ptr<WaylandDisplay> m_display;
    Log& m_log;
    QString m_pluginName;
    QString m_scriptFile;
    QString m_kwinConnection;  // the unique name owning org.kde.KWin
    bool m_asked = false;
    int m_exitToken = 0;  // the unloading at the process's exit, while there is one to do
    std::optional<QByteArray> m_answer;
    QTimer m_timeout;
    std::function<void()> m_changed;
};
