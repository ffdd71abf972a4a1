#include "platform/wayland/kwin_window_list.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/log.h"
#include "platform/system/system_exit.h"

namespace {

constexpr char kObjectPath[] = "/QuilletWindows";
constexpr int kCallTimeoutMs = 1000;
// KWin loads and runs a script in a few tenths of a second.
constexpr int kAnswerTimeoutMs = 3000;

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
    return QDBusConnection::sessionBus().call(message, QDBus::Block, kCallTimeoutMs);
}

// Where the script goes: a file created anew (never one that stands there, nor through a link)
// in the private runtime folder, under a name no one can guess; QUILLET_KWIN_SCRIPT_FILE fixes
// the name for tests. The open descriptor, -1 on failure with `problem` set.
int createScriptFile(QString* path, QString* problem) {
    const QByteArray fixed = qgetenv("QUILLET_KWIN_SCRIPT_FILE");
    QByteArray name = fixed;
    int fd = -1;
    if (!fixed.isEmpty()) {
        fd = open(fixed.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    } else {
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        if (runtime.isEmpty()) {
            *problem = QStringLiteral("no runtime folder");
            return -1;
        }
        name = runtime + "/quillet-windows-XXXXXX.js";
        fd = mkostemps(name.data(), 3, O_CLOEXEC);  // O_CREAT | O_EXCL, mode 0600
    }
    if (fd < 0) {
        *problem = QString::fromLocal8Bit(name) + QStringLiteral(": ") +
                   QString::fromLocal8Bit(std::strerror(errno));
        return -1;
    }
    *path = QString::fromLocal8Bit(name);
    return fd;
}

}  // namespace

KWinWindowList::KWinWindowList(std::shared_ptr<WaylandDisplay> display, Log& log)
    : m_display(std::move(display)), m_log(log) {
    m_timeout.setSingleShot(true);
    m_timeout.setInterval(kAnswerTimeoutMs);
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        m_log.write(QStringLiteral("KWin's window list did not come within %1 s: no window is "
                                   "offered")
                        .arg(kAnswerTimeoutMs / 1000));
        unload();
    });
}

KWinWindowList::~KWinWindowList() {
    unload();
}

void KWinWindowList::ask() {
    if (m_asked) return;
    m_asked = true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    // Elsewhere (GNOME) nothing is written or loaded: one question to the bus.
    if (!bus.isConnected() || bus.interface() == nullptr) return;
    const QDBusReply<QString> owner = bus.interface()->serviceOwner(QStringLiteral("org.kde.KWin"));
    if (!owner.isValid() || owner.value().isEmpty()) return;
    m_kwinConnection = owner.value();
    if (!bus.registerObject(QString::fromLatin1(kObjectPath), this,
                            QDBusConnection::ExportScriptableSlots)) {
        return;
    }
    if (!writeScript(QString::fromLatin1(kScript)
                         .arg(bus.baseService(), QString::fromLatin1(kObjectPath))
                         .toUtf8())) {
        return;
    }
    m_pluginName = QFileInfo(m_scriptFile).completeBaseName();
    m_exitToken = SystemExit::beforeExit([this] { unload(); });
    const auto dropOnFailure = [this] { unload(); };
    const QDBusReply<int> id =
        callKWin(QStringLiteral("/Scripting"), QStringLiteral("org.kde.kwin.Scripting"),
                 QStringLiteral("loadScript"), {m_scriptFile, m_pluginName});
    if (!id.isValid() || id.value() < 0) return dropOnFailure();
    // KWin 5 names the script by its number, KWin 6 under /Scripting.
    for (const QString& path : {QStringLiteral("/%1").arg(id.value()),
                                QStringLiteral("/Scripting/Script%1").arg(id.value())}) {
        const QDBusMessage ran =
            callKWin(path, QStringLiteral("org.kde.kwin.Script"), QStringLiteral("run"));
        if (ran.type() == QDBusMessage::ReplyMessage) {
            m_timeout.start();
            return;
        }
    }
    dropOnFailure();
}

bool KWinWindowList::writeScript(const QByteArray& script) {
    QString problem;
    const int fd = createScriptFile(&m_scriptFile, &problem);
    if (fd < 0) {
        m_log.write(QStringLiteral("KWin's window list is not asked: the script cannot be "
                                   "written: ") +
                    problem);
        return false;
    }
    QFile file;
    const bool written = file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle) &&
                         file.write(script) == script.size() && file.flush();
    file.close();
    if (!written) {
        m_log.write(QStringLiteral("KWin's window list is not asked: the script cannot be "
                                   "written: ") +
                    m_scriptFile);
        QFile::remove(m_scriptFile);
        m_scriptFile.clear();
    }
    return written;
}

void KWinWindowList::Windows(const QString& json) {
    // Any program on the bus may call us: only KWin's answer counts.
    if (!calledFromDBus() || message().service() != m_kwinConnection || m_answer) return;
    m_answer = json.toUtf8();
    m_timeout.stop();
    unload();
    if (m_changed) m_changed();
}

std::vector<Rect> KWinWindowList::onScreenWindows() {
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
    if (m_exitToken != 0) {
        SystemExit::dropBeforeExit(m_exitToken);
        m_exitToken = 0;
    }
    if (!m_pluginName.isEmpty()) {
        callKWin(QStringLiteral("/Scripting"), QStringLiteral("org.kde.kwin.Scripting"),
                 QStringLiteral("unloadScript"), {m_pluginName});
        m_pluginName.clear();
    }
    if (!m_scriptFile.isEmpty()) {
        QFile::remove(m_scriptFile);
        m_scriptFile.clear();
    }
}
