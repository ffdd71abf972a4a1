// The text tool's editor frame, how far it grows, and what presses and commits make of it.
#include "annotate/text_entry.h"

#include <gtest/gtest.h>

#include <cfloat>

#include "support/geometry_printers.h"

namespace {

// The selection of every case: (100, 100) to (700, 500) in view coordinates.
const Rect kSelection{100, 100, 600, 400};

struct OpenCase {
    const char* name;
    Point press;
    Rect frame;
    Size maxSize;
};

const OpenCase kOpenCases[] = {
    // The press lies 10 points below the box's top edge.
    {"Middle", {300, 200}, {300, 180, 60, 30}, {400, 110}},
    // Near the right edge the box may not widen at all (the box keeps its opening size).
    {"RightEdge", {680, 400}, {680, 380, 60, 30}, {20, 310}},
    // Near the bottom edge it may hardly grow downwards.
    {"BottomEdge", {150, 110}, {150, 90, 60, 30}, {550, 20}},
    // Fractions are kept, and the limits rounded to single precision.
    {"Fraction", {300.1, 200}, {300.1, 180, 60, 30}, {static_cast<float>(399.9), 110}},
};

class TextEntryOpen : public testing::TestWithParam<OpenCase> {};

TEST_P(TextEntryOpen, FrameAndMaximumSize) {
    const OpenCase& c = GetParam();
    TextEntry entry;
    EXPECT_FALSE(entry.visible());
    EXPECT_EQ(entry.press(c.press, kSelection), TextEntry::Press::Opened);
    EXPECT_TRUE(entry.visible());
    EXPECT_EQ(entry.frame(), c.frame);
    EXPECT_EQ(entry.maxSize(), c.maxSize);
    EXPECT_EQ(textEditorFrameAt(c.press), c.frame);
}

INSTANTIATE_TEST_SUITE_P(Presses, TextEntryOpen, testing::ValuesIn(kOpenCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct GrowCase {
    const char* name;
    Point press;
    Size content;
    Rect frame;
};

const GrowCase kGrowCases[] = {
    // Small content keeps the opening size.
    {"Empty", {300, 200}, {6, 18}, {300, 180, 60, 30}},
    // Wider and taller: the top edge (y = 210) stays, the box grows right and down.
    {"TwoLines", {300, 200}, {85, 37}, {300, 173, 85, 37}},
    // Up to the selection's right edge (x = 700) and bottom edge (y = 100), no further.
    {"ClampedBoth", {300, 200}, {900, 500}, {300, 100, 400, 110}},
    // Where the selection leaves less than the opening size, the opening size stays.
    {"NoRoomRight", {680, 400}, {200, 30}, {680, 380, 60, 30}},
};

class TextEntryGrow : public testing::TestWithParam<GrowCase> {};

TEST_P(TextEntryGrow, FollowsTheContentWithinTheSelection) {
    const GrowCase& c = GetParam();
    TextEntry entry;
    entry.press(c.press, kSelection);
    EXPECT_EQ(entry.fitContent(c.content), c.frame);
    EXPECT_EQ(entry.frame(), c.frame);
    // And it shrinks back when the content does.
    EXPECT_EQ(entry.fitContent({1, 1}), textEditorFrameAt(c.press));
}

INSTANTIATE_TEST_SUITE_P(Contents, TextEntryGrow, testing::ValuesIn(kGrowCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TextEntry, SecondPressCommitsOnlyAndThirdOpensAgain) {
    TextEntry entry;
    ShapeHistory shapes;
    ASSERT_EQ(entry.press({300, 200}, kSelection), TextEntry::Press::Opened);
    // While typing, a press elsewhere ends the text and opens nothing.
    EXPECT_EQ(entry.press({500, 400}, kSelection), TextEntry::Press::Committed);
    EXPECT_EQ(entry.frame(), (Rect{300, 180, 60, 30})) << "the frame of the text being ended";
    EXPECT_EQ(entry.commit(shapes, QStringLiteral("ab")), AddShapeResult::Added);
    EXPECT_FALSE(entry.visible());
    EXPECT_EQ(entry.press({500, 400}, kSelection), TextEntry::Press::Opened);
    EXPECT_EQ(entry.frame(), (Rect{500, 380, 60, 30}));
}

TEST(TextEntry, CommitMakesTheTextShapeAtTheGrownFrame) {
    TextEntry entry;
    ShapeHistory shapes;
    shapes.currShape().m_textSize = 18;
    shapes.currShape().m_penColor = {0, 0, 1, 1};
    entry.press({300, 200}, kSelection);
    entry.fitContent({85, 42});  // two lines typed
    ASSERT_EQ(entry.commit(shapes, QStringLiteral("ab\ncd")), AddShapeResult::Added);
    ASSERT_EQ(shapes.getShapesCount(), 1);
    const DrawShape& s = shapes.arrayShapes().back();
    EXPECT_EQ(s.m_eType, ToolType::ToolText);
    EXPECT_EQ(s.m_textString, QStringLiteral("ab\ncd"));
    EXPECT_EQ(s.m_textSize, 18);
    EXPECT_EQ(s.m_penColor, (Color{0, 0, 1, 1}));
    // The editor's frame (300, 168, 85, 42) moved 5 points right; the drawing rectangle of
    // unlimited width from there, so the top edge (y = 210) is where the editor's was.
    EXPECT_EQ(s.m_textrect, (Rect{305, 168, 85, 42}));
    EXPECT_EQ(s.m_rect, (Rect{305, 168, FLT_MAX, 42}));
    EXPECT_EQ(s.m_rect.width, 3.4028234663852886e38);
    EXPECT_EQ(s.m_startPoint, (Point{304, 172}));
    EXPECT_EQ(shapes.currShape().m_eType, ToolType::ToolNone) << "the pen is empty again";
    EXPECT_EQ(shapes.currShape().m_textSize, 18) << "its settings stay";
}

TEST(TextEntry, EmptyOrHiddenTextMakesNoShape) {
    TextEntry entry;
    ShapeHistory shapes;
    // Nothing typed yet: nothing to commit.
    EXPECT_EQ(entry.commit(shapes, QStringLiteral("old")), AddShapeResult::NothingDrawn);
    entry.press({300, 200}, kSelection);
    EXPECT_EQ(entry.commit(shapes, QString()), AddShapeResult::NothingDrawn);
    EXPECT_FALSE(entry.visible()) << "hidden all the same";
    // A text dropped (undo while typing) is never committed later.
    entry.press({300, 200}, kSelection);
    entry.hide();
    EXPECT_EQ(entry.commit(shapes, QStringLiteral("dropped")), AddShapeResult::NothingDrawn);
    EXPECT_FALSE(shapes.isHaveDrawed());
}

}  // namespace
