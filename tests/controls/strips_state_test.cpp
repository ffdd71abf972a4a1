#include "controls/strips_state.h"

#include <gtest/gtest.h>

#include <QSet>
#include <QStringList>

#include "support/geometry_printers.h"

namespace {

constexpr double kH = 900;  // screen height

TEST(StripPlacement, Table) {
    struct Row {
        const char* name;
        Rect selection;
        bool withColorbar;
        bool mosaic;
        Rect toolbar;
        std::optional<Rect> colorbar;
    };
    const Row rows[] = {
        {"toolbar alone below", {500, 300, 400, 200}, false, false, {513, 261, 384, 36}, {}},
        {"toolbar alone at the bottom: above",
         {500, 20, 400, 200},
         false,
         false,
         {513, 223, 384, 36},
         {}},
        {"both, bottom at 120: below",
         {500, 120, 400, 200},
         true,
         false,
         {513, 81, 384, 36},
         Rect{513, 42, 312, 36}},
        {"both, bottom at 100: above, colour bar on top",
         {500, 100, 400, 200},
         true,
         false,
         {513, 303, 384, 36},
         Rect{513, 342, 312, 36}},
        {"whole screen: inside at the top",
         {0, 0, 1440, 900},
         true,
         false,
         {1053, 861, 384, 36},
         Rect{1053, 822, 312, 36}},
        {"whole screen, toolbar alone", {0, 0, 1440, 900}, false, false, {1053, 861, 384, 36}, {}},
        {"narrow at the left edge: clamped",
         {0, 300, 200, 200},
         false,
         false,
         {0, 261, 384, 36},
         {}},
        // The mosaic bar is 135 wide, centred: with tx = 100, x = int(100 + 88.5) = 188.
        {"mosaic narrows the colour bar",
         {0, 300, 487, 200},
         true,
         true,
         {100, 261, 384, 36},
         Rect{188, 222, 135, 36}},
        {"fractional selection", {100.6, 300.7, 400.2, 200}, false, false, {113, 261, 384, 36}, {}},
    };
    for (const Row& row : rows) {
        const StripPlacement p = placeStrips(row.selection, kH, row.withColorbar, row.mosaic);
        EXPECT_EQ(p.toolbar, row.toolbar) << row.name;
        EXPECT_EQ(p.colorbar, row.colorbar) << row.name;
    }
}

TEST(StripsState, ShowHideAndHitTest) {
    StripsState s;
    EXPECT_FALSE(s.isIntoolbar({0, 0})) << "nothing is shown before the first selection";
    s.setToolbarShow(false);
    s.clearToolBorder();
    EXPECT_EQ(s.toolbarRect(), Rect{});

    s.showToolbar({500, 300, 400, 200}, kH, true, false);  // toolbar (513, 261), bar (513, 222)
    struct Row {
        Point p;
        bool inside;
    };
    const Row rows[] = {
        {{513, 261}, true},                           // bottom-left corner: inside
        {{896.9, 296.9}, true}, {{897, 280}, false},  // the right edge is outside
        {{600, 297}, false},                          // the top edge is outside
        {{513, 222}, true},                           // the colour bar
        {{824.9, 257.9}, true}, {{825, 230}, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(s.isIntoolbar(row.p), row.inside) << row.p.x << "," << row.p.y;
    }
    // Moving the selection moves the toolbar only; the colour bar keeps its place.
    s.showToolbar({100, 300, 400, 200}, kH, false, false);
    EXPECT_EQ(s.toolbarRect(), (Rect{113, 261, 384, 36}));
    EXPECT_EQ(s.colorbarRect(), (Rect{513, 222, 312, 36}));

    s.setColorbarShow(false);
    EXPECT_FALSE(s.isIntoolbar({513, 222})) << "a hidden strip's former place";
    EXPECT_EQ(s.colorbarRect(), Rect{});
    s.setToolbarShow(false);
    EXPECT_FALSE(s.isIntoolbar({120, 270}));
}

TEST(StripItems, TablesAndFontSizes) {
    // Tools 32 points apart, the undo button greys out, every member once.
    const auto& tools = toolbarItems();
    ASSERT_EQ(tools.size(), 12u);
    EXPECT_EQ(tools[0].frame, (Rect{16, 10, 16, 16}));
    EXPECT_EQ(tools[6].frame.x - tools[0].frame.x, 6 * 32);
    EXPECT_EQ(tools[8].member, "undoButton");
    EXPECT_EQ(tools[8].disabledImage, "Undo_disable");
    EXPECT_EQ(tools[11].foreHover, "Finish_h");
    EXPECT_TRUE(tools[7].drawnDisabled) << "the separator";
    // The separators: the toolbar's stands at its buttons' y, the colour bar's two lower.
    EXPECT_EQ(tools[7].frame, (Rect{240, 10, 1, 12}));
    for (const StripItem& i : colorbarItems()) {
        if (i.member == "splitLine2") {
            EXPECT_EQ(i.frame, (Rect{86, 12, 1, 12}));
        } else if (i.member == "splitLine3") {
            EXPECT_EQ(i.frame, (Rect{271, 12, 1, 12}));
        }
    }

    const auto& bar = colorbarItems();
    QSet<QString> members;
    for (const StripItem& i : bar) members.insert(i.member);
    EXPECT_EQ(members.size(), static_cast<qsizetype>(bar.size()));
    int swatches = 0;
    for (const StripItem& i : bar) {
        if (i.action != StripAction::onChangeColorEx) continue;
        EXPECT_EQ(i.frame.x, 95 + 24 * i.tag);
        EXPECT_EQ(i.fore, palette()[i.tag].image);
        ++swatches;
    }
    EXPECT_EQ(swatches, kSwatchCount);
    EXPECT_EQ(palette()[2].color, (Color{17 / 255.0, 129 / 255.0, 254 / 255.0, 1}));

    // Every title names its own size, and no two titles are the same item.
    QStringList titles;
    for (const FontSizeItem& size : kFontSizes) {
        const QString title = QString::fromLatin1(size.title);
        EXPECT_TRUE(title.startsWith(QStringLiteral("%1pt").arg(size.points))) << size.title;
        EXPECT_FALSE(titles.contains(title)) << size.title;
        titles << title;
    }
    EXPECT_TRUE(titles.contains(QStringLiteral("%1pt").arg(kDefaultTextPoints)));
}

}  // namespace
