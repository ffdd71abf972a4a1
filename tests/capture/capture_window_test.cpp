#include "capture/capture_window.h"

#include <gtest/gtest.h>

#include "support/geometry_printers.h"

#include <QTemporaryDir>
#include <algorithm>

#include "capture/capture_view.h"
#include "support/fake_platform.h"
#include "support/result_file.h"
#include "support/test_images.h"
#include "support/widget_events.h"

using enum CaptureState;

namespace {

// A desktop whose every pixel is distinct, so offsets and flips show.
using test_images::positionImage;

class CaptureWindowTest : public ::testing::Test {
protected:
    CaptureWindowTest() {
        platform.grabber.desktop = positionImage(1440, 900);
        texts = std::make_unique<UiTexts>();
    }
    CaptureWindow& window() {
        if (!m_window) m_window = std::make_unique<CaptureWindow>(platform.services(), *texts, 7);
        return *m_window;
    }
    void start(QJsonObject command) {
        command.insert("DataSavePath", dir.filePath("result.json"));
        window().setCaptureParam(launchRequestFrom(command, 0));
        window().doCapture();
    }
    // A left-button event on the view at a widget position; moves with no button held.
    void sendMouse(QEvent::Type type, QPointF at) { ::sendMouse(window().view(), type, at, false); }
    QJsonObject result() const {
        return readResultFile(dir.filePath("result.json")).value_or(QJsonObject());
    }

