#include "prepare/x11_window_state.h"

#include <QGuiApplication>
#include <cstdlib>
#include <string>

#include "platform/qtxcb/xcb_connection.h"

namespace x11_window_state {
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

bool compositingManagerRuns() {
    xcb_connection_t* c = qtConnection();
    if (c == nullptr) return false;
    const std::string name = "_NET_WM_CM_S" + std::to_string(screenNumber());
    auto atom = xcbReply(c, xcb_intern_atom(c, 0, uint16_t(name.size()), name.c_str()),
                         xcb_intern_atom_reply);
    if (!atom) return false;
    auto owner = xcbReply(c, xcb_get_selection_owner(c, atom->atom), xcb_get_selection_owner_reply);
    return owner && owner->owner != XCB_WINDOW_NONE;
}

xcb_window_t screenTopLevel(const QWidget& window) {
    xcb_connection_t* c = qtConnection();
    if (c == nullptr || !window.isWindow()) return 0;
    xcb_window_t w = xcb_window_t(window.winId());
    // Up the tree to the child of the root: a reparenting window manager's frame.
    for (int depth = 0; depth < 16; ++depth) {
        auto tree = xcbReply(c, xcb_query_tree(c, w), xcb_query_tree_reply);
        if (!tree || tree->parent == XCB_WINDOW_NONE || tree->parent == tree->root) return w;
        w = tree->parent;
    }
    return w;
}

bool isOffScreen(xcb_window_t topLevel) {
    xcb_connection_t* c = qtConnection();
    if (c == nullptr || topLevel == 0) return true;
    xcb_flush(c);
    auto attributes =
        xcbReply(c, xcb_get_window_attributes(c, topLevel), xcb_get_window_attributes_reply);
    return !attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE;
}

void sync() {
    if (xcb_connection_t* c = qtConnection()) {
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    }
}

}  // namespace x11_window_state
