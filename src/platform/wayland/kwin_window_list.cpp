#include "platform/wayland/kwin_window_list.h"

#include <unistd.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

#include "platform/wayland/interruptible_wait.h"
#include "platform/wayland/output_choice.h"

namespace {

constexpr char kObjectPath[] = "/QuilletWindows";
constexpr int kAnswerTimeoutMs = 1000;

// KWin 5 lists windows in the order they came (each knows its place in the stack); KWin 6
// has the stack itself.
constexpr char kScript[] = R"(
var stack = workspace.stackingOrder !== undefined ? workspace.stackingOrder
    : workspace.clientList().slice().sort(function (a, b) { return a.stackingOrder - b.stackingOrder; });
var windows = [];
for (var i = 0; i < stack.length; ++i) {
    var w = stack[i];
    if (!(w.normalWindow || w.dialog || w.utility) || w.minimized || w.deleted || w.hidden) continue;
    var here = w.onAllDesktops || w.desktop === undefined || w.desktop === workspace.currentDesktop;
    if (w.desktops !== undefined && workspace.currentDesktop !== undefined && w.desktops.length > 0)
        here = w.desktops.indexOf(workspace.currentDesktop) >= 0;
    if (!here) continue;
    var g = w.frameGeometry;
    windows.push({pid: w.pid, x: g.x, y: g.y, width: g.width, height: g.height});
}
callDBus("%1", "%2", "org.quillet.KWinWindows", "Windows", JSON.stringify(windows));
)";

QDBusMessage callKWin(const QString& path, const QString& interface, const QString& method,
                      const QVariantList& arguments = {}) {
    QDBusMessage message =
        QDBusMessage::createMethodCall(QStringLiteral("org.kde.KWin"), path, interface, method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, kAnswerTimeoutMs);
}

}  // namespace

KWinWindowList::KWinWindowList(std::shared_ptr<WaylandDisplay> display,
                               const Termination* termination)
    : m_display(std::move(display)), m_termination(termination) {
    ask();
}

KWinWindowList::~KWinWindowList() {
    unload();
}

void KWinWindowList::ask() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    // Elsewhere (GNOME) nothing is written or loaded: one question to the bus.
    if (!bus.isConnected() || bus.interface() == nullptr ||
        !bus.interface()->isServiceRegistered(QStringLiteral("org.kde.KWin")).value() ||
        !bus.registerObject(QString::fromLatin1(kObjectPath), this,
                            QDBusConnection::ExportScriptableSlots)) {
        return;
    }
    m_pluginName = QStringLiteral("quillet-windows-%1").arg(getpid());
    m_scriptFile = QDir::temp().filePath(m_pluginName + QStringLiteral(".js"));
    QFile script(m_scriptFile);
    if (!script.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        script.write(QString::fromLatin1(kScript)
                         .arg(bus.baseService(), QString::fromLatin1(kObjectPath))
                         .toUtf8()) < 0) {
        return;
    }
    script.close();
    const QDBusReply<int> id =
        callKWin(QStringLiteral("/Scripting"), QStringLiteral("org.kde.kwin.Scripting"),
                 QStringLiteral("loadScript"), {m_scriptFile, m_pluginName});
    if (!id.isValid() || id.value() < 0) return;
    // KWin 5 names the script by its number, KWin 6 under /Scripting.
    for (const QString& path : {QStringLiteral("/%1").arg(id.value()),
                                QStringLiteral("/Scripting/Script%1").arg(id.value())}) {
        const QDBusMessage ran =
            callKWin(path, QStringLiteral("org.kde.kwin.Script"), QStringLiteral("run"));
        if (ran.type() == QDBusMessage::ReplyMessage) {
            m_asked = true;
            return;
        }
    }
}

void KWinWindowList::Windows(const QString& json) {
    if (m_answer) return;
    m_answer = json.toUtf8();
    if (m_waiting) m_waiting->quit();
}

std::vector<Rect> KWinWindowList::onScreenWindows() {
    if (m_asked && !m_answer) {
        InterruptibleWait wait(m_termination);
        m_waiting = &wait;
        wait.run(kAnswerTimeoutMs);
        m_waiting = nullptr;
    }
    unload();
    if (!m_answer) return {};
    std::vector<Rect> windows = windowsOfAnswer(*m_answer, qint64(getpid()));
    // KWin's coordinates, from the main output's corner.
    const std::vector<WaylandOutput> outputs = m_display->outputs();
    if (!outputs.empty()) {
        for (Rect& w : windows) {
            w.x -= outputs.front().logical.x;
            w.y -= outputs.front().logical.y;
        }
    }
    return windows;
}

std::vector<Rect> KWinWindowList::windowsOfAnswer(const QByteArray& json, qint64 ownPid) {
    std::vector<Rect> windows;
    const QJsonArray stack = QJsonDocument::fromJson(json).array();
    for (auto it = stack.end(); it != stack.begin();) {
        const QJsonObject w = (--it)->toObject();
        const Rect frame{w["x"].toDouble(), w["y"].toDouble(), w["width"].toDouble(),
                         w["height"].toDouble()};
        if (w["pid"].toInteger() == ownPid || frame.width <= 0 || frame.height <= 0) continue;
        windows.push_back(frame);
    }
    return windows;
}

void KWinWindowList::unload() {
    if (m_pluginName.isEmpty()) return;
    callKWin(QStringLiteral("/Scripting"), QStringLiteral("org.kde.kwin.Scripting"),
             QStringLiteral("unloadScript"), {m_pluginName});
    QFile::remove(m_scriptFile);
    QDBusConnection::sessionBus().unregisterObject(QString::fromLatin1(kObjectPath));
    m_pluginName.clear();
}
