// The strips and the tools inside a capture window on the offscreen platform, with fakes:
// what the user sees and what the commands change.
#include "capture/capture_annotations.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QScreen>

#include "capture/capture_view.h"
#include "capture/capture_window.h"
#include "controls/popup_button.h"
#include "controls/special_button.h"
#include "support/fake_platform.h"
#include "support/geometry_printers.h"
#include "support/widget_events.h"

using enum CaptureState;

namespace {

class CaptureAnnotationsTest : public ::testing::Test {
protected:
    void start(QJsonObject command = {}) {
        window = std::make_unique<CaptureWindow>(platform.services(), texts, 0);
        window->setCaptureParam(launchRequestFrom(command, 0));
        window->doCapture();
    }
    // Drags a selection in widget coordinates (the screen is 1440 x 900).
    void select(QRectF r = QRectF(300, 200, 600, 400)) {
        sendDrag(window->view(), r.topLeft(), {r.center(), r.bottomRight()});
    }
    CaptureAnnotations& tools() { return window->annotations(); }
    SpecialNSButton* button(const char* member) {
        return qobject_cast<SpecialNSButton*>(tools().toolStrips().control(member));
    }
    const CaptureModel& model() { return window->model(); }

    FakePlatform platform;
    UiTexts texts;
    std::unique_ptr<CaptureWindow> window;
};

TEST_F(CaptureAnnotationsTest, ASelectionShowsTheToolbarAloneWithUndoGreyedOut) {
    start();
    EXPECT_FALSE(tools().toolStrips().built()) << "built on the first selection";
    select();
    ASSERT_TRUE(tools().toolStrips().built());
    // Selection (300, 300, 600, 400) in view coordinates: the toolbar 3 points below it.
    EXPECT_EQ(tools().strips().toolbarRect(), (Rect{513, 261, 384, 36}));
    EXPECT_TRUE(tools().toolStrips().toolGroundView()->isVisible());
    EXPECT_FALSE(tools().toolStrips().colorGroundView()->isVisible());
    EXPECT_EQ(tools().toolStrips().toolGroundView()->geometry(), QRect(513, 603, 384, 36));
    EXPECT_TRUE(button("undoButton")->isDisabled()) << "nothing to undo yet";
    EXPECT_EQ(button("undoButton")->layers().foreground, SkinForeground::Disabled);
}

TEST_F(CaptureAnnotationsTest, ToolCommandsSetStateMarksAndBothStrips) {
    start();
    select();
    struct Row {
        StripAction action;
        const char* member;
        CaptureState state;
        const char* log;  // nullptr: none
    };
    const Row rows[] = {
        {StripAction::onRect, "rectButton", CAPTURE_STATE_RECT, nullptr},
        {StripAction::onArrow, "arrowButton", CAPTURE_STATE_ARROW, "onArrow"},
        {StripAction::onGlitter, "glitterButton", CAPTURE_STATE_GLITTER, "onGlitter"},
        {StripAction::onText, "textButton", CAPTURE_STATE_TEXT, "onText"},
    };
    for (const Row& row : rows) {
        platform.log.lines.clear();
        tools().onCommand(row.action);
        EXPECT_EQ(model().captureState(), row.state);
        EXPECT_FALSE(model().overlayScene().handlesShown) << "handles off in a tool";
        int selected = 0;
        for (const StripItem& item : toolbarItems()) {
            if (auto* b = button(item.member.toLatin1().constData())) selected += b->isSelected();
        }
        EXPECT_EQ(selected, 1) << "one tool marked";
        EXPECT_TRUE(button(row.member)->isSelected());
        EXPECT_EQ(platform.log.lines, row.log ? QStringList{row.log} : QStringList{});
        EXPECT_TRUE(tools().toolStrips().colorGroundView()->isVisible());
        const bool text = row.action == StripAction::onText;
        EXPECT_EQ(tools().toolStrips().txtSizeButton()->isVisible(), text);
        EXPECT_EQ(button("midButton")->isVisible(), !text);
    }
}

// What the screen shows, not a fresh render: repaints must cover what disappears.
TEST_F(CaptureAnnotationsTest, ChoosingAToolTakesTheHandlesOffTheScreen) {
    start({{"TrackColor", 0xFF00}});
    select();
    const auto shownAt = [this](int x, int y) {
        QApplication::processEvents();
        return window->screen()->grabWindow(window->winId()).toImage().pixel(x, y);
    };
    // The top-left handle's disc around (300, 200), two points left of the border line.
    ASSERT_EQ(shownAt(298, 200), qRgb(0, 255, 0)) << "the handle is on the screen";
    tools().onCommand(StripAction::onRect);
    EXPECT_NE(shownAt(298, 200), qRgb(0, 255, 0)) << "the handle was repainted away";
}

TEST_F(CaptureAnnotationsTest, MosaicIsMadeOnceAndNarrowsTheBar) {
    start();
    select();
    tools().onCommand(StripAction::onMosaic);
    const qint64 mosaic = window->view().mosaicImage().cacheKey();
    ASSERT_FALSE(window->view().mosaicImage().isNull());
    tools().onCommand(StripAction::onMosaic);
    EXPECT_EQ(window->view().mosaicImage().cacheKey(), mosaic) << "made once per capture";
    // Toolbar at tx = 513: the 135-point bar is centred under the full bar's place.
    EXPECT_EQ(tools().strips().colorbarRect(), (Rect{601, 222, 135, 36}));
    EXPECT_FALSE(button("swatch0")->isVisible());
    EXPECT_EQ(button("logoBtn")->geometry().x(), 95);
    // On screen: the narrowed bar in the strip colour, the darkened screen right after it.
    // The bar's top-left is (601, 900 - 222 - 36) in widget pixels.
    const QImage shown = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown.pixel(601 + 130, 642 + 3), qRgb(24, 24, 24));
    EXPECT_NE(shown.pixel(601 + 140, 642 + 3), qRgb(24, 24, 24));

