#include "prepare/x11_window_state.h"

#include <QGuiApplication>
#include <cstdlib>
#include <memory>
#include <string>

namespace x11_window_state {
namespace {

xcb_connection_t* qtConnection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

struct Free {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, Free>;

// Errors are freed here rather than left to Qt's event queue.
template <typename R, typename C>
Reply<R> reply(xcb_connection_t* c, C cookie,
               R* (*get)(xcb_connection_t*, C, xcb_generic_error_t**)) {
    xcb_generic_error_t* error = nullptr;
    Reply<R> r(get(c, cookie, &error));
    std::free(error);
    return r;
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
    auto atom =
        reply(c, xcb_intern_atom(c, 0, uint16_t(name.size()), name.c_str()), xcb_intern_atom_reply);
    if (!atom) return false;
    auto owner = reply(c, xcb_get_selection_owner(c, atom->atom), xcb_get_selection_owner_reply);
    return owner && owner->owner != XCB_WINDOW_NONE;
}

xcb_window_t screenTopLevel(const QWidget& window) {
    xcb_connection_t* c = qtConnection();
    if (c == nullptr || !window.isWindow()) return 0;
    xcb_window_t w = xcb_window_t(window.winId());
    // Up the tree to the child of the root: a reparenting window manager's frame.
    for (int depth = 0; depth < 16; ++depth) {
        auto tree = reply(c, xcb_query_tree(c, w), xcb_query_tree_reply);
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
        reply(c, xcb_get_window_attributes(c, topLevel), xcb_get_window_attributes_reply);
    return !attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE;
}

void sync() {
    if (xcb_connection_t* c = qtConnection()) {
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    }
}

}  // namespace x11_window_state
