// The real binary on a private X server with openbox and windows of known content: automatic
// captures and interactive selections, checked through the result file, the exit status and
// the clipboard as another program pastes it after the tool has exited.
#include "e2e/capture_e2e_fixture.h"

namespace {

TEST_F(CaptureE2E, AutomaticWholeScreenStaysOnTheClipboardAfterExit) {
    ASSERT_TRUE(tool.start({{}, 0, 2}, display()));
    const QJsonObject r = finish(1);
    EXPECT_EQ(r["Type"].toInt(), 1);
    EXPECT_EQ(resultGeometry(r), (Rect{0, 0, 1280, 800}));
    expectClipboardShows({0, 0, 1280, 800});
}

TEST_F(CaptureE2E, AutomaticRectangleIsCutTopLeft) {
    // From the pixel (30, 20) of the front window, wherever the window manager put it.
    const auto& front = pattern.windows()[0];
    const Rect asked{double(front.x + 30), double(front.y + 20), 300, 200};
    ASSERT_TRUE(tool.start({{}, 0, 1, int(asked.x), int(asked.y), 300, 200}, display()));
    EXPECT_EQ(resultGeometry(finish(1)), asked);
    expectClipboardShows(asked);
    // The asymmetric pattern shows a flip: the top-left pixel is the window's (30, 20).
    EXPECT_EQ(pastedImage().pixel(0, 0), test_pattern::pixel(0, 30, 20));
}

// A scaling that only Qt reads: the automatic capture takes Qt's screens, with the same outcome.
TEST_F(CaptureE2E, AutomaticCaptureWithScreensOnlyQtKnows) {
    ASSERT_TRUE(tool.start({{}, 0, 2}, display(), {"QT_SCREEN_SCALE_FACTORS=2"}));
    EXPECT_EQ(resultGeometry(finish(1)), (Rect{0, 0, 640, 400})) << "points";
    const QImage pasted = pastedImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(pasted.size(), QSize(1280, 800)) << "every device pixel";
    const QImage screen = grabRoot(display()).convertToFormat(QImage::Format_RGB32);
    const auto& front = pattern.windows()[0];
    EXPECT_EQ(pasted.pixel(front.x + 30, front.y + 20), screen.pixel(front.x + 30, front.y + 20));
}

TEST_F(CaptureE2E, AutomaticRectangleWithoutAreaLeavesTheClipboard) {
    ASSERT_TRUE(tool.start({{}, 0, 1, 10, 10, 0, 50}, display()));
    const QJsonObject r = finish(2);
    EXPECT_EQ(r["Height"].toInt(), 50);
    EXPECT_TRUE(pasteClipboard(display()).isEmpty()) << "nothing was put on the clipboard";
}

TEST_F(CaptureE2E, ClickOnAWindowThenReturnTakesItsFrame) {
    startInteractive();
    const PatternWindow& front = pattern.windows()[0];
    input({"mousemove", std::to_string(front.x + 50), std::to_string(front.y + 40)});
    input({"click", "1"});
    input({"key", "Return"});
    const QJsonObject r = finish(1);
    const Rect frame = frameOf(front.id);
    const Rect g = resultGeometry(r);
    EXPECT_EQ(g, frame);
    EXPECT_GT(frame.height, front.height) << "the frame includes the title bar";
    expectClipboardShows(g);
}

TEST_F(CaptureE2E, DragThenKeypadEnterGivesTheDraggedRectangle) {
    startInteractive();
    drag({100, 120}, {400, 320}, {{250, 200}});
    input({"key", "KP_Enter"});
    const Rect g = resultGeometry(finish(1));
    EXPECT_EQ(g, (Rect{100, 120, 300, 200}));
    expectClipboardShows(g);
}

TEST_F(CaptureE2E, MoveAndResizePastTheOppositeEdge) {
    startInteractive();
    drag({100, 100}, {300, 250});  // selection (100, 100) to (300, 250)
    drag({200, 200}, {250, 230});  // moved by (50, 30): (150, 130) to (350, 280)
    // The bottom-right handle, past the top-left corner: the selection flips.
    drag({350, 280}, {120, 100});
    input({"key", "w"});
    EXPECT_EQ(resultGeometry(finish(1)), (Rect{120, 100, 30, 30}));
}

TEST_F(CaptureE2E, ArrowKeysMoveTheSelectionByOneOrTenPoints) {
    startInteractive();
    drag({100, 100}, {300, 250});
    input({"key", "Left", "Left", "shift+Down", "Up"});
    input({"key", "Return"});
    EXPECT_EQ(resultGeometry(finish(1)), (Rect{98, 109, 200, 150}));
}

TEST_F(CaptureE2E, DoubleClickInsideFinishes) {
    startInteractive();
    const PatternWindow& third = pattern.windows()[2];
    input({"mousemove", std::to_string(third.x + 30), std::to_string(third.y + 30)});
    input({"click", "1"});
    input({"click", "--repeat", "2", "--delay", "80", "1"});
    const Rect g = resultGeometry(finish(1));
    const Rect frame = frameOf(third.id);
    EXPECT_EQ(g.x, frame.x);
    EXPECT_EQ(g.width, frame.width);
}

TEST_F(CaptureE2E, EscapeCancelsWithoutAnyClick) {
    startInteractive();
    input({"key", "Escape"});
    const QJsonObject r = finish(2);
    EXPECT_EQ(r["Type"].toInt(), 2);
    EXPECT_TRUE(pasteClipboard(display()).isEmpty());
}

TEST_F(CaptureE2E, RightClickCancelsBeforeASelectionAndRestartsAfterOne) {
    startInteractive();
    drag({100, 100}, {300, 250});
    input({"click", "3"});  // back to picking: the window under the pointer is offered
    const PatternWindow& back = pattern.windows()[1];
    input({"mousemove", std::to_string(back.x + 300), std::to_string(back.y + 300)});
    input({"click", "3"});  // nothing selected now: cancel
    const Rect g = resultGeometry(finish(2));
    const Rect frame = frameOf(back.id);
    EXPECT_EQ(g.x, frame.x) << "the offered window is reported";
    EXPECT_EQ(g.width, frame.width);
}

TEST_F(CaptureE2E, AnotherApplicationBecomingActiveCancels) {
    startInteractive();
    input({"windowactivate", std::to_string(pattern.windows()[1].id)});
    const QJsonObject r = finish(2);
    EXPECT_EQ(r["Type"].toInt(), 2);
    EXPECT_TRUE(pasteClipboard(display()).isEmpty());
}

class LargeScreenE2E : public CaptureE2E {
protected:
    void SetUp() override { startSession({3840, 2160, true}); }
};

TEST_F(LargeScreenE2E, FourKRoundTripsThroughTheClipboard) {
    ASSERT_TRUE(tool.start({{}, 0, 2}, display()));
    finish(1);
    const QByteArray first = pasteClipboard(display());
    const QByteArray second = pasteClipboard(display());
    EXPECT_EQ(first, second) << "every paste serves the same encoded bytes";
    const QImage pasted = QImage::fromData(first).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(pasted.size(), QSize(3840, 2160));
    EXPECT_TRUE(pasted == grabRoot(display()));
}

}  // namespace
