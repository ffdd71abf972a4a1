// The pen, the finished shapes, undo and redo, and the gestures that fill the pen.
#include <gtest/gtest.h>

#include "annotate/shape_history.h"
#include "platform/fake/fake_log.h"

namespace {

const QString kTooFewPoints = QStringLiteral("the points are not enough");

struct GestureCase {
    const char* name;
    ToolType tool;
    Point press;
    std::vector<Point> drags;
    AddShapeResult result;
    // The finished shape, when there is one.
    ToolType kind = ToolType::ToolNone;
    Rect rect{};
    std::vector<Point> stroke{};
};

const GestureCase kGestures[] = {
    // A click without a drag draws nothing, whatever the tool.
    {"RectClick", ToolType::ToolRect, {10, 10}, {}, AddShapeResult::NothingDrawn},
    {"BrushClick", ToolType::ToolBrush, {10, 10}, {}, AddShapeResult::NothingDrawn},
    // One drag event makes a stroke of one point: dropped and logged.
    {"BrushOneDrag", ToolType::ToolBrush, {10, 10}, {{20, 20}}, AddShapeResult::PointsNotEnough},
    {"MosaicOneDrag", ToolType::ToolMosaic, {10, 10}, {{20, 20}}, AddShapeResult::PointsNotEnough},
    // A stroke starts at the first drag position, not at the press.
    {"BrushStroke",
     ToolType::ToolBrush,
     {1, 1},
     {{5, 6}, {9, 3}},
     AddShapeResult::Added,
     ToolType::ToolBrush,
     {},
     {{5, 6}, {9, 3}}},
    {"GlitterStroke",
     ToolType::ToolGlitter,
     {1, 1},
     {{5, 6}, {9, 3}, {2, 2}},
     AddShapeResult::Added,
     ToolType::ToolGlitter,
     {},
     {{5, 6}, {9, 3}, {2, 2}}},
    {"MosaicStroke",
     ToolType::ToolMosaic,
     {1, 1},
     {{5, 6}, {9, 3}},
     AddShapeResult::Added,
     ToolType::ToolMosaic,
     {},
     {{5, 6}, {9, 3}}},
    // Rectangles span press and latest drag in any direction.
    {"RectDownLeft",
     ToolType::ToolRect,
     {40, 50},
     {{30, 30}, {10, 20}},
     AddShapeResult::Added,
     ToolType::ToolRect,
     {10, 20, 30, 30}},
    {"EllipseUpRight",
     ToolType::ToolEllipse,
     {10, 20},
     {{40, 50}},
     AddShapeResult::Added,
     ToolType::ToolEllipse,
     {10, 20, 30, 30}},
    // Single precision, as shapes always had.
    {"RectSinglePrecision",
     ToolType::ToolRect,
     {0.1, 0.2},
     {{0.3, 0.7}},
     AddShapeResult::Added,
     ToolType::ToolRect,
     {0.1f, 0.2f, 0.3f - 0.1f, 0.7f - 0.2f}},
    {"Arrow",
     ToolType::ToolArrow,
     {200, 100},
     {{150, 120}, {100, 140}},
     AddShapeResult::Added,
     ToolType::ToolArrow,
     {100, 100, 100, 40}},
    // Text has its own editor: its press and drags leave the pen alone.
    {"TextDrag", ToolType::ToolText, {10, 10}, {{40, 40}, {50, 50}}, AddShapeResult::NothingDrawn},
};

class Gesture : public ::testing::TestWithParam<GestureCase> {};

TEST_P(Gesture, MakesTheShape) {
    const GestureCase& c = GetParam();
    FakeLog log;
    ShapeHistory history(&log);
    history.reset();
    history.pressTool(c.tool, c.press);
    for (const Point& p : c.drags) history.dragTool(c.tool, c.press, p);

    EXPECT_EQ(history.addNewShape(), c.result);
    EXPECT_EQ(log.has(kTooFewPoints), c.result == AddShapeResult::PointsNotEnough);
    EXPECT_EQ(history.currShape().m_eType, ToolType::ToolNone);  // emptied for the next one
    EXPECT_EQ(history.currShape().brushCount, 0);
    EXPECT_TRUE(history.currShape().brushPoints.empty());
    if (c.result != AddShapeResult::Added) {
        EXPECT_FALSE(history.isHaveDrawed());
        return;
    }
    ASSERT_EQ(history.getShapesCount(), 1);
    const DrawShape& s = history.arrayShapes().front();
    EXPECT_EQ(s.m_eType, c.kind);
    EXPECT_EQ(s.m_rect, c.rect);
    EXPECT_EQ(s.brushPoints, c.stroke);
    EXPECT_EQ(s.brushCount, static_cast<int>(c.stroke.size()));
    if (c.kind == ToolType::ToolArrow) {
        EXPECT_EQ(s.m_startPoint, c.press);
        EXPECT_EQ(s.m_endPoint, c.drags.back());
    }
}

INSTANTIATE_TEST_SUITE_P(Tools, Gesture, ::testing::ValuesIn(kGestures),
                         [](const auto& info) { return std::string(info.param.name); });

// A rectangle from (x, 0) to (x + 10, 10), finished.
void drawRect(ShapeHistory& history, double x) {
    history.pressTool(ToolType::ToolRect, {x, 0});
    history.dragTool(ToolType::ToolRect, {x, 0}, {x + 10, 10});
    ASSERT_EQ(history.addNewShape(), AddShapeResult::Added);
}

std::vector<double> lefts(const ShapeHistory& history) {
    std::vector<double> xs;
    for (const DrawShape& s : history.arrayShapes()) xs.push_back(s.m_rect.x);
    return xs;
}

TEST(ShapeHistoryUndo, RemovesTheLastShapeOnly) {
    ShapeHistory history;
    for (double x : {1, 2, 3}) drawRect(history, x);
    EXPECT_TRUE(history.unDo());
    EXPECT_EQ(lefts(history), (std::vector<double>{1, 2}));
    EXPECT_TRUE(history.isHaveDrawed());
}

TEST(ShapeHistoryUndo, EmptyListDoesNothing) {
    ShapeHistory history;
    EXPECT_FALSE(history.unDo());
    EXPECT_FALSE(history.canRedo());
    EXPECT_FALSE(history.isHaveDrawed());
}

TEST(ShapeHistoryRedo, RestoresInReverseOrderOfUndo) {
    ShapeHistory history;
    for (double x : {1, 2, 3}) drawRect(history, x);
    history.unDo();
    history.unDo();
    EXPECT_TRUE(history.reDo());
    EXPECT_EQ(lefts(history), (std::vector<double>{1, 2}));
    EXPECT_TRUE(history.reDo());
    EXPECT_EQ(lefts(history), (std::vector<double>{1, 2, 3}));
    EXPECT_FALSE(history.reDo());
}

TEST(ShapeHistoryRedo, NewShapeClearsIt) {
    ShapeHistory history;
    drawRect(history, 1);
    drawRect(history, 2);
    history.unDo();
    drawRect(history, 7);
    EXPECT_FALSE(history.canRedo());
    EXPECT_FALSE(history.reDo());
    EXPECT_EQ(lefts(history), (std::vector<double>{1, 7}));
}

// Only a shape that was added changes what can be redone.
TEST(ShapeHistoryRedo, SurvivesGesturesThatAddNothing) {
    FakeLog log;
    ShapeHistory history(&log);
    drawRect(history, 1);
    history.unDo();
    history.pressTool(ToolType::ToolBrush, {0, 0});
    history.dragTool(ToolType::ToolBrush, {0, 0}, {5, 5});
    EXPECT_EQ(history.addNewShape(), AddShapeResult::PointsNotEnough);
    history.pressTool(ToolType::ToolRect, {0, 0});
    EXPECT_EQ(history.addNewShape(), AddShapeResult::NothingDrawn);
    EXPECT_EQ(history.addText(QString(), {0, 0, 10, 10}), AddShapeResult::NothingDrawn);
    EXPECT_TRUE(history.reDo());
}

TEST(ShapeHistoryRedo, ResetClearsIt) {
    ShapeHistory history;
    drawRect(history, 1);
    history.unDo();
    history.reset();
    EXPECT_FALSE(history.canRedo());
    EXPECT_EQ(history.getShapesCount(), 0);
}

TEST(ShapeHistoryPen, StartsMiddleSizedAndRed) {
    const ShapeHistory history;
    const DrawShape& pen = history.currShape();
    EXPECT_EQ(pen.m_penSize, PenSize::Mid);
    EXPECT_EQ(pen.m_penColor, (Color{1, 0, 0, 1}));
    EXPECT_EQ(pen.m_colorIndex, 0);
    EXPECT_EQ(pen.m_textSize, 0);
    EXPECT_EQ(static_cast<int>(pen.m_eType), 0);
}

// The settings chosen on the colour bar stay through every way the pen is emptied, and each
// finished shape carries them.
TEST(ShapeHistoryPen, SettingsSurviveEveryReset) {
    FakeLog log;
    ShapeHistory history(&log);
    DrawShape& pen = history.currShape();
    pen.m_penSize = PenSize::Big;
    pen.m_penColor = {0, 0.5, 1, 1};
    pen.m_colorIndex = 4;
    pen.m_textSize = 18;
    const auto settingsKept = [&](const DrawShape& s) {
        EXPECT_EQ(s.m_penSize, PenSize::Big);
        EXPECT_EQ(s.m_penColor, (Color{0, 0.5, 1, 1}));
        EXPECT_EQ(s.m_colorIndex, 4);
        EXPECT_EQ(s.m_textSize, 18);
    };
    drawRect(history, 1);
    settingsKept(history.arrayShapes().back());
    settingsKept(history.currShape());
    history.pressTool(ToolType::ToolBrush, {0, 0});
    history.dragTool(ToolType::ToolBrush, {0, 0}, {5, 5});
    history.addNewShape();  // dropped
    settingsKept(history.currShape());
    history.resetCurrPen();
    settingsKept(history.currShape());
    history.reset();  // the next capture
    settingsKept(history.currShape());
    drawRect(history, 2);
    settingsKept(history.arrayShapes().back());
}

// A press whose previous gesture never got its release starts afresh instead of joining the
// old stroke with a line.
TEST(ShapeHistoryPen, PressDropsAnUnfinishedStroke) {
    ShapeHistory history;
    history.pressTool(ToolType::ToolBrush, {0, 0});
    history.dragTool(ToolType::ToolBrush, {0, 0}, {1, 1});
    history.dragTool(ToolType::ToolBrush, {0, 0}, {2, 2});
    history.pressTool(ToolType::ToolBrush, {50, 50});
    history.dragTool(ToolType::ToolBrush, {50, 50}, {51, 51});
    history.dragTool(ToolType::ToolBrush, {50, 50}, {52, 52});
    ASSERT_EQ(history.addNewShape(), AddShapeResult::Added);
    EXPECT_EQ(history.arrayShapes().back().brushPoints, (std::vector<Point>{{51, 51}, {52, 52}}));
}

TEST(ShapeHistoryText, CommitsThroughThePen) {
    ShapeHistory history;
    history.currShape().m_textSize = 24;
    ASSERT_EQ(history.addText(QStringLiteral("hi\nthere"), {100, 200, 80, 40}),
              AddShapeResult::Added);
    const DrawShape& s = history.arrayShapes().back();
    EXPECT_EQ(s.m_eType, ToolType::ToolText);
    EXPECT_EQ(s.m_textString, QStringLiteral("hi\nthere"));
    EXPECT_EQ(s.m_textSize, 24);
    EXPECT_EQ(s.m_startPoint, (Point{104, 204}));
    EXPECT_EQ(s.m_textrect, (Rect{105, 200, 80, 40}));
    EXPECT_EQ(s.m_rect.origin(), (Point{105, 200}));
    EXPECT_EQ(s.m_rect.height, 40);
    EXPECT_GT(s.m_rect.width, 1e30);  // never wraps
    EXPECT_EQ(history.currShape().m_eType, ToolType::ToolNone);
}

}  // namespace
