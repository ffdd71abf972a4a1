// quillet-capture: one interactive or automatic screen capture per process, launched by a
// host that reads the outcome from the result file and the exit status.

#include <QApplication>
#include <QStringList>
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>

#include "app/app_delegate.h"
#include "app/launch_request.h"
#include "app/real_platform.h"
#include "app/runtime_directory.h"
#include "app/usage.h"
#include "capture/automatic_capture.h"
#include "model/capture_param.h"
#include "platform/clipboard.h"
#include "platform/clock.h"
#include "platform/qtxcb/display_check.h"
#include "platform/qtxcb/xcb_screens.h"

namespace {
constexpr int kExitCannotRecord = -3;
}

int main(int argc, char** argv) {
    // A host may close its end of our standard error before we are done: the log line that
    // follows must fail quietly, not end the process before the result is written.
    std::signal(SIGPIPE, SIG_IGN);
    // "--help" or "--version" alone: answered without a display; with any other argument
    // beside it, it is an ordinary argument of a capture.
    if (const auto status = answerInformationRequest(argc, argv)) return *status;
    // Taken before QApplication, which removes the arguments it recognises.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));

    auto cannotRecord = [](const std::string& problem) {
        std::fprintf(stderr, "quillet-capture: cannot record the screen: %s\n", problem.c_str());
        return kExitCannotRecord;
    };
    if (const auto problem = waylandSessionProblem()) return cannotRecord(*problem);
    DisplayCheck display = connectToXDisplay();
    if (!display.connection) return cannotRecord(display.problem);
    // Before the clipboard helper inherits our environment and before Qt looks for it.
    ensureRuntimeDirectory();
    const std::shared_ptr<XcbConnection> connection = display.connection;
    RealPlatform platform(std::move(display.connection));
    const PlatformServices& services = platform.services();
    std::optional<QJsonObject> command;
    uint64_t launchTimeMs = 0;
    std::unique_ptr<XcbScreens> xcbScreens;
    if (isAutomaticCapture(launchAutoCaptureFlag(arguments))) {
        // An automatic capture ends on the clipboard: its helper process starts now, so that
        // its start-up runs alongside ours.
        services.clipboard->prepare();
        // It needs no window, so it runs without the widget toolkit when the screens can be
        // known without it.
        xcbScreens = XcbScreens::create(connection);
        if (xcbScreens) {
            platform.useScreens(xcbScreens.get());
            launchTimeMs = services.clock->now().milliseconds();
            command = buildCommandObject(arguments, *services.log);
            if (runWithoutWindows(*command, services, launchTimeMs)) return 0;
            platform.useScreens(nullptr);
        }
    }

    // The capture reads the screen and the window list through X11 itself.
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    AppDelegate delegate(services);
    if (command) {
        delegate.applicationDidFinishLaunching(*command, launchTimeMs);
    } else {
        delegate.applicationDidFinishLaunching(arguments);
    }
    return QApplication::exec();
}
