#pragma once
// Which output a grab of a display rectangle copies: display coordinates start at the main
// (first) output's corner, and a rectangle goes to the output it overlaps most (the main one
// where it overlaps none).

#include <vector>

#include "platform/geometry.h"
#include "platform/wayland/wayland_display.h"

// `output`'s place in display coordinates, among `outputs` (the main one first).
inline Rect displayRectOf(const WaylandOutput& output, const std::vector<WaylandOutput>& outputs) {
    const Rect& main = outputs.front().logical;
    return {output.logical.x - main.x, output.logical.y - main.y, output.logical.width,
            output.logical.height};
}

// The output `displayRect` overlaps most; null when there are no outputs.
inline const WaylandOutput* outputUnder(const std::vector<WaylandOutput>& outputs,
                                        const Rect& displayRect) {
    if (outputs.empty()) return nullptr;
    const WaylandOutput* best = &outputs.front();
    double bestOverlap = 0;
    for (const WaylandOutput& o : outputs) {
        const Rect overlap = displayRect.intersected(displayRectOf(o, outputs));
        if (overlap.width * overlap.height > bestOverlap) {
            best = &o;
            bestOverlap = overlap.width * overlap.height;
        }
    }
    return best;
}
