// quillet-capture: one interactive or automatic screen capture per process, launched by a
// host that reads the outcome from the result file and the exit status.

#include <dlfcn.h>
#include <unistd.h>

#include <QFile>
#include <QStringList>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>

#include "app/input_method_choice.h"
#include "app/launch_request.h"
#include "app/library_file_check.h"
#include "app/platform_choice.h"
#include "app/real_platform.h"
#include "app/runtime_directory.h"
#include "app/standard_streams.h"
#include "app/toolkit_launch.h"
#include "app/usage.h"
#include "capture/automatic_capture.h"
#include "model/capture_param.h"
#include "model/capture_result.h"
#include "platform/clipboard.h"
#include "platform/clock.h"
#include "platform/local_path.h"
#include "platform/log.h"
#include "platform/process_exit.h"
#include "platform/qtxcb/display_check.h"
#include "platform/qtxcb/xcb_connection.h"
#include "platform/system/companion_path.h"
#include "platform/system/signal_termination.h"
#include "platform/system/system_exit.h"
#include "platform/wayland/wayland_display.h"

namespace {

int cannotRecord(const std::string& problem) {
    std::fprintf(stderr, "quillet-capture: cannot record the screen: %s\n", problem.c_str());
    return kExitCannotRecord;
}

// The status of a capture that ran without windows: the one its result asked for (the real
// exit ends the process there; this is for a delivery that returned).
int finishedWithoutWindows() {
    return SystemExit::requestedStatus().value_or(kExitCannotRecord);
}

std::string machineId() {
    for (const char* path : {"/var/lib/dbus/machine-id", "/etc/machine-id"}) {
        QFile file(QString::fromLatin1(path));
        if (file.open(QIODevice::ReadOnly)) {
            const QByteArray id = file.readLine().trimmed();
            if (!id.isEmpty()) return id.toStdString();
        }
    }
    return {};
}

// Qt's ibus plugin finds ibus's address file by the session's display names, which
// nameWaylandSocketByItsPath changes: the file is named for it first (IBUS_ADDRESS_FILE), unless
// the environment names the address already.
void keepIbusAddressFile() {
    if (!qgetenv("IBUS_ADDRESS").isEmpty() || !qgetenv("IBUS_ADDRESS_FILE").isEmpty()) return;
    QByteArray config = qgetenv("XDG_CONFIG_HOME");
    if (config.isEmpty()) config = qgetenv("HOME") + "/.config";
    const std::string file =
        ibusAddressFile(config.toStdString(), machineId(), qgetenv("WAYLAND_DISPLAY").toStdString(),
                        qgetenv("DISPLAY").toStdString());
    if (!file.empty() && QFile::exists(QString::fromStdString(file))) {
        qputenv("IBUS_ADDRESS_FILE", QByteArray::fromStdString(file));
    }
}

// Qt finds the compositor by WAYLAND_DISPLAY inside XDG_RUNTIME_DIR, which the tool may have
// to replace with a directory of its own: the socket is named by its full path first.
void nameWaylandSocketByItsPath() {
    const QByteArray display = qgetenv("WAYLAND_DISPLAY");
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray name = display.isEmpty() ? QByteArray("wayland-0") : display;
    if (name.startsWith('/') || runtime.isEmpty()) return;
    qputenv("WAYLAND_DISPLAY", runtime + '/' + name);
}

// The widget toolkit's side: beside the program (a build), else where the package puts it.
std::string toolkitLibraryPath() {
    return companionPath(kToolkitLibraryName, toolkitModuleFolder(), R_OK);
}

// The widget toolkit's side, loaded once; null when it cannot be, `problem` then says why.
ToolkitEntry loadToolkit(std::string* problem = nullptr) {
    static std::string failure;
    static const ToolkitEntry entry = []() -> ToolkitEntry {
        const std::string path = toolkitLibraryPath();
        // A file cut short would be mapped as its headers declare and kill us with SIGBUS.
        if (const auto problem = incompleteLibraryProblem(path)) {
            failure = path + " is incomplete (" + *problem + "); reinstall the package";
            return nullptr;
        }
        // Every symbol bound now: a module that needs what we lack is refused here, with
        // dlerror's line, instead of dying at its first call.
        void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        const auto found =
            library ? reinterpret_cast<ToolkitEntry>(dlsym(library, kToolkitEntryName)) : nullptr;
        if (found == nullptr) {
            const char* why = dlerror();
            failure = why ? why : "";
        }
        return found;
    }();
    if (problem) *problem = failure;
    return entry;
}

// Runs the capture with windows on the widget toolkit's side, which ends the process; without
// it the capture cannot be shown.
[[noreturn]] void runWithToolkit(const ToolkitLaunch& launch) {
    std::string problem;
    const ToolkitEntry entry = loadToolkit(&problem);
    if (entry == nullptr) {
        SystemExit::exitNow(cannotRecord("the windows cannot be loaded: " + problem));
    }
    entry(launch);
    SystemExit::exitNow(kExitCannotRecord);  // the entry ends the process itself
}

// A capture in a Wayland session: the screens and the grab through our own connection to the
// compositor, the windows through Qt's Wayland platform.
int runOnWayland(int argc, char** argv, const QStringList& arguments) {
    std::string problem;
    std::shared_ptr<WaylandDisplay> display = WaylandDisplay::connect(&problem);
    if (!display) return cannotRecord(problem);
    const QByteArray forced = qgetenv("QUILLET_WAYLAND_CAPTURE");
    const WaylandCaptureChoice route = chooseWaylandCapture(
        display->screencopy() != nullptr,
        forced.isNull() ? std::nullopt : std::optional<std::string>(forced.toStdString()));
    if (!route.capture) return cannotRecord(route.problem.toStdString());
    // Without data control (GNOME), the X11 clipboard of the compositor's Xwayland outlives us.
    const QByteArray forcedClipboard = qgetenv("QUILLET_WAYLAND_CLIPBOARD");
    const bool dataControl = display->dataControl() != nullptr;
    const WaylandClipboard clipboard = chooseWaylandClipboard(
        dataControl, !dataControl && xDisplayReachable(),
        forcedClipboard.isNull() ? std::nullopt
                                 : std::optional<std::string>(forcedClipboard.toStdString()));
    // The clipboard helper serves the clipboard the same way.
    qputenv("QUILLET_WAYLAND_CLIPBOARD", waylandClipboardName(clipboard));
    nameWaylandSocketByItsPath();
    ensureRuntimeDirectory();
    RealPlatform platform(display, *route.capture, clipboard == WaylandClipboard::FocusedWindow);
    const PlatformServices& services = platform.services();
    const LaunchRequest request =
        readLaunchRequest(arguments, *services.log, services.clock->now().milliseconds());
    const bool automatic = request.cmdType != -1 && isAutomaticCapture(request.autoCaptureFlag);
    // KWin and the portal answer through the session bus, which needs the toolkit's event
    // loop; a clipboard that only a window may set needs it too.
    const bool needsToolkit =
        *route.capture != WaylandCapture::Screencopy || platform.needsWindowForClipboard();
    if (automatic && !platform.needsWindowForClipboard()) services.clipboard->prepare();
    if (automatic && !needsToolkit) {
        platform.assembleWaylandAutomatic();
        if (runWithoutWindows(request, services)) return finishedWithoutWindows();
    }
    setLostDisplayName(QStringLiteral("the Wayland compositor"));
    runWithToolkit({argc, argv, "wayland", wl_display_get_fd(display->get()), &platform, &request,
                    automatic && needsToolkit});
}

}  // namespace

