#include "platform/qtxcb/display_check.h"

#include <cstdlib>

#include "platform/qtxcb/xcb_connection.h"

DisplayCheck connectToXDisplay() {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
        return {nullptr, "no X display: DISPLAY is not set"};
    }
    auto connection = XcbConnection::open(display);
    if (!connection)
        return {nullptr, "cannot connect to the X display \"" + std::string(display) + "\""};
    return {std::move(connection), {}};
}

std::optional<std::string> xDisplayProblem() {
    DisplayCheck check = connectToXDisplay();
    if (check.connection) return std::nullopt;
    return std::move(check.problem);
}
