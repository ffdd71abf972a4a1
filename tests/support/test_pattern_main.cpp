// quillet_test_pattern: maps top-level windows filled with the test pattern, one after the
// other (the last one front-most), and prints "<window id> <name> <x>,<y>,<w>,<h>" (the
// client's root geometry) once each is on screen and painted. Runs until SIGTERM.
//
//   quillet_test_pattern --window X,Y,W,H[,NAME[,KIND]] [--window ...]

#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "support/test_pattern.h"

namespace {

using test_pattern::WindowSpec;

xcb_atom_t internAtom(xcb_connection_t* c, const std::string& name) {
    auto* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(name.size()), name.c_str()), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

void setProperty(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property, xcb_atom_t type,
                 uint8_t format, uint32_t count, const void* data) {
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, property, type, format, count, data);
}

// The pattern goes into a pixmap that becomes the window's background, so the server repaints
// every exposure itself and the program needs no drawing loop.
xcb_pixmap_t patternPixmap(xcb_connection_t* c, xcb_screen_t* screen, int index,
                           const WindowSpec& spec) {
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    xcb_create_pixmap(c, screen->root_depth, pixmap, screen->root, spec.width, spec.height);
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, pixmap, 0, nullptr);
    const std::size_t rowBytes = static_cast<std::size_t>(spec.width) * 4;
    const std::size_t maxRequestBytes = xcb_get_maximum_request_length(c) * 4u - 64;
    const int stripRows = static_cast<int>(std::max<std::size_t>(1, maxRequestBytes / rowBytes));
    std::vector<uint32_t> strip(static_cast<std::size_t>(spec.width) * stripRows);
    for (int top = 0; top < spec.height; top += stripRows) {
        const int rows = std::min(stripRows, spec.height - top);
        for (int y = 0; y < rows; ++y) {
            for (int x = 0; x < spec.width; ++x) {
                strip[static_cast<std::size_t>(y) * spec.width + x] =
                    test_pattern::pixel(index, x, top + y);
            }
        }
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, spec.width, rows, 0, top, 0,
                      screen->root_depth, static_cast<uint32_t>(rowBytes * rows),
                      reinterpret_cast<const uint8_t*>(strip.data()));
    }
    xcb_free_gc(c, gc);
    return pixmap;
}

xcb_window_t createWindow(xcb_connection_t* c, xcb_screen_t* screen, int index,
                          const WindowSpec& spec) {
    const xcb_window_t window = xcb_generate_id(c);
    const xcb_pixmap_t background = patternPixmap(c, screen, index, spec);
    const uint32_t values[] = {background, spec.kind == "override" ? 1u : 0u,
                               XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_PROPERTY_CHANGE};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, spec.x, spec.y, spec.width,
                      spec.height, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXMAP | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
    xcb_free_pixmap(c, background);

    setProperty(c, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, spec.name.size(),
                spec.name.data());
    setProperty(c, window, internAtom(c, "_NET_WM_NAME"), internAtom(c, "UTF8_STRING"), 8,
                spec.name.size(), spec.name.data());
    const char wmClass[] = "quillet_test_pattern\0QuilletTestPattern";
    setProperty(c, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, sizeof(wmClass), wmClass);
    const uint32_t pid = static_cast<uint32_t>(getpid());
    setProperty(c, window, internAtom(c, "_NET_WM_PID"), XCB_ATOM_CARDINAL, 32, 1, &pid);
    // USPosition | USSize | PPosition | PSize: the window manager keeps the given place.
    uint32_t hints[18] = {1 | 2 | 4 | 8, static_cast<uint32_t>(spec.x),
                          static_cast<uint32_t>(spec.y), static_cast<uint32_t>(spec.width),
                          static_cast<uint32_t>(spec.height)};
    setProperty(c, window, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
    if (spec.kind != "override") {
        std::string type = "_NET_WM_WINDOW_TYPE_" + spec.kind;
        for (char& ch : type) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        const xcb_atom_t typeAtom = internAtom(c, type);
        setProperty(c, window, internAtom(c, "_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 1,
                    &typeAtom);
    }
    return window;
}

// Returns true when `match` accepted an event before the timeout; other events are dropped.
bool waitForEvent(xcb_connection_t* c, const std::function<bool(const xcb_generic_event_t*)>& match,
                  std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            const bool matched = match(event);
            std::free(event);
            if (matched) return true;
        }
        if (xcb_connection_has_error(c)) return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd pfd{xcb_get_file_descriptor(c), POLLIN, 0};
        poll(&pfd, 1, static_cast<int>(left.count()));
    }
}

