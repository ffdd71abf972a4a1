#pragma once
// Whether an X display can be reached, asked before Qt is started: Qt's xcb platform
// aborts the process when it cannot connect.

#include <optional>
#include <string>

// A one-line description of why no X display can be used, or nothing when one can.
std::optional<std::string> xDisplayProblem();
