#include "platform/qtxcb/x11_window_state.h"

#include <QGuiApplication>
#include <cstdlib>
#include <string>

#include "platform/qtxcb/xcb_connection.h"

namespace {

xcb_connection_t* qtConnection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// The screen number of DISPLAY (":1.2" is screen 2); Qt does not hand out its own.
int screenNumber() {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr) return 0;
    const std::string d(display);
    const auto colon = d.rfind(':');
    const auto dot = d.find('.', colon == std::string::npos ? 0 : colon);
    return dot == std::string::npos ? 0 : std::atoi(d.c_str() + dot + 1);
}

}  // namespace

bool X11WindowState::compositingManagerRuns() {
    xcb_connection_t* c = qtConnection();
    if (c == nullptr) return false;
    const std::string name = "_NET_WM_CM_S" + std::to_string(screenNumber());
    auto atom = xcbReply(c, xcb_intern_atom(c, 0, uint16_t(name.size()), name.c_str()),
                         xcb_intern_atom_reply);
    if (!atom) return false;
    auto owner = xcbReply(c, xcb_get_selection_owner(c, atom->atom), xcb_get_selection_owner_reply);
    return owner && owner->owner != XCB_WINDOW_NONE;
}

uintptr_t X11WindowState::screenTopLevel(uintptr_t nativeId) {
    xcb_connection_t* c = qtConnection();
    if (c == nullptr || nativeId == 0) return 0;
    auto w = xcb_window_t(nativeId);
    // Up the tree to the child of the root: a reparenting window manager's frame.
    for (int depth = 0; depth < 16; ++depth) {
        auto tree = xcbReply(c, xcb_query_tree(c, w), xcb_query_tree_reply);
        if (!tree || tree->parent == XCB_WINDOW_NONE || tree->parent == tree->root) return w;
        w = tree->parent;
    }
    return w;
}

bool X11WindowState::isOffScreen(uintptr_t topLevel) {
    xcb_connection_t* c = qtConnection();
    if (c == nullptr || topLevel == 0) return true;
    xcb_flush(c);
    auto attributes = xcbReply(c, xcb_get_window_attributes(c, xcb_window_t(topLevel)),
                               xcb_get_window_attributes_reply);
    return !attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE;
}
