// Prepare mode with the real binary on a private X server with openbox: the panel appears in
// the middle of the screen with the keyboard, Escape's release and the close button cancel,
// a drag stops flush with the screen's edge, and Start leads to a capture that holds no pixel
// of the panel.
#include "e2e/capture_e2e_fixture.h"

namespace {

constexpr int kScreenW = 1280, kScreenH = 800;
constexpr int kPanelW = 280, kPanelH = 185;

class PrepareE2E : public CaptureE2E {
protected:
    // Launches in prepare mode (flag 3) and waits until the panel is mapped with the focus.
    void startPrepare(QJsonObject parameters = {}) {
        XWaiter waiter(display());
        ASSERT_TRUE(waiter.ok());
        waiter.watchRootProperties();
        beforeLaunch = grabRoot(display()).convertToFormat(QImage::Format_RGB32);
        ASSERT_TRUE(tool.start({parameters, 0, 3}, display()));
        ASSERT_TRUE(waiter.waitFor(
            [&](const xcb_generic_event_t* e) {
                return (e->response_type & 0x7f) == XCB_PROPERTY_NOTIFY &&
                       (panel = activePanel(waiter)) != 0;
            },
            15s))
            << "the panel did not get the focus\n"
            << tool.standardError();
    }
    // The active window (as the window manager says), when it has this size.
    static xcb_window_t activeOfSize(XWaiter& w, int width, int height) {
        const xcb_window_t window = w.activeWindow();
        if (window == 0) return 0;
        const Rect r = frameGeometry(w.connection(), window);
        return r.width == width && r.height == height ? window : 0;
    }
    xcb_window_t activePanel(XWaiter& w) { return activeOfSize(w, kPanelW, kPanelH); }
    Rect panelFrame() const { return frameOf(panel); }
    // The panel's frame once it stands at `expected`, or as it is after five seconds: the tool
    // and the window manager move it a moment after the pointer has moved.
    Rect panelFrameWhenAt(const Rect& expected) {
        XWaiter waiter(display());
        if (!waiter.ok()) return panelFrame();
        waiter.watchRootChildren();
        if (panelFrame() == expected) return expected;
        waiter.waitFor(
            [&](const xcb_generic_event_t* e) {
                return (e->response_type & 0x7f) == XCB_CONFIGURE_NOTIFY &&
                       panelFrame() == expected;
            },
            5s);
        return panelFrame();
    }
    void clickAt(int x, int y) {
        input({"mousemove", std::to_string(x), std::to_string(y)});
        input({"click", "1"});
    }

    QImage beforeLaunch;
    xcb_window_t panel = 0;
};

TEST_F(PrepareE2E, PanelAppearsInTheMiddleAndEscapeReleaseCancels) {
    startPrepare({{"Ex", 1}});
    EXPECT_EQ(panelFrame(),
              (Rect{(kScreenW - kPanelW) / 2, (kScreenH - kPanelH) / 2, kPanelW, kPanelH}));
    input({"keydown", "Escape"});
    EXPECT_FALSE(tool.waitForExit(300ms)) << "the press alone does nothing";
    input({"keyup", "Escape"});
    const QJsonObject r = finish(2);
    EXPECT_EQ(r["Type"].toInt(), 2);
    EXPECT_EQ(resultGeometry(r), (Rect{0, 0, 0, 0}));
}

TEST_F(PrepareE2E, CloseButtonCancels) {
    startPrepare();
    const Rect f = panelFrame();
    clickAt(int(f.x) + 263, int(f.y) + 15);  // the close button's centre
    EXPECT_EQ(finish(2)["Type"].toInt(), 2);
}

TEST_F(PrepareE2E, WindowManagerClosingThePanelCancels) {
    startPrepare();
    askWindowManagerToClose(panel);
    EXPECT_EQ(finish(2)["Type"].toInt(), 2);
}

TEST_F(PrepareE2E, DragPastAnEdgeStopsFlushWithIt) {
    startPrepare();
    const Rect f = panelFrame();
    const int gx = int(f.x) + 40, gy = int(f.y) + 150;  // a plain spot of the panel
    drag({gx, gy}, {gx + 2000, gy - 2000}, {{gx + 10, gy - 10}, {gx + 900, gy - 900}});
    const Rect topRight{kScreenW - kPanelW, 0, kPanelW, kPanelH};
    EXPECT_EQ(panelFrameWhenAt(topRight), topRight);
    const Rect g = panelFrame();
    drag({int(g.x) + 40, int(g.y) + 150}, {0, kScreenH - 1}, {{int(g.x) + 30, int(g.y) + 160}});
    const Rect bottomLeft{0, kScreenH - kPanelH, kPanelW, kPanelH};
    EXPECT_EQ(panelFrameWhenAt(bottomLeft), bottomLeft);
    input({"key", "Escape"});
    finish(2);
}

TEST_F(PrepareE2E, StartClickLeadsToACaptureWithoutThePanel) {
    startPrepare();
    const Rect f = panelFrame();
    // The start button's centre; no click to focus the panel first.
    clickAt(int(f.x) + 140, int(f.y) + 120);
    // The overlay takes the keyboard once the panel has gone.
    XWaiter waiter(display());
    ASSERT_TRUE(waiter.ok());
    waiter.watchRootProperties();
    const auto overlayActive = [&] { return activeOfSize(waiter, kScreenW, kScreenH) != 0; };
    ASSERT_TRUE(overlayActive() ||
                waiter.waitFor([&](const xcb_generic_event_t*) { return overlayActive(); }, 15s))
        << tool.standardError();
    // A selection over where the panel stood, and beyond it.
    drag({400, 250}, {900, 600}, {{600, 400}});
    input({"key", "Return"});
    const Rect g = resultGeometry(finish(1));
    EXPECT_EQ(g, (Rect{400, 250, 500, 350}));
    const QImage pasted = pastedImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(pasted.size(), QSize(500, 350));
    // Apart from window decorations, every pixel is the screen as it was before the launch.
    const QRect area(400, 250, 500, 350);
    const QRegion differs = test_images::changedPixels(pasted, beforeLaunch.copy(area)) -
                            decorations().translated(-area.topLeft());
    EXPECT_TRUE(differs.isEmpty())
        << "pixels of the panel in the capture: " << differs.boundingRect().x() << ","
        << differs.boundingRect().y();
}

}  // namespace