int main(int argc, char** argv) {
    ensureStandardStreamsOpen();
    // A host that ends us from now on gets a result (cancelled) rather than none.
    SignalTermination::install();
    // A host may close its end of our standard error before we are done: the log line that
    // follows must fail quietly, not end the process before the result is written.
    std::signal(SIGPIPE, SIG_IGN);
    // "--help" or "--version" alone: answered without a display; with any other argument
    // beside it, it is an ordinary argument of a capture.
    if (const auto status = answerInformationRequest(argc, argv)) return *status;
    // Taken before QApplication, which removes the arguments it recognises.
    QStringList arguments;
    // File names in them stay the bytes given, even where those are not UTF-8.
    for (int i = 0; i < argc; ++i) arguments.append(localPathFromBytes(argv[i]));

    // What the launch argument asks for, before anything is read: work worth starting at once.
    const bool automaticAsked = launchAsksForAutomaticCapture(arguments);
    // A capture with windows loads them first, as a program linked with the toolkit would:
    // later, their loading would compete with the grab's preparation for the processors.
    if (!automaticAsked) loadToolkit();

    const PlatformChoice choice = choosePlatformFromEnvironment();
    if (!choice.system) return cannotRecord(choice.problem.toStdString());
    // The clipboard helper serves the clipboard of the same window system.
    qputenv("QUILLET_PLATFORM", platformName(*choice.system));
    keepIbusAddressFile();
    if (*choice.system == WindowSystem::Wayland) return runOnWayland(argc, argv, arguments);

    DisplayCheck display = connectToXDisplay();
    if (!display.connection) return cannotRecord(display.problem);
    // Before the clipboard helper inherits our environment and before Qt looks for it.
    ensureRuntimeDirectory();
    const std::shared_ptr<XcbConnection> connection = display.connection;
    // An automatic capture ends on the clipboard: its helper process starts now, so that its
    // start-up (and its connection to the server) runs alongside ours.
    RealPlatform platform(std::move(display.connection), automaticAsked);
    const PlatformServices& services = platform.services();
    // The launch argument and the parameter file, read once.
    const LaunchRequest request =
        readLaunchRequest(arguments, *services.log, services.clock->now().milliseconds());
    const bool automatic = request.cmdType != -1 && isAutomaticCapture(request.autoCaptureFlag);
    // Its clipboard helper is starting already (automaticAsked). It needs no window, so it runs
    // without the widget toolkit when the screens can be known without it.
    const bool screensWithoutToolkit = automatic && platform.assembleX11Automatic();
    if (screensWithoutToolkit && runWithoutWindows(request, services)) {
        return finishedWithoutWindows();
    }

    // The capture reads the screen and the window list through X11 itself. An automatic
    // capture whose screens only Qt can tell (a scaling variable that only it reads) runs
    // there with Qt's screens.
    runWithToolkit({argc, argv, "xcb", xcb_get_file_descriptor(connection->get()), &platform,
                    &request, automatic && !screensWithoutToolkit});
}