    tools().onCommand(StripAction::onBrush);
    EXPECT_TRUE(button("swatch0")->isVisible());
    EXPECT_EQ(button("logoBtn")->geometry().x(), 280);
    EXPECT_EQ(tools().strips().colorbarRect().width, 312);
}

TEST_F(CaptureAnnotationsTest, DrawingUndoRedoAndPenSettingsThatOutliveTheCapture) {
    start();
    select();
    tools().onCommand(StripAction::onRect);
    tools().onCommand(StripAction::onBig);
    tools().onCommand(StripAction::onChangeColorEx, 2);
    sendDrag(window->view(), {400, 300}, {{450, 350}, {500, 400}});
    ASSERT_EQ(model().shapes().getShapesCount(), 1);
    EXPECT_FALSE(button("undoButton")->isDisabled());
    // The flattened history holds the blue outline (6 points wide) at the dragged place.
    const QImage drawn = window->view().currentImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(drawn.pixel(400, 350), qRgb(17, 129, 254));
    EXPECT_EQ(drawn.pixel(450, 350), platform.grabber.desktop.pixel(450, 350));

    sendDrag(window->view(), {600, 300}, {{650, 350}});  // a click-like drag of one move
    ASSERT_EQ(model().shapes().getShapesCount(), 2);
    tools().onUndo();
    EXPECT_EQ(model().shapes().getShapesCount(), 1);
    EXPECT_TRUE(platform.log.has("onUndo"));
    tools().onRedo();
    EXPECT_EQ(model().shapes().getShapesCount(), 2);
    tools().onUndo();
    tools().onUndo();
    EXPECT_TRUE(button("undoButton")->isDisabled());
    EXPECT_EQ(window->view().currentImage().cacheKey(), window->view().originImage().cacheKey())
        << "no shapes: the screen itself, shared";

    // The next capture keeps the pen: large and blue.
    window->doCapture();
    EXPECT_FALSE(tools().toolStrips().toolGroundView()->isVisible()) << "hidden by reset";
    const DrawShape& pen = model().shapes().currShape();
    EXPECT_EQ(pen.m_penSize, PenSize::Big);
    EXPECT_EQ(pen.m_colorIndex, 2);
    EXPECT_TRUE(button("bigButton")->isSelected());
    EXPECT_TRUE(button("swatch2")->isSelected());
    EXPECT_FALSE(button("swatch0")->isSelected());
}

TEST_F(CaptureAnnotationsTest, TooltipsAndFontSizesArePlainTextFromTheLatestCommand) {
    QStringList labels;
    for (int i = 0; i < 12; ++i) labels << QStringLiteral("<b>t%1</b>").arg(i);
    start({{"SetToolbarText", labels.join('|')}});
    select();
    EXPECT_EQ(button("rectButton")->toolTip(), "<b>t0</b>");
    EXPECT_EQ(button("okButton")->toolTip(), "<b>t10</b>");

    tools().onCommand(StripAction::onText);
    tools().handlePopBtn(1);  // "12pt  "
    EXPECT_EQ(tools().toolStrips().txtSizeButton()->title(), "12pt  ");
    EXPECT_EQ(model().shapes().currShape().m_textSize, 12);
    EXPECT_TRUE(platform.log.has("1"));
}

TEST_F(CaptureAnnotationsTest, RightClickDropsShapesAndHidesTheStrips) {
    start();
    select();
    tools().onCommand(StripAction::onBrush);
    sendDrag(window->view(), {400, 300}, {{420, 310}, {440, 330}, {460, 320}});
    ASSERT_EQ(model().shapes().getShapesCount(), 1);
    // What the screen shows, not a fresh render.
    const auto shownInk = [this] {
        QApplication::processEvents();
        const QRgb p = window->screen()->grabWindow(window->winId()).toImage().pixel(440, 330);
        return qRed(p) > 200 && qGreen(p) < 80;
    };
    ASSERT_TRUE(shownInk()) << "the stroke is on the screen";
    QMouseEvent right(QEvent::MouseButtonRelease, QPointF(500, 500), QPointF(500, 500),
                      Qt::RightButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&window->view(), &right);
    EXPECT_EQ(model().captureState(), CAPTURE_STATE_CHOOSE);
    EXPECT_EQ(model().shapes().getShapesCount(), 0);
    EXPECT_FALSE(tools().toolStrips().toolGroundView()->isVisible());
    EXPECT_FALSE(tools().strips().isIntoolbar({600, 270}));
    EXPECT_EQ(tools().strips().selectedTool(), StripAction::None);
    EXPECT_FALSE(shownInk()) << "the stroke was repainted away";
}

}  // namespace
