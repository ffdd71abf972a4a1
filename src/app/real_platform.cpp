#include "app/real_platform.h"

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/desktop_screens.h"
#include "platform/frozen_desktop_grabber.h"
#include "platform/grab_recorder.h"
#include "platform/qtxcb/x11_permission_probe.h"
#include "platform/qtxcb/xcb_connection.h"
#include "platform/qtxcb/xcb_screen_grabber.h"
#include "platform/system/clipboard_keeper.h"
#include "platform/system/signal_termination.h"
#include "platform/system/system_clock.h"
#include "platform/system/system_exit.h"
#include "platform/system/system_log.h"
#include "platform/wayland/screencopy_grabber.h"
#include "platform/wayland/wayland_display.h"
#include "platform/wayland/wayland_screens.h"

struct RealPlatform::Parts {
    SystemLog log;
    SystemClock clock;
    SystemExit processExit;
    ClipboardKeeper clipboard{ClipboardKeeper::helperExecutable()};
    X11PermissionProbe x11Permission;
    SignalTermination termination;
    std::optional<GrabRecorder> recorder;
    std::optional<FrozenDesktopGrabber> frozen;
    ToolkitServices toolkit;

    // What differs between the window systems.
    std::shared_ptr<XcbConnection> connection;
    std::shared_ptr<WaylandDisplay> display;
    std::unique_ptr<WaylandScreens> waylandScreens;
    DesktopScreens* chosenScreens = nullptr;  // X11: without the toolkit
    std::unique_ptr<ScreenGrabber> grabber;
    XcbScreenGrabber* xcbGrabber = nullptr;  // X11 only
    WaylandCapture capture = WaylandCapture::Screencopy;
    bool windowForClipboard = false;

    // The grabber the toolkit's side gave, else our own: what freezing and recording wrap.
    ScreenGrabber* baseGrabber() const { return toolkit.grabber ? toolkit.grabber : grabber.get(); }
};

RealPlatform::RealPlatform(std::shared_ptr<XcbConnection> connection, bool automaticCapture)
    : m_parts(std::make_unique<Parts>()) {
    Parts& p = *m_parts;
    p.connection = connection;
    // Before the grab's preparation, which allocates the screen's memory: the helper's start
    // (a vfork) runs alongside that rather than after it.
    if (automaticCapture) p.clipboard.prepare();
    auto grabber = std::make_unique<XcbScreenGrabber>(std::move(connection));
    // An automatic capture asks for the screen now and takes that picture as its grab. A
    // capture with windows does not: the server, busy copying the screen into fresh memory,
    // would hold up the toolkit's own start-up behind it (at 3840 x 2160, 30 ms of it against
    // 20 ms saved at the grab).
    if (automaticCapture) grabber->prepare(true);
    p.xcbGrabber = grabber.get();
    p.grabber = std::move(grabber);
    assemble();
}

RealPlatform::RealPlatform(std::shared_ptr<WaylandDisplay> display, WaylandCapture capture,
                           bool windowForClipboard)
    : m_parts(std::make_unique<Parts>()) {
    Parts& p = *m_parts;
    p.display = display;
    p.capture = capture;
    p.waylandScreens = std::make_unique<WaylandScreens>(display);
    if (capture == WaylandCapture::Screencopy) {
        p.grabber = std::make_unique<ScreencopyGrabber>(display);
    }
    p.windowForClipboard = windowForClipboard;
    assemble();
}

void RealPlatform::assemble() {
    Parts& p = *m_parts;
    const ToolkitServices& t = p.toolkit;
    ScreenGrabber* grabber = p.frozen ? &*p.frozen : p.baseGrabber();
    // For tests: every grab the capture gets is also written to this file.
    if (const char* path = std::getenv("QUILLET_RECORD_GRABS"); path != nullptr && *path != '\0') {
        p.recorder.reset();
        if (grabber) grabber = &p.recorder.emplace(*grabber, QString::fromLocal8Bit(path));
    }
    DesktopScreens* screens = p.waylandScreens  ? p.waylandScreens.get()
                              : p.chosenScreens ? p.chosenScreens
                                                : t.screens;
    if (p.xcbGrabber) p.xcbGrabber->setScreens(screens);
    m_services = PlatformServices{&p.log,
                                  &p.clock,
                                  &p.processExit,
                                  screens,
                                  t.windowList,
                                  grabber,
                                  t.clipboard ? t.clipboard : &p.clipboard,
                                  t.dialogs,
                                  t.permissionProbe ? t.permissionProbe : &p.x11Permission,
                                  &p.termination,
                                  t.windowState};
}

RealPlatform::~RealPlatform() = default;

void RealPlatform::useScreens(DesktopScreens* screens) {
    m_parts->chosenScreens = screens;
    assemble();
}

void RealPlatform::attachToolkit(const ToolkitServices& toolkit) {
    m_parts->toolkit = toolkit;
    assemble();
}

void RealPlatform::freezeDesktopAtFirstGrab() {
    Parts& p = *m_parts;
    ScreenGrabber* base = p.baseGrabber();
    if (p.frozen || base == nullptr || m_services.screens == nullptr) return;
    p.frozen.emplace(*base, *m_services.screens);
    assemble();
}

std::shared_ptr<XcbConnection> RealPlatform::xcbConnection() const {
    return m_parts->connection;
}

std::shared_ptr<WaylandDisplay> RealPlatform::waylandDisplay() const {
    return m_parts->display;
}

WaylandScreens* RealPlatform::waylandScreens() const {
    return m_parts->waylandScreens.get();
}

WaylandCapture RealPlatform::waylandCapture() const {
    return m_parts->capture;
}

bool RealPlatform::needsWindowForClipboard() const {
    return m_parts->windowForClipboard;
}
