#include "support/kwin_session.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QXmlStreamReader>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <chrono>

#include "support/child_process.h"

KWinSession::KWinSession(int width, int height, const std::vector<std::string>& authorised,
                         int outputs) {
    if (!m_dir.isValid()) {
        m_error = "no temporary folder";
        return;
    }
    if (!start(width, height, authorised, outputs)) {
        stopProgram(m_compositor);
        m_compositor = -1;
    }
}

KWinSession::~KWinSession() {
    stopProgram(m_compositor);
    stopProgram(m_busDaemon);
}

bool KWinSession::start(int width, int height, const std::vector<std::string>& authorised,
                        int outputs) {
    const std::string dir = m_dir.path().toStdString();
    m_runtime = dir + "/runtime";
    m_bus = "unix:path=" + dir + "/bus";
    const std::string applications = dir + "/data/applications";
    // Xwayland's socket folder, which a machine that has run no X server yet lacks.
    if (mkdir("/tmp/.X11-unix", 01777) == 0) chmod("/tmp/.X11-unix", 01777);
    if (mkdir(m_runtime.c_str(), 0700) != 0 || mkdir((dir + "/data").c_str(), 0755) != 0 ||
        mkdir(applications.c_str(), 0755) != 0) {
        m_error = "cannot make the session's folders";
        return false;
    }
    // The tests' input program may use KWin's fake input.
    QFile input(QString::fromStdString(applications + "/quillet-test-input.desktop"));
    if (!input.open(QIODevice::WriteOnly) ||
        input.write(
            "[Desktop Entry]\nType=Application\nName=Quillet test input\nExec=" QUILLET_KWIN_INPUT
            "\nNoDisplay=true\nX-KDE-Wayland-Interfaces=org_kde_kwin_fake_input\n") < 0) {
        m_error = "cannot write a desktop entry";
        return false;
    }
    input.close();
    for (std::size_t i = 0; i < authorised.size(); ++i) {
        QFile entry(QString::fromStdString(applications + "/quillet-test-" + std::to_string(i) +
                                           ".desktop"));
        const std::string text = "[Desktop Entry]\nType=Application\nName=Quillet test " +
                                 std::to_string(i) + "\nExec=" + authorised[i] +
                                 "\nNoDisplay=true\n"
                                 "X-KDE-DBUS-Restricted-Interfaces=org.kde.KWin.ScreenShot2\n";
        if (!entry.open(QIODevice::WriteOnly) || entry.write(text.c_str()) < 0) {
            m_error = "cannot write a desktop entry";
            return false;
        }
    }
    // New windows come to the front, as they do for a user who has just started them; the
    // default keeps them behind an active window of a headless session nobody types into.
    QFile config(QString::fromStdString(dir + "/config/kwinrc"));
    if (mkdir((dir + "/config").c_str(), 0755) != 0 || !config.open(QIODevice::WriteOnly) ||
        config.write("[Windows]\nFocusStealingPreventionLevel=0\n") < 0) {
        m_error = "cannot write KWin's configuration";
        return false;
    }
    config.close();
    const std::string kwin = dir + "/kwin_wayland";
    if (!QFile::copy(QStringLiteral("/usr/bin/kwin_wayland"), QString::fromStdString(kwin)) ||
        chmod(kwin.c_str(), 0755) != 0) {
        m_error = "cannot copy /usr/bin/kwin_wayland (is kwin-wayland installed?)";
        return false;
    }
    const std::vector<std::string> env = clientEnvironment();
    m_busDaemon = spawnProgram({"dbus-daemon", "--session", "--nofork", "--address=" + m_bus}, env);
    std::vector<std::string> kwinEnv = env;
    kwinEnv.insert(kwinEnv.end(), {"XDG_CONFIG_HOME=" + dir + "/config",
                                   "XDG_CACHE_HOME=" + dir + "/cache", "WAYLAND_DISPLAY"});
    const std::string logFile = dir + "/kwin.log";
    const int log = open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    m_compositor = spawnProgram(
        {kwin, "--virtual", "--width", std::to_string(width), "--height", std::to_string(height),
         "--output-count", std::to_string(outputs), "--xwayland", "--socket", m_socket},
        kwinEnv, log, log);
    close(log);
    // Ready once its screenshot interface answers (a few tenths of a second).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (
        runProgram({"gdbus", "call", "--session", "--dest", "org.kde.KWin", "--object-path",
                    "/org/kde/KWin/ScreenShot2", "--method", "org.freedesktop.DBus.Properties.Get",
                    "org.kde.KWin.ScreenShot2", "Version"},
                   env, true, std::chrono::seconds(5))
            .status != 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            QFile read(QString::fromStdString(logFile));
            read.open(QIODevice::ReadOnly);
            m_error = "KWin did not start: " + read.readAll().right(3000).toStdString();
            return false;
        }
        usleep(50000);
    }
    return true;
}

std::vector<std::string> KWinSession::clientEnvironment() const {
    const std::string dir = m_dir.path().toStdString();
    return {"WAYLAND_DISPLAY=" + m_socket,
            "XDG_RUNTIME_DIR=" + m_runtime,
            "XDG_DATA_HOME=" + dir + "/data",
            "DBUS_SESSION_BUS_ADDRESS=" + m_bus,
            "XDG_SESSION_TYPE=wayland",
            "XDG_CURRENT_DESKTOP=KDE",
            "DISPLAY",
            "SWAYSOCK",
            "QUILLET_PLATFORM",
            "QUILLET_WAYLAND_CAPTURE"};
}

QImage KWinSession::screenshot() const {
    const ProgramOutput out = runProgram({QUILLET_KWIN_SHOT}, clientEnvironment());
    if (out.status != 0) return {};
    return QImage::fromData(out.bytes, "PNG").convertToFormat(QImage::Format_RGB32);
}

QImage KWinSession::pastedImage() const {
    // A paste from an owner that has gone may hang on KWin: a time limit.
    const ProgramOutput out = runProgram({"wl-paste", "--no-newline", "-t", "image/png"},
                                         clientEnvironment(), false, std::chrono::seconds(5));
    if (out.status != 0) return {};
    return QImage::fromData(out.bytes, "PNG").convertToFormat(QImage::Format_RGB32);
}

int KWinSession::loadedScripts() const {
    // Named by this session's bus: a connection to an earlier session's is never reused.
    const QString address = QString::fromStdString(m_bus);
    QDBusConnection bus = QDBusConnection::connectToBus(address, address);
    const QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.KWin"), QStringLiteral("/"),
        QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect"));
    const QDBusReply<QString> tree = bus.call(call, QDBus::Block, 5000);
    QDBusConnection::disconnectFromBus(address);
    if (!tree.isValid()) return -1;
    int scripts = 0;
    QXmlStreamReader xml(tree.value());
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"node") continue;
        bool number = false;
        static_cast<void>(xml.attributes().value(QLatin1String("name")).toInt(&number));
        if (number) ++scripts;
    }
    return xml.hasError() ? -1 : scripts;
}
