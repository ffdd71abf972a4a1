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

bool xDisplayReachable() {
    const char* display = std::getenv("DISPLAY");
    return display != nullptr && *display != '\0' && XcbConnection::open(display) != nullptr;
}
