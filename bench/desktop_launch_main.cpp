// Launch to overlay on the three Wayland desktops, each on its real compositor started headless
// as the tests start it: sway (wlroots), KWin (KDE Plasma) and Mutter (GNOME). Each desktop is
// watched the way it lets an outside program see the screen:
//   sway    quillet_wl_overlay_watch --red-left-edge: screencopy frames until the overlay's red
//   border shows; KWin    KWin's screenshot interface, asked again and again for a small area at
//   the left
//           edge until it changes: the overlay came between the last call that did not show
//           it and the first that did (the midpoint counts; the widest half gap is printed);
//   Mutter  its focus log, read again and again until it gives the keyboard to the tool's
//           window (Mutter has no screenshot interface; the portal of the tests gives the
//           picture, so this counts the portal round trip).
// Beside the tool, in the same rounds, the toolkit's floor there: a Qt full-screen window
// confirming its configurations as the tool does (quillet_toolkit_floor --confirm), watched the
// same way (on sway by its change of nearly all pixels, the tool by its red border).
// Prints one line per desktop and program: the median and every run, in milliseconds, and the
// tool's median over the floor's.
//   usage: quillet_desktop_launch [runs] [sway|kwin|mutter ...]
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "support/child_process.h"
#include "support/kwin_session.h"
#include "support/mutter_session.h"
#include "support/tool_run.h"
#include "support/wayland_session.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWidth = 1920, kHeight = 1080;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A program that shows a window: the tool (an interactive capture), or the toolkit's floor.
enum class Contestant { Tool, Floor };

// One run of `who`: the time until `shown` first holds, or -1 after 10 s or an early exit.
double timeToOverlay(Contestant who, const std::vector<std::string>& env,
                     const std::function<bool()>& shown, double* resolution = nullptr) {
    ToolRun tool;
    pid_t floor = -1;
    const Clock::time_point start = Clock::now();
    if (who == Contestant::Tool) {
        if (!tool.start({{}, 0, 0}, "", env)) return -1;
    } else {
        std::vector<std::string> floorEnv = env;
        floorEnv.push_back("QT_QPA_PLATFORM=wayland");
        floor = spawnProgram({QUILLET_TOOLKIT_FLOOR, "--confirm"}, floorEnv);
        if (floor < 0) return -1;
    }
    const auto running = [&] {
        return who == Contestant::Tool ? tool.running() : waitpid(floor, nullptr, WNOHANG) == 0;
    };
    const auto stop = [&] {
        if (who == Contestant::Tool) {
            tool.stop();
        } else {
            stopProgram(floor);
        }
    };
    double before = 0;
    while (millisecondsSince(start) < 10000 && running()) {
        const double asked = millisecondsSince(start);
        if (shown()) {
            const double end = millisecondsSince(start);
            if (resolution != nullptr) *resolution = std::max(*resolution, (asked - before) / 2);
            stop();
            return resolution != nullptr ? (before + asked) / 2 : end;
        }
        before = asked;
    }
    stop();
    return -1;
}

void report(const char* desktop, std::vector<double> runs, double resolution = 0) {
    std::vector<double> sorted = runs;
    std::sort(sorted.begin(), sorted.end());
    std::printf("%-7s median %6.1f ms", desktop, sorted.empty() ? -1.0 : sorted[sorted.size() / 2]);
    if (resolution > 0) std::printf(" (±%.1f)", resolution);
    std::printf("  runs:");
    for (double r : runs) std::printf(" %.1f", r);
    std::printf("\n");
    std::fflush(stdout);
}

double median(std::vector<double> runs) {
    std::sort(runs.begin(), runs.end());
    return runs.empty() ? -1.0 : runs[runs.size() / 2];
}

void reportPair(const char* desktop, const std::vector<double>& tool,
                const std::vector<double>& floor, double resolution = 0) {
    report(desktop, tool, resolution);
    report((std::string(desktop) + " floor").c_str(), floor, resolution);
    std::printf("%-7s tool / floor %.2f\n", desktop, median(tool) / median(floor));
    std::fflush(stdout);
}

void sway(int runs) {
    WaylandSession session({{kWidth, kHeight}});
    if (!session.ok()) return (void)std::printf("sway: %s\n", session.error().c_str());
    std::vector<double> times, floorTimes;
    const auto watch = [&](const std::vector<std::string>& argv) {
        const ProgramOutput out = runProgram(argv, session.clientEnvironment());
        return out.status == 0 ? out.bytes.trimmed().split(' ').front().toDouble() : -1;
    };
    for (int i = 0; i < runs; ++i) {
        times.push_back(watch({QUILLET_WL_OVERLAY_WATCH, "--red-left-edge", QUILLET_CAPTURE_BINARY,
                               "startfromlocal,,,,0,0,0,0,0,0"}));
        floorTimes.push_back(watch({QUILLET_WL_OVERLAY_WATCH, "env", "QT_QPA_PLATFORM=wayland",
                                    QUILLET_TOOLKIT_FLOOR, "--confirm"}));
    }
    reportPair("sway", times, floorTimes);
}

