#include "overlay/overlay_layout.h"
#include "overlay/overlay_pieces.h"

#include <gtest/gtest.h>

#include "support/geometry_printers.h"

namespace {

const Size kScreen{1440, 900};

TEST(OverlayLayout, DarkStrips) {
    EXPECT_EQ(darkStrips({0, 0, 0.5, 10}, kScreen), (std::vector<Rect>{{0, 0, 1440, 900}}))
        << "no selection: the whole screen";
    EXPECT_EQ(darkStrips({100, 100, 300, 200}, kScreen), (std::vector<Rect>{
                                                             {0, 0, 100, 300},
                                                             {0, 299, 1440, 601},
                                                             {399, 0, 1041, 300},
                                                             {99, 0, 301, 100},
                                                         }));
    // Touching the left and bottom edges: those strips vanish.
    EXPECT_EQ(darkStrips({0, 0, 300, 200}, kScreen),
              (std::vector<Rect>{{0, 199, 1440, 701}, {299, 0, 1141, 200}}));
}

TEST(OverlayLayout, SizeLabel) {
    EXPECT_FALSE(sizeLabelRect({10, 10, 0.9, 100}, kScreen));
    EXPECT_EQ(sizeLabelRect({100.7, 100, 300, 200}, kScreen), (Rect{102, 308, 70, 20}));
    EXPECT_EQ(sizeLabelRect({100, 100, 300, 792}, kScreen), (Rect{102, 900, 70, 20}))
        << "only the label's bottom is compared with the screen height";
    EXPECT_EQ(sizeLabelRect({100, 100, 300, 795}, kScreen), (Rect{102, 867, 70, 20}))
        << "near the top: inside the selection";
}

TEST(OverlayLayout, MagnifierPlacement) {
    struct Row {
        Point cursor;
        Rect selection;
        bool logo;
        bool anchored;
        int px, py, height;
    };
    const Row rows[] = {
        {{300, 400}, {}, true, false, 305, 225, 150},         // right of and below the cursor
        {{300, 400}, {}, false, false, 305, 243, 132},        // no logo: a shorter panel
        {{1292, 400}, {}, true, false, 151 + 992, 225, 150},  // 1292 + 149 > 1440: left
        {{1291, 400}, {}, true, false, 1296, 225, 150},
        {{300, 174}, {}, true, false, 305, 199, 150},  // 174 - 150 < 25: above the cursor
        {{300, 175}, {}, true, false, 305, 0, 150},
        // Anchored to the selection: right of it, or left when its height would not fit.
        {{0, 0}, {100, 50, 300, 200}, true, true, 400, 49, 150},
        {{0, 0}, {1000, 0, 300, 200}, true, true, 856, 1, 150},
        {{0, 0}, {50, 50, 50, 200}, true, true, 100, 49, 150},
        {{0, 0}, {100, 50, 1300, 200}, true, true, 1, 49, 150},  // left would be negative
    };
    for (const Row& row : rows) {
        const MagnifierLayout m =
            magnifierLayout(row.cursor, row.selection, kScreen, row.logo, row.anchored);
        EXPECT_EQ(m.px, row.px) << row.cursor.x << "," << row.cursor.y;
        EXPECT_EQ(m.py, row.py) << row.cursor.x << "," << row.cursor.y;
        EXPECT_EQ(m.height, row.height);
    }
    const MagnifierLayout m = magnifierLayout({300.7, 400.2}, {}, kScreen, true, false);
    EXPECT_EQ(m.zoomSource, (Rect{283, 390, 35, 21}));
    EXPECT_EQ(m.zoomTarget, (Rect{306, 287, 144, 88}));
    EXPECT_EQ(m.textPanel, (Rect{305, 225, 144, 62}));
}

TEST(OverlayLayout, ReadoutPixel) {
    struct Row {
        Point cursor;
        double dpr;
        bool found;
        int x, y;
    };
    const Row rows[] = {
        {{10, 900}, 1, true, 10, 0},   // the top row
        {{10, 1}, 1, true, 10, 899},   // the bottom row
        {{10, 0}, 1, true, 10, 899},   // the bottom edge still reads the bottom row
        {{10, -3}, 1, true, 10, 899},  // clamped at 0 first
        {{1439, 450}, 1, true, 1439, 450}, {{1440, 450}, 1, false, 0, 0},  // right of the bitmap
        {{10, 901}, 1, false, 0, 0},                                       // above it
        {{10.5, 899.5}, 2, true, 21, 1},  // device pixels on a dense screen
    };
    for (const Row& row : rows) {
        const auto p = readoutPixel(row.cursor, kScreen, row.dpr);
        ASSERT_EQ(p.has_value(), row.found) << row.cursor.x << "," << row.cursor.y;
        if (p) {
            EXPECT_EQ(p->x, row.x);
            EXPECT_EQ(p->y, row.y);
        }
    }
}

TEST(OverlayLayout, Texts) {
    struct Row {
        QString actual;
        QString expected;
    };
    const Row rows[] = {
        {sizeLabelText({10, 10, 300.9, 200.2}), "300 * 200"},  // whole points, truncated
        {sizeLabelText({10, 10, 0, 0}), "0 * 0"},
        {magnifierPositionText({12.7, 899}), "(12, 899)"},
        {magnifierPositionText({-3, -0.5}), "(0, 0)"},  // clamped at the screen's corner
        {magnifierColorText(255, 8, 171), "RGB:#ff08ab"},
        {magnifierColorText(0, 0, 0), "RGB:#000000"},
    };
    for (const Row& row : rows) EXPECT_EQ(row.actual, row.expected);
}

// Every piece's area holds everything it paints, so that its repaint erases it completely.
TEST(OverlayPieces, AreasCoverWhatIsPainted) {
    OverlayScene scene;
    scene.screen = kScreen;
    scene.selection = {100, 100, 300, 200};
    scene.handlesShown = true;
    scene.magnifierShown = true;
    scene.pointer = {600, 500};
    scene.hasLogo = true;
    const auto area = [](const OverlayPieceAreas& a, OverlayPiece p) {
        return a[static_cast<int>(p)];
    };
    OverlayPieceAreas a = overlayPieceAreas(scene, 100);
    // The border and its handle discs (radius 3) reach 5 points to either side of each edge.
    EXPECT_EQ(area(a, OverlayPiece::BorderBottom), (Rect{95, 95, 310, 10}));
    EXPECT_EQ(area(a, OverlayPiece::BorderTop), (Rect{95, 295, 310, 10}));
    EXPECT_EQ(area(a, OverlayPiece::BorderLeft), (Rect{95, 95, 10, 210}));
    EXPECT_EQ(area(a, OverlayPiece::BorderRight), (Rect{395, 95, 10, 210}));
    EXPECT_EQ(area(a, OverlayPiece::SizeLabel), (Rect{101, 307, 72, 22}));
    EXPECT_EQ(area(a, OverlayPiece::Magnifier), (Rect{602, 322, 150, 156}))
        << "a logo line that fits: the panel and its outline";
    EXPECT_TRUE(area(a, OverlayPiece::TextEditorFrame).isEmpty());

    // Without handles the border reaches 2 points: hiding them changes the area, which
    // repaints where they were.
    scene.handlesShown = false;
    EXPECT_EQ(area(overlayPieceAreas(scene, 100), OverlayPiece::BorderLeft),
              (Rect{98, 98, 4, 204}));
    scene.handlesShown = true;

    // A logo line wider than the panel widens the area to the line's end (drawn from x + 5).
    a = overlayPieceAreas(scene, 300);
    EXPECT_EQ(area(a, OverlayPiece::Magnifier).right(), 605 + 5 + 300 + 1 + 3);

    scene.selection = {};
    scene.magnifierShown = false;
    scene.textEditorFrame = Rect{200, 200, 60, 30};
    a = overlayPieceAreas(scene, 300);
    for (int i = 0; i < kOverlayPieceCount; ++i) {
        if (static_cast<OverlayPiece>(i) == OverlayPiece::TextEditorFrame) continue;
        EXPECT_TRUE(a[i].isEmpty()) << "piece " << i << " is not shown";
    }
    EXPECT_EQ(area(a, OverlayPiece::TextEditorFrame), (Rect{194, 194, 72, 42}));
}

}  // namespace
