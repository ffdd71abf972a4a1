#pragma once
// An interactive capture on a private X server with openbox and three windows of known
// content, driven by real input; shared by the end-to-end tests of the overlay and of the
// annotation tools.

#include <gtest/gtest.h>

#include <QImage>
#include <QJsonObject>
#include <QRegion>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "controls/strip_items.h"
#include "platform/geometry.h"
#include "support/geometry_printers.h"
#include "support/test_images.h"
#include "support/test_pattern_run.h"
#include "support/tool_outcome.h"
#include "support/tool_run.h"
#include "support/x_frame.h"
#include "support/x_readback.h"
#include "support/x_session.h"
#include "support/x_waiter.h"

using namespace std::chrono_literals;

class CaptureE2E : public ::testing::Test {
protected:
    void SetUp() override { startSession({1280, 800, true}); }

    void startSession(XSessionOptions options) {
        session = std::make_unique<XSession>(options);
        ASSERT_TRUE(session->ok()) << session->error();
        ASSERT_TRUE(pattern.start(display(), {{200, 150, 400, 300, "front"},
                                              {500, 300, 500, 350, "back"},
                                              {60, 500, 300, 200, "third"}}))
            << pattern.error();
        restingScreen = grabRoot(display()).convertToFormat(QImage::Format_RGB32);
    }
    // A fresh run of the tool in the same session. The windows the last run's overlay covered
    // repaint themselves once it is gone (the server keeps no copy of them); the next run
    // starts when they have, so that it freezes the screen the test expects.
    void restartTool() {
        tool.reset();
        const auto deadline = std::chrono::steady_clock::now() + 15s;
        QRegion unlike;
        do {
            const QImage now = grabRoot(display()).convertToFormat(QImage::Format_RGB32);
            unlike = now.size() == restingScreen.size()
                         ? test_images::changedPixels(now, restingScreen) - decorations()
                         : QRegion(0, 0, 1, 1);
            if (unlike.isEmpty()) return;
            std::this_thread::sleep_for(10ms);
        } while (std::chrono::steady_clock::now() < deadline);
        FAIL() << "the screen was not repainted after the last run, around "
               << unlike.boundingRect().x() << "," << unlike.boundingRect().y();
    }
    const std::string& display() const { return session->display(); }
    Rect frameOf(xcb_window_t client) const {
        XWaiter x(display());
        return x.ok() ? frameGeometry(x.connection(), client) : Rect{};
    }

