#include "app/real_platform.h"

#include <cstdlib>
#include <optional>

#include "platform/grab_recorder.h"
#include "platform/qtxcb/clipboard_keeper.h"
#include "platform/qtxcb/qt_dialogs.h"
#include "platform/qtxcb/qt_screens.h"
#include "platform/qtxcb/signal_termination.h"
#include "platform/qtxcb/system_clock.h"
#include "platform/qtxcb/system_exit.h"
#include "platform/qtxcb/system_log.h"
#include "platform/qtxcb/x11_permission_probe.h"
#include "platform/qtxcb/x11_window_state.h"
#include "platform/qtxcb/xcb_connection.h"
#include "platform/qtxcb/xcb_screen_grabber.h"
#include "platform/qtxcb/xcb_window_list.h"

struct RealPlatform::Parts {
    explicit Parts(std::shared_ptr<XcbConnection> c) : connection(std::move(c)) {}

    std::shared_ptr<XcbConnection> connection;
    SystemLog log;
    SystemClock clock;
    SystemExit processExit;
    QtScreens screens;
    XcbWindowList windowList{connection};
    XcbScreenGrabber grabber{connection, &screens};
    ClipboardKeeper clipboard{ClipboardKeeper::helperExecutable()};
    QtDialogs dialogs;
    X11PermissionProbe permissionProbe;
    SignalTermination termination;
    X11WindowState windowState;
    std::optional<GrabRecorder> recorder;
};

RealPlatform::RealPlatform(std::shared_ptr<XcbConnection> connection)
    : m_parts(std::make_unique<Parts>(std::move(connection))) {
    Parts& p = *m_parts;
    // The first grab into fresh memory pays for its page faults; this does that now, in the
    // background, while the rest of the start-up runs.
    p.grabber.prepare();
    ScreenGrabber* grabber = &p.grabber;
    // For tests: every grab is also written to this file.
    if (const char* path = std::getenv("QUILLET_RECORD_GRABS"); path != nullptr && *path != '\0') {
        grabber = &p.recorder.emplace(p.grabber, QString::fromLocal8Bit(path));
    }
    m_services = PlatformServices{
        &p.log,       &p.clock,   &p.processExit,     &p.screens,     &p.windowList, grabber,
        &p.clipboard, &p.dialogs, &p.permissionProbe, &p.termination, &p.windowState};
}

RealPlatform::~RealPlatform() = default;

void RealPlatform::useScreens(DesktopScreens* screens) {
    Parts& p = *m_parts;
    DesktopScreens* chosen = screens ? screens : &p.screens;
    m_services.screens = chosen;
    p.grabber.setScreens(chosen);
}
