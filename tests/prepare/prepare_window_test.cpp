// The prepare panel offscreen: its texts in both languages, what Start, the close button and
// the keys do, a drag held on the screen, and the pixels of its band, background and icon.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <functional>
#include <optional>

#include "controls/special_button.h"
#include "model/capture_command.h"
#include "prepare/prepare_window.h"

namespace {

// Runs the event loop until `done` holds or `ms` have passed.
bool waitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

struct Calls {
    int started = 0;
    int cancelled = 0;
    int startRequested = 0;
    qint64 startedAfterMs = -1;
};

class PrepareWindowTest : public ::testing::Test {
protected:
    std::unique_ptr<PrepareWindow> make(const QJsonObject& command = {}) {
        CaptureParam param;
        std::optional<QString> path;
        applyCaptureCommand(command, param, texts, path);
        PrepareActions actions;
        actions.startRequested = [this] {
            ++calls.startRequested;
            clock.start();
        };
        actions.doCapture = [this] {
            ++calls.started;
            calls.startedAfterMs = clock.elapsed();
        };
        actions.cancel = [this] { ++calls.cancelled; };
        return std::make_unique<PrepareWindow>(texts, std::move(actions));
    }
    static void key(QWidget& w, QEvent::Type type, int k, bool autoRepeat = false) {
        QKeyEvent e(type, k, Qt::NoModifier, QString(), autoRepeat);
        QApplication::sendEvent(&w, &e);
    }
    static void mouse(QWidget& w, QEvent::Type type, QPoint local, QPoint global) {
        const bool down = type != QEvent::MouseButtonRelease;
        QMouseEvent e(type, local, global, Qt::LeftButton, down ? Qt::LeftButton : Qt::NoButton,
                      Qt::NoModifier);
        QApplication::sendEvent(&w, &e);
    }
    static QImage shot(QWidget& w, double dpr = 1) {
        QImage image(w.size() * dpr, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(dpr);
        image.fill(Qt::black);
        w.render(&image);
        return image;
    }

    UiTexts texts;
    Calls calls;
    QElapsedTimer clock;
};

TEST_F(PrepareWindowTest, TextsFollowTheLanguageAndTheTitleIsTheWindowTitle) {
    struct {
        const char* what;
        QJsonObject command;
        QString button, info, info2;
    } cases[] = {
        {"English",
         {{"Ex", 1}},
         "Start Capture",
         "Please adjust the window to show the area,",
         "then click the button to start capture..."},
        {"Chinese",
         {},
         "开始截图",
         "请先调整窗口将需要截图的区域显示出来，",
         "再点击截图按钮开始截图..."},
    };
    for (const auto& c : cases) {
        auto w = make(c.command);
        EXPECT_EQ(w->okButton->text(), c.button) << c.what;
        EXPECT_EQ(w->infoShow->text(), c.info) << c.what;
        EXPECT_EQ(w->infoShow2->text(), c.info2) << c.what;
        EXPECT_EQ(w->titleShow->text(), texts.prepareTitleText) << c.what << ": before showing";
        w->showPrepare();
        EXPECT_EQ(w->titleShow->text(), "Tovaro截图") << c.what;
        EXPECT_TRUE(w->isVisible()) << c.what;
    }
}

TEST_F(PrepareWindowTest, HostTextsStayPlainText) {
    // Twelve labels, then the five texts: the button text carries markup.
    const QString bar = "a|b|c|d|e|f|g|h|i|j|k|l|<b>go</b>|<i>t</i>|<u>1</u>|2|s";
    auto w = make({{"SetToolbarText", bar}});
    for (QLabel* label : {w->titleShow, w->infoShow, w->infoShow2}) {
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
    }
    EXPECT_EQ(w->infoShow->text(), "<u>1</u>");
    EXPECT_EQ(w->okButton->text(), "<b>go</b>");
}

TEST_F(PrepareWindowTest, ShownCentredOnTheMainScreenWithTheCloseHoverCleared) {
    auto w = make();
    w->cancelButton->setIsHover(true);
    w->showPrepare();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(w->size(), QSize(280, 185));
    EXPECT_EQ(w->geometry().center(), screen.center());
    EXPECT_FALSE(w->cancelButton->isHover());
    EXPECT_TRUE(w->windowFlags() & Qt::Tool);
    EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(w->testAttribute(Qt::WA_ShowWithoutActivating));
}

TEST_F(PrepareWindowTest, KeysAndCloseButton) {
    struct {
        const char* what;
        std::function<void(PrepareWindow&)> act;
        int cancelled;
    } cases[] = {
        {"Escape pressed only", [](PrepareWindow& w) { key(w, QEvent::KeyPress, Qt::Key_Escape); },
         0},
        {"Escape released", [](PrepareWindow& w) { key(w, QEvent::KeyRelease, Qt::Key_Escape); },
         1},
        {"Escape auto-repeat release",
         [](PrepareWindow& w) { key(w, QEvent::KeyRelease, Qt::Key_Escape, true); }, 0},
        {"another key released",
         [](PrepareWindow& w) { key(w, QEvent::KeyRelease, Qt::Key_Return); }, 0},
        {"close button clicked", [](PrepareWindow& w) { w.cancelButton->click(); }, 1},
    };
    for (const auto& c : cases) {
        calls = {};
        auto w = make();
        w->showPrepare();
        c.act(*w);
        EXPECT_EQ(calls.cancelled, c.cancelled) << c.what;
        EXPECT_EQ(w->isVisible(), c.cancelled == 0) << c.what;
        EXPECT_EQ(calls.started, 0) << c.what;
    }
}

TEST_F(PrepareWindowTest, StartHidesAtOnceAndStartsTheCaptureNoSoonerThanATenthOfASecond) {
    auto w = make();
    w->showPrepare();
    w->okButton->click();
    EXPECT_EQ(calls.startRequested, 1);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(calls.started, 0) << "not before the delay";
    w->onOK();  // a second Start while one is pending starts nothing more
    ASSERT_TRUE(waitFor([&] { return calls.started > 0; }, 2000));
    EXPECT_GE(calls.startedAfterMs, 100);
    waitFor([] { return false; }, 150);
    EXPECT_EQ(calls.started, 1);
    EXPECT_EQ(calls.cancelled, 0);
}

TEST_F(PrepareWindowTest, DragMovesWithThePointerAndStopsFlushWithEachEdge) {
    auto w = make();
    w->showPrepare();
    const QRect screen = w->rectScreen;
    const QPoint start = w->pos();
    const QPoint grip(100, 100);  // pressed here, in the window
    struct {
        const char* what;
        QPoint pointerMove;  // from the press, in global pixels
        QPoint expectedTopLeft;
    } cases[] = {
        {"inside", {-30, 20}, start + QPoint(-30, 20)},
        {"past the left edge", {-5000, 0}, {screen.left(), start.y()}},
        {"past the right edge", {5000, 0}, {screen.right() + 1 - 280, start.y()}},
        {"past the top edge", {0, -5000}, {start.x(), screen.top()}},
        {"past the bottom edge", {0, 5000}, {start.x(), screen.bottom() + 1 - 185}},
    };
    for (const auto& c : cases) {
        w->move(start);
        const QPoint pressGlobal = start + grip;
        mouse(*w, QEvent::MouseButtonPress, grip, pressGlobal);
        const QPoint to = pressGlobal + c.pointerMove;
        mouse(*w, QEvent::MouseMove, to - w->pos(), to);
        mouse(*w, QEvent::MouseButtonRelease, to - w->pos(), to);
        EXPECT_EQ(w->pos(), c.expectedTopLeft) << c.what;
    }
    EXPECT_EQ(calls.started + calls.cancelled, 0);
}

TEST_F(PrepareWindowTest, PaintsBandBackgroundLineAndCloseIcon) {
    auto w = make();
    w->showPrepare();
    ASSERT_FALSE(w->translucent()) << "no compositing manager offscreen";
    const QImage image = shot(*w);
    EXPECT_EQ(QColor(image.pixel(140, 150)), QColor(208, 235, 255)) << "opaque background";
    // The band's (44, 112, 183) at alpha 185 over the background.
    const QColor band = image.pixel(5, 20);
    EXPECT_NEAR(band.red(), 89, 2);
    EXPECT_NEAR(band.green(), 146, 2);
    EXPECT_NEAR(band.blue(), 203, 2);
    // The line under the band and the border are darker than what they cross.
    EXPECT_LT(QColor(image.pixel(140, 30)).blue(), QColor(image.pixel(140, 31)).blue() - 60);
    EXPECT_LT(QColor(image.pixel(0, 100)).blue(), QColor(image.pixel(5, 100)).blue() - 40);

    // The close icon at 2x: a white cross through its centre, the band at its corner.
    const QImage icon = shot(*w->cancelButton, 2);
    EXPECT_EQ(icon.size(), QSize(40, 40));
    EXPECT_EQ(QColor(icon.pixel(20, 20)), QColor(Qt::white));
    EXPECT_EQ(icon.pixel(1, 20), icon.pixel(0, 0)) << "nothing drawn between the arms";
    EXPECT_NE(QColor(icon.pixel(1, 20)), QColor(Qt::white));
    w->cancelButton->setIsHover(true);
    const QImage hover = shot(*w->cancelButton, 2);
    EXPECT_NE(hover.pixel(4, 20), icon.pixel(4, 20)) << "the hover artwork differs";
}

}  // namespace