    // Starts an interactive capture and waits until its window has the keyboard focus.
    void startInteractive(QJsonObject parameters = {}, const std::vector<std::string>& env = {}) {
        XWaiter waiter(display());
        ASSERT_TRUE(waiter.ok());
        waiter.watchRootProperties();
        const xcb_atom_t pidAtom = waiter.atom("_NET_WM_PID");
        const QImage before = frozenMatchesScreen
                                  ? grabRoot(display()).convertToFormat(QImage::Format_RGB32)
                                  : QImage();
        ASSERT_TRUE(tool.start({parameters}, display(), env));
        const auto activeIsOurs = [&] {
            const xcb_window_t window = waiter.activeWindow();
            if (window == 0) return false;
            auto* p = xcb_get_property_reply(
                waiter.connection(),
                xcb_get_property(waiter.connection(), 0, window, pidAtom, XCB_ATOM_CARDINAL, 0, 1),
                nullptr);
            const bool ours = p && xcb_get_property_value_length(p) == 4 &&
                              *static_cast<uint32_t*>(xcb_get_property_value(p)) ==
                                  static_cast<uint32_t>(tool.pid());
            std::free(p);
            return ours;
        };
        const bool ready =
            activeIsOurs() ||
            waiter.waitFor(
                [&](const xcb_generic_event_t* e) {
                    return (e->response_type & 0x7f) == XCB_PROPERTY_NOTIFY && activeIsOurs();
                },
                15s);
        ASSERT_TRUE(ready) << "the capture window did not get the focus\n" << tool.standardError();
        // The reference for what the capture produces is the screen as the tool froze it: the
        // window manager may still be redrawing title bars (their look follows the focus)
        // while the tool starts. Apart from those, it is the screen as the test saw it.
        frozenScreen = tool.frozenScreen().convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(frozenScreen.isNull()) << "the tool recorded no grab";
        if (!frozenMatchesScreen) return;
        ASSERT_EQ(frozenScreen.size(), before.size());
        const QRegion unlike = test_images::changedPixels(frozenScreen, before) - decorations();
        ASSERT_TRUE(unlike.isEmpty())
            << "the tool froze other pixels than the screen's, around " << unlike.boundingRect().x()
            << "," << unlike.boundingRect().y();
    }
    // The window that has the focus, as the window manager says.
    xcb_window_t activeWindow() const {
        XWaiter x(display());
        return x.ok() ? x.activeWindow() : 0;
    }
    // Asks the window manager to close `window`, as its close button or Alt+F4 would, until
    // the tool has ended or `timeout` has passed. Openbox 3.6 may leave a request unhandled
    // until another event reaches it, so each round is followed by a request it always
    // answers (frame extents), which also tells when it has handled the one before.
    void askWindowManagerToClose(xcb_window_t window, std::chrono::milliseconds timeout = 10s) {
        XWaiter x(display());
        ASSERT_TRUE(x.ok());
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        // From a pager or similar (source 2): the user's own request.
        x.sendToWindowManager(window, x.atom("_NET_CLOSE_WINDOW"), XCB_CURRENT_TIME, 2);
        while (tool.running() && std::chrono::steady_clock::now() < deadline) {
            x.sendToWindowManager(window, x.atom("_NET_REQUEST_FRAME_EXTENTS"));
            if (tool.waitForExit(100ms)) return;
        }
    }
    void input(const std::vector<std::string>& arguments) {
        ASSERT_TRUE(xdotool(display(), arguments));
    }
    // Presses the left button at `from`, moves through `via` and releases at `to`.
    // Returns once the tool has handled every input sent before: an undo with nothing to undo
    // goes through the same X connection and is logged, so events that do not reach the tool
    // through X (a signal, the server's end) come after them.
    void waitUntilInputHandled() {
        const std::string line = "onUndo";
        const std::size_t before = countOf(tool.standardError(), line);
        input({"key", "ctrl+z"});
        const auto deadline = std::chrono::steady_clock::now() + 15s;
        while (countOf(tool.standardError(), line) == before) {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline)
                << "the tool did not handle its input\n"
                << tool.standardError();
            std::this_thread::sleep_for(10ms);
        }
    }
    static std::size_t countOf(const std::string& text, const std::string& line) {
        std::size_t count = 0;
        for (std::size_t at = text.find(line); at != std::string::npos;
             at = text.find(line, at + 1)) {
            ++count;
        }
        return count;
    }
    void drag(std::pair<int, int> from, std::pair<int, int> to,
              std::vector<std::pair<int, int>> via = {}) {
        const auto move = [&](std::pair<int, int> p) {
            input({"mousemove", std::to_string(p.first), std::to_string(p.second)});
        };
        move(from);
        input({"mousedown", "1"});
        for (const auto& p : via) move(p);
        move(to);
        input({"mouseup", "1"});
    }
    // Clicks the control `member` of a strip placed at `strip` (view coordinates on a screen
    // `screenHeight` points high), the way the tool places it.
    void clickControl(const Rect& strip, const std::vector<StripItem>& items, const QString& member,
                      int screenHeight) {
        for (const StripItem& item : items) {
            if (item.member != member) continue;
            const double x = strip.x + item.frame.x + item.frame.width / 2;
            const double y = screenHeight - (strip.y + item.frame.y + item.frame.height / 2);
            input({"mousemove", std::to_string(int(x)), std::to_string(int(y))});
            input({"click", "1"});
            return;
        }
        ADD_FAILURE() << "no control " << member.toStdString();
    }
    QJsonObject finish(int expectedStatus) { return finishedResult(tool, expectedStatus); }
    QImage pastedImage() { return QImage::fromData(pasteClipboard(display())); }

    // The pasted image equals the screen as captured inside the rectangle.
    void expectClipboardShows(const Rect& g) {
        const QRect area(int(g.x), int(g.y), int(g.width), int(g.height));
        const QImage pasted = pastedImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(pasted.size(), area.size());
        const QRegion differs = test_images::changedPixels(pasted, screenAsCaptured().copy(area)) -
                                unsettledPixels().translated(-area.topLeft());
        EXPECT_TRUE(differs.isEmpty()) << "the clipboard differs from the screen";
    }

    // Title bars and borders of the pattern windows, in root pixels. Their look follows the
    // keyboard focus, which moves to the capture and back while the screen is compared, and
    // may still be settling when a test starts; the windows' content does not change.
    QRegion decorations() const {
        QRegion r;
        for (const PatternWindow& w : pattern.windows()) {
            const Rect f = frameOf(w.id);
            r += QRegion(int(f.x), int(f.y), int(f.width), int(f.height)) -
                 QRegion(w.x, w.y, w.width, w.height);
        }
        return r;
    }

    // The screen as the tool saw it: as it froze it for an interactive capture, or as it is
    // for an automatic one, which changes nothing on the screen.
    QImage screenAsCaptured() const {
        return frozenScreen.isNull() ? grabRoot(display()).convertToFormat(QImage::Format_RGB32)
                                     : frozenScreen;
    }
    // Pixels of the screen as captured that may have changed since the capture: none for
    // the frozen screen, the title bars for the screen read afterwards.
    QRegion unsettledPixels() const { return frozenScreen.isNull() ? decorations() : QRegion(); }

    QImage frozenScreen;
    QImage restingScreen;  // the pattern's windows as they were first painted
    // Whether startInteractive checks the frozen screen against the root's pixels as
    // grabRoot reads them, which it can only for 8 bits a channel in 32-bit pixels.
    bool frozenMatchesScreen = true;
    std::unique_ptr<XSession> session;
    TestPatternRun pattern;
    ToolRun tool;
};
