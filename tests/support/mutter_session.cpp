#include "support/mutter_session.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <chrono>

#include "support/child_process.h"

MutterSession::MutterSession(int width, int height) {
    if (!m_dir.isValid()) {
        m_error = "no temporary folder";
        return;
    }
    start(width, height);
}

MutterSession::~MutterSession() {
    m_input.reset();
    stopProgram(m_compositor);
    stopProgram(m_busDaemon);
}

bool MutterSession::start(int width, int height) {
    const std::string dir = m_dir.path().toStdString();
    m_runtime = dir + "/runtime";
    m_bus = "unix:path=" + dir + "/bus";
    if (mkdir(m_runtime.c_str(), 0700) != 0) {
        m_error = "cannot make the runtime folder";
        return false;
    }
    const std::vector<std::string> base = {"XDG_RUNTIME_DIR=" + m_runtime,
                                           "DBUS_SESSION_BUS_ADDRESS=" + m_bus,
                                           "HOME=" + dir,
                                           "DISPLAY",
                                           "WAYLAND_DISPLAY",
                                           "XAUTHORITY"};
    m_busDaemon =
        spawnProgram({"dbus-daemon", "--session", "--nofork", "--address=" + m_bus}, base);
    // Mutter tells its Xwayland display only to the program it runs: that one writes it down
    // and waits.
    const std::string told = dir + "/xdisplay";
    m_log = dir + "/mutter.log";
    const int log = open(m_log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    std::vector<std::string> compositorEnvironment = base;
    // Focus changes are logged; windows are not animated in, for a window growing into place
    // is found under the pointer at its animated size for its first quarter second.
    compositorEnvironment.insert(compositorEnvironment.end(),
                                 {"MUTTER_DEBUG=focus", "MUTTER_DEBUG_DISABLE_ANIMATIONS=1"});
    m_compositor = spawnProgram({"mutter", "--wayland", "--headless", "--virtual-monitor",
                                 std::to_string(width) + "x" + std::to_string(height),
                                 "--wayland-display", m_socket, "--", "sh", "-c",
                                 "echo \"$DISPLAY $XAUTHORITY\" > " + told + ".new && mv " + told +
                                     ".new " + told + " && exec sleep 100000"},
                                compositorEnvironment, log, log);
    close(log);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    const auto failed = [&](const std::string& what) {
        QFile read(QString::fromStdString(m_log));
        read.open(QIODevice::ReadOnly);
        m_error = what + ": " + read.readAll().right(3000).toStdString();
        return false;
    };
    QFile display(QString::fromStdString(told));
    while (!display.exists()) {
        if (std::chrono::steady_clock::now() > deadline) return failed("Mutter did not start");
        usleep(20000);
    }
    if (!display.open(QIODevice::ReadOnly)) return failed("no Xwayland display");
    const QList<QByteArray> fields = display.readAll().trimmed().split(' ');
    if (fields.size() != 2) return failed("no Xwayland display");
    m_xDisplay = fields[0].toStdString();
    m_xAuthority = fields[1].toStdString();
    m_input = std::make_unique<WaylandInput>(clientEnvironment(), QUILLET_MUTTER_INPUT);
    if (!m_input->ok() || !m_input->move(0, 0)) return failed("no input for the seat");
    // The seat has its keyboard once a paste no longer says it has none.
    while (
        runProgram({"wl-paste", "--list-types"}, clientEnvironment(), true, std::chrono::seconds(5))
            .bytes.contains("no keyboard")) {
        if (std::chrono::steady_clock::now() > deadline) return failed("the seat has no keyboard");
        usleep(20000);
    }
    return true;
}

std::vector<std::string> MutterSession::clientEnvironment() const {
    return {"WAYLAND_DISPLAY=" + m_socket,
            "XDG_RUNTIME_DIR=" + m_runtime,
            "DBUS_SESSION_BUS_ADDRESS=" + m_bus,
            "DISPLAY=" + m_xDisplay,
            "XAUTHORITY=" + m_xAuthority,
            "XDG_SESSION_TYPE=wayland",
            "XDG_CURRENT_DESKTOP=GNOME",
            "SWAYSOCK",
            "QUILLET_PLATFORM",
            "QUILLET_WAYLAND_CAPTURE",
            "QUILLET_WAYLAND_CLIPBOARD"};
}

QImage MutterSession::pastedImage() const {
    const ProgramOutput out = runProgram({"wl-paste", "--no-newline", "-t", "image/png"},
                                         clientEnvironment(), false, std::chrono::seconds(5));
    if (out.status != 0) return {};
    return QImage::fromData(out.bytes, "PNG").convertToFormat(QImage::Format_RGB32);
}

int MutterSession::newestFocusedWindow() const {
    QFile read(QString::fromStdString(m_log));
    if (!read.open(QIODevice::ReadOnly)) return 0;
    int newest = 0;
    const QByteArray marker = "FOCUS: * Focus --> W";
    for (const QByteArray& line : read.readAll().split('\n')) {
        const qsizetype at = line.indexOf(marker);
        if (at >= 0) newest = std::max(newest, line.mid(at + marker.size()).trimmed().toInt());
    }
    return newest;
}
