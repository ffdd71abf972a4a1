#include "support/wayland_session.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cmath>
#include <functional>

#include "support/child_process.h"
#include "support/test_images.h"
#include "support/unprivileged.h"

namespace {

bool makeFolder(const std::string& path, uid_t owner) {
    if (mkdir(path.c_str(), 0700) != 0) return false;
    return chown(path.c_str(), owner, owner == 0 ? 0 : owner) == 0 || geteuid() != 0;
}

}  // namespace

WaylandSession::WaylandSession(std::vector<WaylandOutputSpec> outputs)
    : m_outputs(std::move(outputs)) {
    if (!m_dir.isValid()) {
        m_error = "no temporary folder";
        return;
    }
    if (!start()) stopProgram(m_compositor), m_compositor = -1;
}

WaylandSession::~WaylandSession() {
    for (auto it = m_portal.rbegin(); it != m_portal.rend(); ++it) stopProgram(*it);
    stopProgram(m_compositor);
}

bool WaylandSession::startBus() {
    m_bus = "unix:path=" + m_dir.path().toStdString() + "/bus";
    const std::vector<std::string> env = clientEnvironment();
    // Services the bus starts on demand get its environment.
    m_portal.push_back(
        spawnProgram({"dbus-daemon", "--session", "--nofork", "--address=" + m_bus}, env));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (
        runProgram({"gdbus", "call", "--session", "--dest", "org.freedesktop.DBus", "--object-path",
                    "/org/freedesktop/DBus", "--method", "org.freedesktop.DBus.ListNames"},
                   env, true, std::chrono::seconds(10))
            .status != 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            m_error = "the session bus did not start";
            return false;
        }
        usleep(20000);
    }
    return true;
}

