// quillet-capture: one interactive or automatic screen capture per process, launched by a
// host that reads the outcome from the result file and the exit status.

#include <QApplication>
#include <QStringList>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "app/app_delegate.h"
#include "app/launch_request.h"
#include "app/real_platform.h"
#include "app/runtime_directory.h"
#include "app/usage.h"
#include "model/capture_param.h"
#include "platform/clipboard.h"
#include "platform/qtxcb/clipboard_helper.h"
#include "platform/qtxcb/display_check.h"

namespace {
constexpr int kExitCannotRecord = -3;
}

int main(int argc, char** argv) {
    // A host may close its end of our standard error before we are done: the log line that
    // follows must fail quietly, not end the process before the result is written. The same
    // holds for the clipboard helper, whose X connection may go away under a write.
    std::signal(SIGPIPE, SIG_IGN);
    // "--help" or "--version" alone: answered without a display; with any other argument
    // beside it, it is an ordinary argument of a capture.
    if (const auto status = answerInformationRequest(argc, argv)) return *status;
    if (argc > 1 && std::strcmp(argv[1], kClipboardHelperFlag) == 0) {
        return runClipboardHelper(argc, argv);
    }
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
    RealPlatform platform(std::move(display.connection));
    // An automatic capture ends on the clipboard: its helper process starts now, so that its
    // start-up runs alongside ours.
    if (isAutomaticCapture(launchAutoCaptureFlag(arguments)))
        platform.services().clipboard->prepare();

    // The capture reads the screen and the window list through X11 itself.
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    AppDelegate delegate(platform.services());
    delegate.applicationDidFinishLaunching(arguments);
    return QApplication::exec();
}
