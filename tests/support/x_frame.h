#pragma once
// Where a window really is on the root window: its top-level ancestor (the window manager's
// frame around a client, or the client itself without a window manager), as X reports it.

#include <xcb/xcb.h>

#include <cstdlib>

#include "platform/geometry.h"

// In root pixels, top-left origin, borders included; empty when the window does not exist.
inline Rect frameGeometry(xcb_connection_t* c, xcb_window_t window) {
    for (;;) {
        auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr);
        if (tree == nullptr) break;
        const bool parentIsRoot = tree->parent == tree->root;
        const xcb_window_t parent = tree->parent;
        std::free(tree);
        if (parentIsRoot) break;
        window = parent;
    }
    auto* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
    if (g == nullptr) return {};
    const Rect frame{double(g->x), double(g->y), double(g->width + 2 * g->border_width),
                     double(g->height + 2 * g->border_width)};
    std::free(g);
    return frame;
}
