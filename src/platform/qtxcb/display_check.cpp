#include "platform/qtxcb/display_check.h"

#include <cstdlib>
#include <cstring>

#include "platform/qtxcb/root_pixel_format.h"
#include "platform/qtxcb/xcb_connection.h"

DisplayCheck connectToXDisplay() {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
        return {nullptr, "no X display: DISPLAY is not set"};
    }
    auto connection = XcbConnection::open(display);
    if (!connection)
        return {nullptr, "cannot connect to the X display \"" + std::string(display) + "\""};
    const RootPixelFormat format = readRootPixelFormat(connection->get(), connection->screen());
    if (!format.isCapturable()) return {nullptr, format.problem()};
    return {std::move(connection), {}};
}

std::optional<std::string> waylandSessionProblem() {
    const char* sessionType = std::getenv("XDG_SESSION_TYPE");
    const char* waylandDisplay = std::getenv("WAYLAND_DISPLAY");
    if ((sessionType && std::strcmp(sessionType, "wayland") == 0) ||
        (waylandDisplay && *waylandDisplay != '\0')) {
        return "a Wayland session: through XWayland only X11 windows can be seen, the rest of "
               "the screen would come out black";
    }
    return std::nullopt;
}