bool hasWindowManager(xcb_connection_t* c, xcb_window_t root) {
    auto* reply = xcb_get_property_reply(
        c,
        xcb_get_property(c, 0, root, internAtom(c, "_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW, 0,
                         1),
        nullptr);
    const bool present = reply != nullptr && reply->type == XCB_ATOM_WINDOW;
    std::free(reply);
    return present;
}

// Waits until the window manager answers a _NET_REQUEST_FRAME_EXTENTS for `window`. Openbox
// 3.6 can leave an event that arrived during its start-up unhandled until another one comes,
// so a map request sent right after it announced itself may wait indefinitely; asking again
// until it answers proves that its event loop runs before the window is mapped.
bool awaitWindowManager(xcb_connection_t* c, xcb_window_t root, xcb_window_t window) {
    const xcb_atom_t request = internAtom(c, "_NET_REQUEST_FRAME_EXTENTS");
    const xcb_atom_t extents = internAtom(c, "_NET_FRAME_EXTENTS");
    for (int attempt = 0; attempt < 100; ++attempt) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = request;
        xcb_send_event(c, 0, root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
        xcb_flush(c);
        const bool answered = waitForEvent(
            c,
            [&](const xcb_generic_event_t* e) {
                if ((e->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return false;
                const auto* p = reinterpret_cast<const xcb_property_notify_event_t*>(e);
                return p->window == window && p->atom == extents;
            },
            std::chrono::milliseconds(100));
        if (answered) return true;
    }
    return false;
}

// Blocks until `window` receives its first Expose: then it is viewable and its background,
// the pattern, has been painted.
bool waitForExpose(xcb_connection_t* c, xcb_window_t window) {
    return waitForEvent(
        c,
        [window](const xcb_generic_event_t* e) {
            return (e->response_type & 0x7f) == XCB_EXPOSE &&
                   reinterpret_cast<const xcb_expose_event_t*>(e)->window == window;
        },
        std::chrono::seconds(60));
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<WindowSpec> specs;
    for (int i = 1; i < argc; ++i) {
        const auto spec = (std::strcmp(argv[i], "--window") == 0 && i + 1 < argc)
                              ? WindowSpec::parse(argv[++i])
                              : std::nullopt;
        if (!spec) {
            std::fprintf(stderr, "usage: %s --window X,Y,W,H[,NAME[,KIND]] ...\n", argv[0]);
            return 2;
        }
        specs.push_back(*spec);
    }
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "quillet_test_pattern: cannot connect to the X display\n");
        return 1;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber; ++i) xcb_screen_next(&it);
    xcb_screen_t* screen = it.data;

    const bool windowManager = hasWindowManager(c, screen->root);
    for (std::size_t i = 0; i < specs.size(); ++i) {
        const xcb_window_t window = createWindow(c, screen, static_cast<int>(i), specs[i]);
        if (windowManager && specs[i].kind != "override" &&
            !awaitWindowManager(c, screen->root, window)) {
            std::fprintf(stderr, "quillet_test_pattern: the window manager does not answer\n");
            return 1;
        }
        xcb_map_window(c, window);
        xcb_flush(c);
        if (!waitForExpose(c, window)) return 1;
        const auto whereCookie = xcb_translate_coordinates(c, window, screen->root, 0, 0);
        const auto sizeCookie = xcb_get_geometry(c, window);
        auto* where = xcb_translate_coordinates_reply(c, whereCookie, nullptr);
        auto* size = xcb_get_geometry_reply(c, sizeCookie, nullptr);
        if (!where || !size) return 1;
        std::printf("%u %s %d,%d,%d,%d\n", window, specs[i].name.c_str(), where->dst_x,
                    where->dst_y, size->width, size->height);
        std::fflush(stdout);
        std::free(where);
        std::free(size);
    }
    // Nothing left to do but keep the windows: the default SIGTERM action ends the process.
    while (xcb_generic_event_t* event = xcb_wait_for_event(c)) std::free(event);
    return 0;
}
