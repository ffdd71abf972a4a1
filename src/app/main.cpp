// quillet-capture: one interactive or automatic screen capture per process, launched by a
// host that reads the outcome from the result file and the exit status.

#include <QApplication>
#include <QStringList>
#include <cstdio>
#include <cstring>

#include "app/app_delegate.h"
#include "platform/qtxcb/clipboard_helper.h"
#include "platform/qtxcb/display_check.h"
#include "platform/qtxcb/qt_dialogs.h"
#include "platform/qtxcb/system_clock.h"
#include "platform/qtxcb/system_exit.h"
#include "platform/qtxcb/system_log.h"
#include "platform/qtxcb/x11_permission_probe.h"

namespace {
constexpr int kExitCannotRecord = -3;
}

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], kClipboardHelperFlag) == 0) {
        return runClipboardHelper(argc, argv);
    }
    // Taken before QApplication, which removes the arguments it recognises.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));

    if (const auto problem = xDisplayProblem()) {
        std::fprintf(stderr, "quillet-capture: cannot record the screen: %s\n", problem->c_str());
        return kExitCannotRecord;
    }
    // The capture reads the screen and the window list through X11 itself.
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    SystemLog log;
    SystemClock clock;
    SystemExit processExit;
    QtDialogs dialogs;
    X11PermissionProbe permissionProbe;
    PlatformServices platform;
    platform.log = &log;
    platform.clock = &clock;
    platform.processExit = &processExit;
    platform.dialogs = &dialogs;
    platform.permissionProbe = &permissionProbe;

    AppDelegate delegate(platform);
    delegate.applicationDidFinishLaunching(arguments);
    return QApplication::exec();
}
