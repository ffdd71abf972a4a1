#pragma once
// Whether an X display can be reached, asked before Qt is started: Qt's xcb platform
// aborts the process when it cannot connect.

#include <memory>
#include <optional>
#include <string>

class XcbConnection;

// The connection the check made, or a one-line description of why no X display can be used.
struct DisplayCheck {
    std::shared_ptr<XcbConnection> connection;
    std::string problem;  // empty when there is a connection
};

// Connects to DISPLAY. A process that captures keeps this very connection until it exits: an
// X server that resets when its last client leaves (Xvfb's default) would otherwise reset
// between the check and the next connection, which then may meet a server in mid-reset.
DisplayCheck connectToXDisplay();

// Whether DISPLAY names an X display that accepts a connection now (one made and closed).
bool xDisplayReachable();