    QTemporaryDir dir;
    FakePlatform platform;
    std::unique_ptr<UiTexts> texts;
    std::unique_ptr<CaptureWindow> m_window;
};

TEST_F(CaptureWindowTest, InteractiveGrabFailureEndsWithKindTwoAndSaysWhy) {
    platform.grabber.fail = true;
    start({});
    EXPECT_EQ(platform.processExit.status, 2);
    EXPECT_FALSE(window().isVisible());
    EXPECT_TRUE(platform.clipboard.image.isNull());
    EXPECT_TRUE(
        std::any_of(platform.log.lines.begin(), platform.log.lines.end(), [](const QString& l) {
            return l.startsWith("no image: the screen could not be grabbed: the fake grab fails");
        }));
}

TEST_F(CaptureWindowTest, SecondScreenAboveTheMain) {
    // Main 1440x900 at the bottom, a 1920x1080 screen above it; pointer on the upper one.
    platform.screens.list = {{{0, 0, 1440, 900}, 1}, {{0, 900, 1920, 1080}, 1}};
    platform.screens.pointer = {100, 1000};
    platform.grabber.desktop = positionImage(1920, 1980);
    platform.grabber.origin = {0, -1080};
    start({});
    EXPECT_EQ(window().rectScreen, (Rect{0, 900, 1920, 1080}));
    ASSERT_EQ(platform.grabber.requests.size(), 1u);
    EXPECT_EQ(platform.grabber.requests[0], (Rect{0, -1080, 1920, 1080}));
}

TEST_F(CaptureWindowTest, InteractiveOffersTheFrontMostWindowUnderThePointer) {
    platform.windowList.windows = {{100, 100, 200, 200}, {50, 50, 500, 500}};
    platform.screens.pointer = {150, 750};  // display (150, 150)
    start({});
    EXPECT_TRUE(window().isVisible());
    EXPECT_TRUE(window().followTimerActive());
    EXPECT_EQ(window().model().captureState(), CAPTURE_STATE_CHOOSE);
    EXPECT_EQ(window().captureWindowRect(), (Rect{100, 600, 200, 200}));
    EXPECT_EQ(window().model().drawingRect(), window().captureWindowRect());
    EXPECT_FALSE(platform.processExit.status);

    window().onCancel();
    EXPECT_EQ(platform.processExit.status, 2);
    EXPECT_TRUE(platform.clipboard.image.isNull()) << "cancel leaves the clipboard alone";
    EXPECT_FALSE(window().followTimerActive());
    EXPECT_TRUE(platform.log.has("Cancel..."));
    EXPECT_EQ(result()["Width"].toInt(), 200);
}

// Where the pointer's place is told only when it first comes over the window (Wayland without
// a way to ask), and the window list comes after the capture began (KWin's): each offers the
// window under the pointer at once, without a motion.
TEST_F(CaptureWindowTest, TheWindowUnderThePointerIsOfferedOnEntryAndWhenTheListComes) {
    platform.windowList.windows = {{100, 100, 200, 200}};
    start({});  // the pointer at the screen's centre, over no window
    ASSERT_EQ(window().captureWindowRect(), (Rect{0, 0, 1440, 900}));
    QEnterEvent enter(QPointF(150, 150), QPointF(150, 150), QPointF(150, 150));
    QCoreApplication::sendEvent(&window().view(), &enter);
    EXPECT_EQ(window().captureWindowRect(), (Rect{100, 600, 200, 200})) << "offered on entry";
    platform.windowList.windows = {{120, 120, 50, 50}, {100, 100, 200, 200}};
    ASSERT_TRUE(platform.windowList.changed);
    platform.windowList.changed();
    EXPECT_EQ(window().captureWindowRect(), (Rect{120, 730, 50, 50})) << "the list that came";
}

// The pointer as the platform reports it and the mouse events must agree on which pixel
// row they stand on: a window whose top is the screen's top row is offered at its first and
// last rows and not at the row below it, on both paths.
TEST_F(CaptureWindowTest, PointerAndMouseAgreeOnAWindowsTopAndBottomRows) {
    platform.windowList.windows = {{100, 0, 200, 300}};  // display rows 0 to 299
    // The same in view coordinates, one point short at the screen's top edge, as clipped.
    const Rect offeredWindow{100, 600, 200, 299};
    const Rect wholeScreen{0, 0, 1440, 900};
    struct Row {
        int displayRow;
        Rect offered;
    };
    const Row rows[] = {
        {0, offeredWindow}, {299, offeredWindow}, {300, wholeScreen}, {899, wholeScreen}};
    for (const Row& row : rows) {
        platform.screens.pointer = {150, 900.0 - row.displayRow};  // as QtScreens reports it
        m_window.reset();
        start({});
        EXPECT_EQ(window().captureWindowRect(), row.offered) << "pointer on row " << row.displayRow;
        sendMouse(QEvent::MouseMove, {150, static_cast<double>(row.displayRow)});
        EXPECT_EQ(window().captureWindowRect(), row.offered) << "mouse on row " << row.displayRow;
    }
}

TEST_F(CaptureWindowTest, OverlayShowsTheDarkScreenAndTheSelection) {
    platform.windowList.windows = {{100, 100, 200, 200}};
    platform.screens.pointer = {150, 750};
    start({{"TrackColor", 0xFF00}});
    const QImage shot = window().view().grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb original = platform.grabber.desktop.pixel(150, 150);
    EXPECT_EQ(shot.pixel(150, 150), original) << "inside: the frozen screen as it was";
    const QRgb outsideOriginal = platform.grabber.desktop.pixel(500, 500);
    EXPECT_NEAR(qRed(shot.pixel(500, 500)), qRed(outsideOriginal) * 0.67, 2) << "outside: darkened";
    EXPECT_EQ(shot.pixel(100, 200), qRgb(0, 255, 0)) << "the border in the track colour";
}

TEST_F(CaptureWindowTest, FollowsThePointerOnlyToAnotherScreen) {
    // Main 1440x900; a 1280x1024 screen to its right, bottoms aligned.
    platform.screens.list = {{{0, 0, 1440, 900}, 1}, {{1440, 0, 1280, 1024}, 1}};
    platform.grabber.desktop = positionImage(2720, 1024);
    platform.grabber.origin = {0, -124};
    start({});
    ASSERT_EQ(platform.grabber.requests.size(), 1u);

    platform.screens.pointer = {300, 300};  // moved, same screen
    window().followMouseStep();
    EXPECT_EQ(platform.grabber.requests.size(), 1u) << "no regrab on the same screen";

    platform.screens.pointer = {1500, 800};  // now on the second screen
    window().followMouseStep();
    ASSERT_EQ(platform.grabber.requests.size(), 2u);
    EXPECT_EQ(platform.grabber.requests[1], (Rect{1440, -124, 1280, 1024}));
    EXPECT_EQ(window().rectScreen, (Rect{1440, 0, 1280, 1024}));
    EXPECT_TRUE(platform.log.has("start recapture"));
    EXPECT_TRUE(platform.log.has("end recapture, time:0"));
    EXPECT_EQ(platform.windowList.calls, 1) << "the window list is not taken again";

    window().followMouseStep();  // pointer unchanged: nothing to do
    EXPECT_EQ(platform.grabber.requests.size(), 2u);

    sendMouse(QEvent::MouseButtonPress, {200, 200});  // a selection is made
    sendMouse(QEvent::MouseButtonRelease, {200, 200});
    ASSERT_EQ(window().model().captureState(), CAPTURE_STATE_SELECTED);
    platform.screens.pointer = {100, 100};
    window().followMouseStep();
    EXPECT_EQ(platform.grabber.requests.size(), 2u) << "no move once a selection exists";
}

}  // namespace
