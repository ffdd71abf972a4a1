#pragma once
// Where the pointer is, asked of the compositor before anything of ours is shown. A Wayland
// client learns the pointer's place only from its entering one of the client's surfaces: a
// transparent surface of the wlr layer shell (sway, KWin) is laid over every output for a
// moment, taking no keyboard and changing no pixel, and the one the pointer stands over is
// told where. The surfaces are gone (and the compositor has seen them go) before locate()
// returns.

#include <memory>
#include <optional>

#include "platform/geometry.h"
#include "platform/wayland/wayland_display.h"

class PointerProbe {
public:
    explicit PointerProbe(std::shared_ptr<WaylandDisplay> display)
        : m_display(std::move(display)) {}

    // The pointer in the compositor's logical space; nothing where the compositor has no layer
    // shell, the seat no pointer, or the compositor says nothing within `timeoutMs`.
    std::optional<Point> locate(int timeoutMs);

private:
    std::shared_ptr<WaylandDisplay> m_display;
};