// A small area at the left edge of KWin's screen (where the overlay offering the whole screen
// draws its border), as its screenshot interface gives it to this
// program (which the session's .desktop entries name): cheap enough to ask for every few
// milliseconds.
QByteArray kwinArea(const QDBusConnection& bus) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return {};
    QByteArray bytes;
    std::thread reader([&] {
        char buffer[4096];
        ssize_t n;
        while ((n = read(ends[0], buffer, sizeof buffer)) > 0) bytes.append(buffer, n);
    });
    QDBusMessage call =
        QDBusMessage::createMethodCall("org.kde.KWin.ScreenShot2", "/org/kde/KWin/ScreenShot2",
                                       "org.kde.KWin.ScreenShot2", "CaptureArea");
    call << 0 << kHeight / 2 << 16u << 16u << QVariantMap{{"include-cursor", false}}
         << QVariant::fromValue(QDBusUnixFileDescriptor(ends[1]));
    close(ends[1]);
    const QDBusMessage reply = bus.call(call, QDBus::Block, 10000);
    call = QDBusMessage();  // its copy of the write end, so that the reader meets the end
    reader.join();
    return reply.type() == QDBusMessage::ReplyMessage ? bytes : QByteArray();
}

void kwin(int runs, const std::string& self) {
    KWinSession session(kWidth, kHeight, {QUILLET_CAPTURE_BINARY, QUILLET_KWIN_SHOT, self});
    if (!session.ok()) return (void)std::printf("kwin: %s\n", session.error().c_str());
    std::string address;
    for (const std::string& entry : session.clientEnvironment()) {
        if (entry.starts_with("DBUS_SESSION_BUS_ADDRESS=")) address = entry.substr(25);
    }
    const QDBusConnection bus =
        QDBusConnection::connectToBus(QString::fromStdString(address), "kwin");
    const QByteArray desktop = kwinArea(bus);
    if (desktop.isEmpty()) return (void)std::printf("kwin: no screenshot for this program\n");
    std::vector<double> times, floorTimes;
    double resolution = 0;
    for (int i = 0; i < runs; ++i) {
        for (const Contestant who : {Contestant::Tool, Contestant::Floor}) {
            (who == Contestant::Tool ? times : floorTimes)
                .push_back(timeToOverlay(
                    who, session.clientEnvironment(),
                    [&] {
                        const QByteArray shown = kwinArea(bus);
                        return !shown.isEmpty() && shown != desktop;
                    },
                    &resolution));
            // The screen back as it was before the next run.
            while (kwinArea(bus) != desktop) usleep(10000);
        }
    }
    reportPair("kwin", times, floorTimes, resolution);
}

void mutter(int runs) {
    MutterSession session(kWidth, kHeight);
    if (!session.ok()) return (void)std::printf("mutter: %s\n", session.error().c_str());
    QTemporaryDir dir;
    const QString picture = dir.filePath("Screenshot.png");
    QImage desktop(kWidth, kHeight, QImage::Format_RGB32);
    desktop.fill(QColor(40, 90, 140));
    std::vector<double> times, floorTimes;
    for (int i = 0; i < runs; ++i) {
        const int beforeFloor = session.newestFocusedWindow();
        floorTimes.push_back(timeToOverlay(Contestant::Floor, session.clientEnvironment(), [&] {
            return session.newestFocusedWindow() > beforeFloor;
        }));
        desktop.save(picture, "PNG");  // the tool removes the portal's file once read
        // The portal says "ready" once it is on the bus.
        int ready[2];
        if (pipe2(ready, O_CLOEXEC) != 0) return;
        const pid_t portal =
            spawnProgram({QUILLET_FAKE_PORTAL, "0", picture.toStdString(), "--store=yes"},
                         session.clientEnvironment(), ready[1]);
        close(ready[1]);
        char line[16];
        const bool onTheBus = read(ready[0], line, sizeof line) > 0;
        close(ready[0]);
        if (!onTheBus) return (void)std::printf("mutter: no portal\n");
        const int before = session.newestFocusedWindow();
        times.push_back(timeToOverlay(Contestant::Tool, session.clientEnvironment(),
                                      [&] { return session.newestFocusedWindow() > before; }));
        stopProgram(portal);
    }
    reportPair("mutter", times, floorTimes);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    std::vector<std::string> desktops(argv + std::min(argc, 2), argv + argc);
    if (desktops.empty()) desktops = {"sway", "kwin", "mutter"};
    std::printf("launch to overlay at %dx%d, %d runs each\n", kWidth, kHeight, runs);
    for (const std::string& d : desktops) {
        if (d == "sway") sway(runs);
        if (d == "kwin") kwin(runs, QCoreApplication::applicationFilePath().toStdString());
        if (d == "mutter") mutter(runs);
    }
    return 0;
}
