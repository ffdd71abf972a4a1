#include "platform/qtxcb/display_check.h"

#include <xcb/xcb.h>

#include <cstdlib>

std::optional<std::string> xDisplayProblem() {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
        return std::string("no X display: DISPLAY is not set");
    }
    xcb_connection_t* connection = xcb_connect(display, nullptr);
    const bool failed = xcb_connection_has_error(connection) != 0;
    xcb_disconnect(connection);
    if (failed) return "cannot connect to the X display \"" + std::string(display) + "\"";
    return std::nullopt;
}