bool WaylandSession::startPortal() {
    if (!startBus()) return false;
    std::vector<std::string> env = clientEnvironment();
    // GTK's back end would otherwise look for the accessibility bus, which a private session
    // has not, and wait for it up to D-Bus's 25 s timeout.
    env.push_back("NO_AT_BRIDGE=1");
    const auto gdbus = [&](const std::vector<std::string>& arguments) {
        std::vector<std::string> argv{"gdbus", "call", "--session"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return runProgram(argv, env, true, std::chrono::seconds(10));
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    const auto waitFor = [&](const std::function<bool()>& ready) {
        while (!ready()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            usleep(20000);
        }
        return true;
    };
    m_portal.push_back(spawnProgram({"pipewire"}, env));
    m_portal.push_back(spawnProgram({"/usr/libexec/xdg-desktop-portal-wlr"}, env));
    m_portal.push_back(spawnProgram({"/usr/libexec/xdg-desktop-portal-gtk"}, env));
    const ProgramOutput allowed =
        gdbus({"--dest", "org.freedesktop.impl.portal.PermissionStore", "--object-path",
               "/org/freedesktop/impl/portal/PermissionStore", "--method",
               "org.freedesktop.impl.portal.PermissionStore.SetPermission", "screenshot", "true",
               "screenshot", "", "['yes']"});
    if (allowed.status != 0) {
        m_error = "cannot allow screenshots: " + allowed.bytes.toStdString();
        return false;
    }
    const std::string logFile = m_dir.path().toStdString() + "/portal.log";
    const int log = open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    m_portal.push_back(spawnProgram({"/usr/libexec/xdg-desktop-portal", "-v"}, env, log, log));
    close(log);
    if (!waitFor([&] {
            const ProgramOutput out = runProgram(
                {"gdbus", "introspect", "--session", "--dest", "org.freedesktop.portal.Desktop",
                 "--object-path", "/org/freedesktop/portal/desktop"},
                env, false, std::chrono::seconds(10));
            return out.bytes.contains("org.freedesktop.portal.Screenshot");
        })) {
        QFile read(QString::fromStdString(logFile));
        read.open(QIODevice::ReadOnly);
        m_error = "the portal offers no screenshots: " + read.readAll().right(3000).toStdString();
        return false;
    }
    return true;
}

void WaylandSession::stopCompositor() {
    stopProgram(m_compositor);
    m_compositor = -1;
}

bool WaylandSession::start() {
    const bool root = geteuid() == 0;
    const uid_t compositorUser = root ? kNobody : geteuid();
    const std::string dir = m_dir.path().toStdString();
    chmod(dir.c_str(), 0755);  // the compositor's user reads the configuration and wallpapers
    const std::string compositorRuntime = dir + "/compositor-runtime";
    m_clientRuntime = dir + "/client-runtime";
    if (!makeFolder(compositorRuntime, compositorUser) || !makeFolder(m_clientRuntime, geteuid())) {
        m_error = "cannot make the runtime folders";
        return false;
    }
    // The compositor says where its sockets are through this FIFO once it runs.
    const std::string ready = dir + "/ready";
    if (mkfifo(ready.c_str(), 0666) != 0 || chmod(ready.c_str(), 0666) != 0) {
        m_error = "cannot make the FIFO";
        return false;
    }
    std::string config = "xwayland disable\n";
    for (std::size_t i = 0; i < m_outputs.size(); ++i) {
        const WaylandOutputSpec& o = m_outputs[i];
        const QImage wallpaper = test_images::positionImage(o.width, o.height);
        const std::string file = dir + "/wallpaper-" + std::to_string(i) + ".png";
        if (!wallpaper.save(QString::fromStdString(file), "PNG")) {
            m_error = "cannot write a wallpaper";
            return false;
        }
        chmod(file.c_str(), 0644);
        m_wallpapers.push_back(wallpaper);
        config += "output HEADLESS-" + std::to_string(i + 1) + " resolution " +
                  std::to_string(o.width) + "x" + std::to_string(o.height) + " position " +
                  std::to_string(o.x) + " " + std::to_string(o.y) + " scale " +
                  QString::number(o.scale).toStdString() + " bg " + file + " fill\n";
    }
    config += "exec sh -c 'echo \"$WAYLAND_DISPLAY $SWAYSOCK\" > " + ready + "'\n";
    const std::string configFile = dir + "/sway.conf";
    QFile f(QString::fromStdString(configFile));
    if (!f.open(QIODevice::WriteOnly) || f.write(config.c_str()) < 0) {
        m_error = "cannot write the configuration";
        return false;
    }
    f.close();
    chmod(configFile.c_str(), 0644);

    std::vector<std::string> argv{"sway", "-c", configFile};
    if (root) argv.insert(argv.begin(), {"runuser", "-u", "nobody", "--"});
    const std::string logFile = dir + "/sway.log";
    const int log = open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    m_compositor =
        spawnProgram(argv,
                     {"WLR_BACKENDS=headless", "WLR_LIBINPUT_NO_DEVICES=1", "WLR_RENDERER=pixman",
                      "WLR_HEADLESS_OUTPUTS=" + std::to_string(m_outputs.size()),
                      "XDG_RUNTIME_DIR=" + compositorRuntime, "HOME=" + dir, "WAYLAND_DISPLAY",
                      "DISPLAY", "SWAYSOCK"},
                     log, log);
    close(log);
    // Opening the FIFO for reading must not wait for a writer that may never come.
    const int fifo = open(ready.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    std::string line;
    pollfd pfd{fifo, POLLIN, 0};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (line.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || poll(&pfd, 1, int(left.count())) <= 0) break;
        char buffer[512];
        const ssize_t n = read(fifo, buffer, sizeof buffer);
        if (n > 0) line.append(buffer, size_t(n));
        // No writer yet: POLLHUP until one opens the FIFO.
        if (n == 0) usleep(1000);
    }
    close(fifo);
    const std::size_t space = line.find(' ');
    if (space == std::string::npos) {
        QFile logRead(QString::fromStdString(logFile));
        logRead.open(QIODevice::ReadOnly);
        m_error = "sway did not start: " + logRead.readAll().right(2000).toStdString();
        return false;
    }
    const std::string display = line.substr(0, space);
    m_socket = display.starts_with('/') ? display : compositorRuntime + "/" + display;
    m_ipcSocket = line.substr(space + 1, line.find('\n') - space - 1);
    return waitForWallpapers();
}

namespace {

// Whether `shown` is the wallpaper: exactly at an integer scale; at a fractional one the
// wallpaper is drawn at the next integer scale and scaled down by the compositor, so only near
// enough (a mean difference of a few levels over a sample of the pixels).
bool showsWallpaper(const QImage& shown, const QImage& wallpaper, double scale) {
    if (shown.size() != wallpaper.size()) return false;
    if (scale == std::floor(scale)) return shown == wallpaper;
    double difference = 0;
    int samples = 0;
    for (int y = 8; y < shown.height(); y += 16) {
        for (int x = 8; x < shown.width(); x += 16) {
            const QRgb a = shown.pixel(x, y), b = wallpaper.pixel(x, y);
            difference += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                          std::abs(qBlue(a) - qBlue(b));
            ++samples;
        }
    }
    return samples > 0 && difference / (3.0 * samples) < 8;
}

}  // namespace

bool WaylandSession::waitForWallpapers() {
    // The wallpapers come from a client of the compositor's own (swaybg), which draws them
    // some time after the compositor runs.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (std::size_t i = 0; i < m_outputs.size(); ++i) {
        const std::string output = "HEADLESS-" + std::to_string(i + 1);
        while (!showsWallpaper(grimOutput(output), m_wallpapers[i], m_outputs[i].scale)) {
            if (std::chrono::steady_clock::now() > deadline) {
                m_error = "the wallpaper of " + output + " did not appear";
                return false;
            }
            usleep(20000);
        }
    }
    return true;
}

bool WaylandSession::transformOutput(int index, const std::string& transform) {
    const std::string output = "HEADLESS-" + std::to_string(index + 1);
    const std::string wallpaper =
        m_dir.path().toStdString() + "/wallpaper-" + std::to_string(index) + ".png";
    swaymsg({"output", output, "transform", transform, "bg", wallpaper, "tile"});
    const bool turned = transform.ends_with("90") || transform.ends_with("270");
    const WaylandOutputSpec& spec = m_outputs.at(std::size_t(index));
    const int width = turned ? spec.height : spec.width;
    const int height = turned ? spec.width : spec.height;
    const QImage& tile = m_wallpapers.at(std::size_t(index));
    QImage expected(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            expected.setPixel(x, y, tile.pixel(x % tile.width(), y % tile.height()));
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (grimOutput(output) != expected) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        usleep(20000);
    }
    return true;
}

QImage WaylandSession::grimOutput(const std::string& output) const {
    const ProgramOutput out = runProgram({"grim", "-o", output, "-"}, clientEnvironment());
    if (out.status != 0) return {};
    return QImage::fromData(out.bytes, "PNG").convertToFormat(QImage::Format_RGB32);
}

std::vector<std::string> WaylandSession::clientEnvironment() const {
    // The portal picks its back ends by desktop: wlroots' for screenshots, GTK's for access.
    return {"WAYLAND_DISPLAY=" + m_socket, "XDG_RUNTIME_DIR=" + m_clientRuntime,
            "SWAYSOCK=" + m_ipcSocket, "DISPLAY", "XDG_SESSION_TYPE=wayland",
            "XDG_CURRENT_DESKTOP=sway:GNOME",
            // The permission store keeps its answers there: this session's own.
            "XDG_DATA_HOME=" + m_dir.path().toStdString() + "/data",
            m_bus.empty() ? "DBUS_SESSION_BUS_ADDRESS" : "DBUS_SESSION_BUS_ADDRESS=" + m_bus};
}

QImage WaylandSession::grim(const std::string& region) const {
    std::vector<std::string> argv{"grim"};
    if (!region.empty()) argv.insert(argv.end(), {"-g", region});
    argv.push_back("-");
    const ProgramOutput out = runProgram(argv, clientEnvironment());
    if (out.status != 0) return {};
    return QImage::fromData(out.bytes, "PNG").convertToFormat(QImage::Format_RGB32);
}

QByteArray WaylandSession::paste() const {
    const ProgramOutput out = runProgram({"wl-paste", "--no-newline", "-t", "image/png"},
                                         clientEnvironment(), false, std::chrono::seconds(5));
    return out.status == 0 ? out.bytes : QByteArray();
}

QImage WaylandSession::pastedImage() const {
    return QImage::fromData(paste(), "PNG").convertToFormat(QImage::Format_RGB32);
}

QByteArray WaylandSession::swaymsg(const std::vector<std::string>& arguments) const {
    std::vector<std::string> argv{"swaymsg"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return runProgram(argv, clientEnvironment()).bytes;
}
