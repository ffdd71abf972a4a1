// quillet-clipboard-helper: keeps a finished capture on the clipboard after the capturing
// process has ended (see clipboard_helper.h). Started by quillet-capture only, which tells it
// the window system through QUILLET_PLATFORM (and, on Wayland, the clipboard's route through
// QUILLET_WAYLAND_CLIPBOARD). A program of its own, linked without the widget
// toolkit, so that it is up before the capture has its pixels.

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/platform_choice.h"
#include "platform/clipboard_helper.h"
#include "platform/qtxcb/x_clipboard_server.h"
#include "platform/wayland/data_control_server.h"

int main(int argc, char** argv) {
    // The connection may go away under a write: that must end in an error, not a signal.
    std::signal(SIGPIPE, SIG_IGN);
    if (argc < 2 || std::strcmp(argv[1], kClipboardHelperFlag) != 0) {
        std::fprintf(stderr, "quillet-clipboard-helper: started by quillet-capture only\n");
        return 2;
    }
    const PlatformChoice choice = choosePlatformFromEnvironment();
    return runClipboardHelper([&]() -> std::unique_ptr<ClipboardServer> {
        // On Wayland, the route the capture chose (see chooseWaylandClipboard); the X11 one
        // there is the compositor's Xwayland display.
        const char* route = std::getenv("QUILLET_WAYLAND_CLIPBOARD");
        const bool xwayland =
            route &&
            std::strcmp(route, waylandClipboardName(WaylandClipboard::XwaylandSelection)) == 0;
        if (choice.system == WindowSystem::Wayland && !xwayland) {
            return DataControlServer::connect(kClipboardPngMime);
        }
        return XClipboardServer::connect(kClipboardPngMime);
    });
}
