// Finished shapes taken hold of and changed: where a press grabs each kind, what a drag does,
// and that every change, removal and addition undoes and redoes in order.
#include <gtest/gtest.h>

#include "annotate/shape_bounds.h"
#include "annotate/shape_history.h"
#include "support/geometry_printers.h"

namespace {

// One shape of each kind through the history's own gestures, as the user draws them.
ShapeHistory drawnShapes() {
    ShapeHistory h;
    const auto gesture = [&h](ToolType tool, std::vector<Point> points) {
        h.pressTool(tool, points.front());
        for (const Point& p : points) h.dragTool(tool, points.front(), p);
        h.addNewShape();
    };
    gesture(ToolType::ToolRect, {{100, 100}, {200, 160}});
    gesture(ToolType::ToolEllipse, {{300, 100}, {400, 200}});
    gesture(ToolType::ToolArrow, {{100, 300}, {200, 300}});
    gesture(ToolType::ToolBrush, {{300, 300}, {300, 300}, {350, 300}, {350, 350}});
    gesture(ToolType::ToolMosaic, {{500, 100}, {500, 100}, {600, 100}});
    h.addText(QStringLiteral("ab"), {500, 300, 60, 30});
    return h;
}

struct KindCase {
    const char* name;
    size_t index;  // in drawnShapes()
    Point on;      // a press that takes hold of it
    Point off;     // a press near it that does not
};

const KindCase kKinds[] = {
    {"RectOutline", 0, {120, 161}, {120, 130}},     // inside is not the outline
    {"EllipseOutline", 1, {375, 194}, {350, 150}},  // at 60 degrees; its centre
    {"ArrowShaft", 2, {150, 301}, {150, 310}},      // beside the shaft
    {"BrushStroke", 3, {352, 320}, {330, 330}},     // the inner corner of the L
    {"MosaicArea", 4, {550, 108}, {550, 115}},      // 20 wide: 10 from the line, no slack
    {"TextArea", 5, {520, 310}, {500, 310}},        // the area starts 5 points right
};

class ShapeEditingByKind : public testing::TestWithParam<KindCase> {};

TEST_P(ShapeEditingByKind, GrabMoveRemoveAndTheirUndo) {
    const KindCase& c = GetParam();
    ShapeHistory h = drawnShapes();
    const std::vector<DrawShape> drawn = h.arrayShapes();
    const auto hold = h.holdAt(c.on);
    ASSERT_TRUE(hold.has_value());
    EXPECT_EQ(hold->index, c.index);
    EXPECT_EQ(hold->grip.part, ShapeGrip::Part::Body);
    const auto offHold = h.holdAt(c.off);
    EXPECT_TRUE(!offHold || offHold->index != c.index) << "a press beside it";

    // A drag moves the whole shape; the grab's start and end make one step.
    const DrawShape before = drawn[c.index];
    const Point to{c.on.x + 30, c.on.y - 20};
    h.preview(c.index, draggedShape(before, hold->grip, c.on, {c.on.x + 5, c.on.y}));
    h.change(c.index, before, draggedShape(before, hold->grip, c.on, to));
    const Rect was = shapeBounds(before), now = shapeBounds(h.arrayShapes()[c.index]);
    EXPECT_EQ((Point{now.x - was.x, now.y - was.y}), (Point{30, -20}));
    EXPECT_EQ(now.size(), was.size());
    ASSERT_TRUE(h.holdAt({c.on.x + 30, c.on.y - 20}).has_value()) << "grabbed where it went";

    // Removed, the shapes above keep their order; undo twice is the drawing as it was.
    h.select(c.index);
    h.remove(c.index, h.arrayShapes()[c.index]);
    EXPECT_EQ(h.getShapesCount(), int(drawn.size()) - 1);
    EXPECT_FALSE(h.selected().has_value());
    ASSERT_TRUE(h.unDo());
    ASSERT_TRUE(h.unDo());
    EXPECT_EQ(h.arrayShapes(), drawn);
    // Redo makes both again; a new shape then ends what could be redone.
    ASSERT_TRUE(h.reDo());
    EXPECT_EQ(shapeBounds(h.arrayShapes()[c.index]), now);
    ASSERT_TRUE(h.reDo());
    EXPECT_EQ(h.getShapesCount(), int(drawn.size()) - 1);
    h.unDo();
    h.addText(QStringLiteral("c"), {0, 0, 60, 30});
    EXPECT_FALSE(h.canRedo());
    // Undo runs back through the addition, the move and every drawn shape.
    int steps = 0;
    while (h.unDo()) ++steps;
    EXPECT_EQ(steps, 2 + int(drawn.size()));
    EXPECT_TRUE(h.arrayShapes().empty());
}

INSTANTIATE_TEST_SUITE_P(Shapes, ShapeEditingByKind, testing::ValuesIn(kKinds),
                         [](const auto& info) { return std::string(info.param.name); });

struct HandleCase {
    const char* name;
    size_t index;
    Point handle;  // pressed at
    Point to;      // dragged to
    Rect bounds;   // afterwards
};

const HandleCase kHandles[] = {
    {"RectTopRight", 0, {200, 160}, {220, 180}, {100, 100, 120, 80}},
    {"RectLeftPastRight", 0, {101, 130}, {251, 130}, {200, 100, 50, 60}},  // flips
    {"RectBottomPastTop", 0, {150, 100}, {150, 200}, {100, 160, 100, 40}},
    {"EllipseBottomLeft", 1, {300, 100}, {280, 90}, {280, 90, 120, 110}},
    {"ArrowTip", 2, {200, 300}, {200, 360}, {100, 300, 100, 60}},
    {"ArrowStart", 2, {100, 300}, {150, 250}, {150, 250, 50, 50}},
};

class ShapeEditingHandles : public testing::TestWithParam<HandleCase> {};

TEST_P(ShapeEditingHandles, ResizeOrMoveAnEnd) {
    const HandleCase& c = GetParam();
    ShapeHistory h = drawnShapes();
    const auto hold = h.holdAt(c.handle);
    ASSERT_TRUE(hold.has_value());
    ASSERT_EQ(hold->index, c.index);
    ASSERT_NE(hold->grip.part, ShapeGrip::Part::Body);
    const DrawShape before = h.arrayShapes()[c.index];
    h.change(c.index, before, draggedShape(before, hold->grip, c.handle, c.to));
    EXPECT_EQ(shapeBounds(h.arrayShapes()[c.index]), c.bounds);
    h.unDo();
    EXPECT_EQ(h.arrayShapes()[c.index], before);
}

INSTANTIATE_TEST_SUITE_P(Shapes, ShapeEditingHandles, testing::ValuesIn(kHandles),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ShapeEditing, TheTopShapeAndTheSelectedHandlesComeFirst) {
    ShapeHistory h;
    h.addText(QStringLiteral("under"), {95, 95, 60, 30});  // its area holds the rectangle's corner
    h.pressTool(ToolType::ToolRect, {100, 100});
    h.dragTool(ToolType::ToolRect, {100, 100}, {200, 200});
    h.addNewShape();
    EXPECT_EQ(h.holdAt({100, 150})->index, 1u) << "the top shape first";
    h.select(0);
    // The text's corner is under the rectangle's outline: the selected shape's handle wins
    // only where it is a handle that resizes; a text's corners only show it is selected.
    EXPECT_EQ(h.holdAt({100, 101})->index, 1u);
    // A change equal to what was there is no step.
    const DrawShape same = h.arrayShapes()[1];
    h.change(1, same, same);
    h.unDo();
    EXPECT_EQ(h.getShapesCount(), 1) << "the undo took the rectangle back, not a no-op";
}

}  // namespace
