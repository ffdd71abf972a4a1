#pragma once
// The windows of a KWin session (KDE Plasma), asked of KWin itself: a Wayland client cannot
// see other windows, but a KWin script can, and sends them back over the session bus. The
// script runs as soon as the list is made (KWin takes a few tenths of a second to load it);
// onScreenWindows() waits for its answer, at most a second. Windows come front-most first,
// with their frames, less minimised ones, those on other virtual desktops, and our own.
// Needs a QCoreApplication; empty where KWin does not answer.

#include <QObject>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "platform/wayland/wayland_display.h"
#include "platform/window_list.h"

class InterruptibleWait;
class Termination;

class KWinWindowList : public QObject, public WindowList {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.quillet.KWinWindows")
public:
    KWinWindowList(std::shared_ptr<WaylandDisplay> display, const Termination* termination);
    ~KWinWindowList() override;
    std::vector<Rect> onScreenWindows() override;

    // The windows of the script's answer (JSON: an array of {pid, x, y, width, height},
    // bottom-most first), front-most first in KWin's coordinates, less those of `ownPid`.
    static std::vector<Rect> windowsOfAnswer(const QByteArray& json, qint64 ownPid);

public slots:
    // Called by the script (callDBus).
    Q_SCRIPTABLE void Windows(const QString& json);

private:
    void ask();
    void unload();

    std::shared_ptr<WaylandDisplay> m_display;
    const Termination* m_termination;
    QString m_pluginName;
    QString m_scriptFile;
    bool m_asked = false;
    std::optional<QByteArray> m_answer;
    InterruptibleWait* m_waiting = nullptr;
};
