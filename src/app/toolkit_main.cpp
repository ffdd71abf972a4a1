// The widget toolkit's side of quillet-capture, loaded by the program only when the capture
// needs windows.

#include <QApplication>
#include <string_view>

#include "app/app_delegate.h"
#include "app/display_loss.h"
#include "app/launch_request.h"
#include "app/real_platform.h"
#include "app/toolkit_input_method.h"
#include "app/toolkit_launch.h"
#include "app/toolkit_platform.h"
#include "capture/automatic_capture.h"
#include "model/capture_result.h"
#include "platform/log.h"
#include "platform/system/system_exit.h"

// The capture with the widget toolkit on Qt's `platformPlugin`. From here on a display that goes
// away (the server behind `displayFd`, a connection of ours) ends the process as one that
// cannot record: never as finished (Qt's own exit status) nor with an abort. An automatic
// capture that needed the toolkit (`automaticNeedsToolkit`) runs first and ends the process;
// otherwise the launch goes to the capture window or the prepare panel.
extern "C" [[noreturn]] __attribute__((visibility("default"))) void quilletRunWithToolkit(
    const ToolkitLaunch& launch) {
    RealPlatform& platform = *launch.platform;
    const LaunchRequest& request = *launch.request;
    AppDelegate* started = nullptr;
    treatAbnormalEndsAfterDisplayLossAsCannotRecord(launch.displayFd);
    if (std::string_view(launch.platformPlugin) == "xcb") keepXlibsLossMessageOut();
    watchForDisplayLoss([&](const QString&) {
        if (started) started->displayLost();
        platform.services().log->write(lostDisplayLine());
        // Qt ends the process itself right after this message: before it does.
        SystemExit::exitNow(kExitCannotRecord);
    });
    qputenv("QT_QPA_PLATFORM", launch.platformPlugin);
    if (const std::optional<std::string> named = nameRunningInputMethod()) {
        platform.services().log->write(
            QStringLiteral("text is typed through the running input method (QT_IM_MODULE=%1)")
                .arg(QString::fromStdString(*named)));
    }
    int argc = launch.argc;
    QApplication app(argc, launch.argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ToolkitPlatform toolkit(platform, request.texts.permission);
    const PlatformServices& services = platform.services();
    if (launch.automaticNeedsToolkit && runWithoutWindows(request, services)) {
        SystemExit::endIfRequested();
        SystemExit::exitNow(kExitCannotRecord);  // delivered without a status: never expected
    }
    toolkit.prepareWindows();
    AppDelegate delegate(services);
    started = &delegate;
    delegate.applicationDidFinishLaunching(request);
    // An outcome delivered inside a wait of the start-up (a signal while KWin or the portal was
    // asked) ended that wait's loop only: the main loop must not start after it.
    SystemExit::endIfRequested();
    // The capture asked the loop to end with its result kind (see SystemExit); a loop that
    // ended otherwise ended without a capture.
    QApplication::exec();
    SystemExit::exitNow(SystemExit::requestedStatus().value_or(kExitCannotRecord));
}
