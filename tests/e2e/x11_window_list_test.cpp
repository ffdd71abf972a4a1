// The on-screen window list against real windows on a private X server, with the openbox
// window manager (frames around clients) and without one (clients are root children).
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRasterWindow>

#include "e2e/x11_test_fixture.h"
#include "platform/qtxcb/xcb_window_list.h"
#include "support/x_frame.h"
#include "support/x_waiter.h"

namespace {

using namespace std::chrono_literals;
using test_pattern::WindowSpec;

template <typename T>
XcbReply<T> reply(T* r) {
    return XcbReply<T>(r);
}

Rect clientRect(const PatternWindow& w) {
    return {double(w.x), double(w.y), double(w.width), double(w.height)};
}

bool contains(const Rect& outer, const Rect& inner) {
    return inner.left() >= outer.left() && inner.right() <= outer.right() &&
           inner.bottom() >= outer.bottom() && inner.top() <= outer.top();
}

std::string describe(const std::vector<Rect>& rects) {
    std::ostringstream out;
    for (const Rect& r : rects)
        out << "(" << r.x << ", " << r.y << ", " << r.width << ", " << r.height << ") ";
    return out.str();
}

// What the list must show for the given clients, front-most first: their frames under a
// window manager (checked to be larger than the client and to contain it), else themselves.
std::vector<Rect> expectedBounds(X11Platform& platform, bool windowManager,
                                 const std::vector<const PatternWindow*>& frontToBack) {
    std::vector<Rect> bounds;
    for (const PatternWindow* w : frontToBack) {
        if (!windowManager) {
            bounds.push_back(clientRect(*w));
            continue;
        }
        const Rect frame = frameGeometry(platform.connection->get(), w->id);
        EXPECT_TRUE(contains(frame, clientRect(*w)) && frame.width > w->width &&
                    frame.height > w->height)
            << w->name << ": frame " << describe({frame}) << " around client "
            << describe({clientRect(*w)});
        bounds.push_back(frame);
    }
    return bounds;
}

class WindowListE2E : public testing::TestWithParam<bool> {
protected:
    bool windowManager() const { return GetParam(); }
    XSessionOptions options() const { return {1280, 800, windowManager()}; }
};

TEST_P(WindowListE2E, ListsOrdinaryWindowsFrontMostFirstAndNoDocksTooltipsOrOverrides) {
    X11Platform platform(options());
    ASSERT_TRUE(platform.ok()) << platform.session.error();
    TestPatternRun pattern;
    ASSERT_TRUE(
        pattern.start(platform.session.display(), {{50, 60, 300, 200, "normal", "normal"},
                                                   {200, 150, 400, 300, "dialog", "dialog"},
                                                   {0, 740, 1280, 60, "dock", "dock"},
                                                   {600, 100, 150, 40, "tooltip", "tooltip"},
                                                   {700, 400, 200, 100, "override", "override"},
                                                   {300, 300, 200, 100, "popup", "popup_menu"},
                                                   {900, 300, 300, 250, "front", "normal"}}))
        << pattern.error();
    const auto& w = pattern.windows();

    XcbWindowList list(platform.connection);
    const std::vector<Rect> listed = list.onScreenWindows();
    const std::vector<Rect> expected =
        expectedBounds(platform, windowManager(), {&w[6], &w[1], &w[0]});
    EXPECT_EQ(listed, expected) << "listed: " << describe(listed)
                                << "\nexpected: " << describe(expected);
}

TEST_P(WindowListE2E, UnmappedAndMinimisedWindowsDropOut) {
    X11Platform platform(options());
    ASSERT_TRUE(platform.ok()) << platform.session.error();
    TestPatternRun pattern;
    ASSERT_TRUE(pattern.start(platform.session.display(), {{50, 60, 300, 200, "stays"},
                                                           {400, 100, 300, 200, "minimised"},
                                                           {700, 300, 300, 200, "withdrawn"}}))
        << pattern.error();
    const auto& w = pattern.windows();
    XWaiter waiter(platform.session.display());
    ASSERT_TRUE(waiter.ok());
    waiter.watchRootChildren();
    xcb_connection_t* c = waiter.connection();
    // The root hears about its own children only: the frames under a window manager.
    auto topOf = [&](xcb_window_t window) {
        auto tree = reply(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
        return tree ? tree->parent : xcb_window_t{0};
    };
    const xcb_window_t minimisedTop = windowManager() ? topOf(w[1].id) : w[1].id;
    const xcb_window_t withdrawnTop = windowManager() ? topOf(w[2].id) : w[2].id;

    if (windowManager()) {
        // ICCCM: a client asks to be iconified with WM_CHANGE_STATE sent to the root window.
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = w[1].id;
        message.type = waiter.atom("WM_CHANGE_STATE");
        message.data.data32[0] = 3;  // IconicState
        xcb_send_event(c, 0, waiter.root(),
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
    } else {
        xcb_unmap_window(c, w[1].id);
    }
    xcb_unmap_window(c, w[2].id);
    xcb_flush(c);
    bool minimisedGone = false;
    bool withdrawnGone = false;
    ASSERT_TRUE(waiter.waitFor(
        [&](const xcb_generic_event_t* e) {
            if ((e->response_type & 0x7f) == XCB_UNMAP_NOTIFY) {
                const auto* u = reinterpret_cast<const xcb_unmap_notify_event_t*>(e);
                minimisedGone |= u->window == minimisedTop;
                withdrawnGone |= u->window == withdrawnTop;
            }
            return minimisedGone && withdrawnGone;
        },
        10s));

    XcbWindowList list(platform.connection);
    const std::vector<Rect> listed = list.onScreenWindows();
    const std::vector<Rect> expected = expectedBounds(platform, windowManager(), {&w[0]});
    EXPECT_EQ(listed, expected) << "listed: " << describe(listed)
                                << "\nexpected: " << describe(expected);
}

// Creates and maps a bare window on `waiter`'s connection and waits until it is on screen.
xcb_window_t mapBareWindow(XWaiter& waiter, Rect r, bool withOurPid) {
    xcb_connection_t* c = waiter.connection();
    const xcb_window_t window = xcb_generate_id(c);
    const uint32_t values[] = {0x808080, XCB_EVENT_MASK_EXPOSURE};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, waiter.root(), int16_t(r.x), int16_t(r.y),
                      uint16_t(r.width), uint16_t(r.height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    if (withOurPid) {
        const uint32_t pid = static_cast<uint32_t>(getpid());
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, waiter.atom("_NET_WM_PID"),
                            XCB_ATOM_CARDINAL, 32, 1, &pid);
    }
    xcb_map_window(c, window);
    xcb_flush(c);
    const bool exposed = waiter.waitFor(
        [window](const xcb_generic_event_t* e) {
            return (e->response_type & 0x7f) == XCB_EXPOSE &&
                   reinterpret_cast<const xcb_expose_event_t*>(e)->window == window;
        },
        10s);
    EXPECT_TRUE(exposed);
    return window;
}

TEST_P(WindowListE2E, OurOwnWindowsAreNotListedByIdOrByProcess) {
    X11Platform platform(options());
    ASSERT_TRUE(platform.ok()) << platform.session.error();
    TestPatternRun pattern;
    ASSERT_TRUE(pattern.start(platform.session.display(), {{50, 60, 300, 200, "other"}}))
        << pattern.error();

    QRasterWindow own;
    own.setGeometry(400, 100, 300, 200);
    own.show();
    QElapsedTimer timer;
    timer.start();
    while (!own.isExposed() && timer.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    }
    ASSERT_TRUE(own.isExposed());
    XWaiter waiter(platform.session.display());
    ASSERT_TRUE(waiter.ok());
    // Without _NET_WM_PID only its id tells that the Qt window is ours.
    xcb_delete_property(waiter.connection(), static_cast<xcb_window_t>(own.winId()),
                        waiter.atom("_NET_WM_PID"));
    mapBareWindow(waiter, {750, 100, 200, 150}, true);  // ours by process id only
    const xcb_window_t foreign = mapBareWindow(waiter, {750, 400, 200, 150}, false);

    XcbWindowList list(platform.connection);
    const std::vector<Rect> listed = list.onScreenWindows();
    const Rect foreignBounds =
        windowManager() ? frameGeometry(waiter.connection(), foreign) : Rect{750, 400, 200, 150};
    const std::vector<Rect> expected = {
        foreignBounds, expectedBounds(platform, windowManager(), {&pattern.windows()[0]})[0]};
    EXPECT_EQ(listed, expected) << "listed: " << describe(listed)
                                << "\nexpected: " << describe(expected);
}

INSTANTIATE_TEST_SUITE_P(WindowManager, WindowListE2E, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? "Openbox" : "NoWindowManager";
                         });

TEST(WindowListScaledE2E, BoundsAreInPointsOnAScaledScreen) {
    X11Platform platform({1280, 800}, "2");
    ASSERT_TRUE(platform.ok()) << platform.session.error();
    TestPatternRun pattern;
    ASSERT_TRUE(pattern.start(platform.session.display(), {{100, 60, 400, 300, "scaled"}}))
        << pattern.error();
    XcbWindowList list(platform.connection);
    EXPECT_EQ(list.onScreenWindows(), (std::vector<Rect>{{50, 30, 200, 150}}));
    EXPECT_EQ(list.onScreenWindowsInRootPixels(), (std::vector<Rect>{{100, 60, 400, 300}}));
}

}  // namespace
