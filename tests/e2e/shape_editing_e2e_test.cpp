// Finished shapes changed after drawing, with real input on a real X server: grabbed by their
// outline and moved, the move undone, removed, recoloured and resized, a text opened again
// with a double click; then the pasted image against the screen as it was.

#include "e2e/annotation_e2e_fixture.h"
#include "support/x_keymap.h"

namespace {

constexpr QRgb kRed = qRgb(255, 0, 0);
constexpr QRgb kBlue = qRgb(17, 129, 254);  // the third swatch

class ShapeEditingE2E : public AnnotationE2E {
protected:
    // A rectangle from (250, 200) to (450, 350) in the default pen; with `click`, a click on
    // its left edge, away from its handles, selects it (a drag's press selects it too: a click
    // just before would make that press a double click, which finishes).
    void drawRectangle(bool click) {
        select();
        clickTool("rectButton");
        drag({250, 200}, {450, 350}, {{300, 260}, {400, 300}});
        if (!click) return;
        input({"mousemove", "250", "240"});
        input({"click", "1"});
    }
    bool inked(const Result& r, int x, int y, QRgb colour) const {
        return r.pasted.pixel(inImage(x, y)) == colour;
    }
    bool untouched(const Result& r, int x, int y) const {
        return r.pasted.pixel(inImage(x, y)) == r.screen.pixel(inImage(x, y));
    }
};

TEST_F(ShapeEditingE2E, ARectangleMovedByItsOutlineChangedAndRemovedEachUndoable) {
    struct Row {
        const char* name;
        std::vector<std::vector<std::string>> keys;  // after the rectangle is selected
        const char* colourBar[2];                    // clicked after the keys
        bool moved;                                  // by the drag below
        bool undoneAfterwards;
    };
    const Row rows[] = {
        {"moved", {}, {}, true, false},
        {"moved, then undone", {}, {}, true, true},
        {"nudged by the arrow keys", {{"key", "shift+Right"}, {"key", "Down"}}, {}, false, false},
        {"recoloured and made wider", {}, {"swatch2", "bigButton"}, false, false},
        {"removed", {{"key", "Delete"}}, {}, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (&row != rows) restartTool();
        drawRectangle(!row.moved);
        // Taken by the same edge, without a press on the handles or inside it.
        if (row.moved) drag({250, 240}, {290, 270}, {{270, 255}});
        for (const auto& key : row.keys) input(key);
        for (const char* control : row.colourBar) {
            if (control) clickColorbar(control);
        }
        if (row.undoneAfterwards) input({"key", "ctrl+z"});
        const Result r = finishWithImage();
        const std::string name = row.name;
        if (name == "removed") {
            EXPECT_TRUE(changedInImage(r).isEmpty()) << "the screen as it was";
        } else if (name == "recoloured and made wider") {
            EXPECT_TRUE(inked(r, 250, 300, kBlue));
            EXPECT_TRUE(inked(r, 247, 300, kBlue)) << "six points wide";
        } else {
            const int dx = row.moved && !row.undoneAfterwards ? 40 : row.moved ? 0 : 10;
            const int dy = row.moved && !row.undoneAfterwards ? 30 : row.moved ? 0 : 1;
            EXPECT_TRUE(inked(r, 250 + dx, 300, kRed)) << "the left edge where it went";
            EXPECT_TRUE(inked(r, 400, 350 + dy, kRed)) << "the bottom edge";
            if (dx != 0) {
                EXPECT_TRUE(untouched(r, 250, 300)) << "nothing left where it was";
            }
        }
    }
}

TEST_F(ShapeEditingE2E, ATextOpenedAgainWithADoubleClickIsAsIfTypedSo) {
    ASSERT_TRUE(bindCharactersToSpareKeys(display(), "abc"));
    const auto typeText = [this](const char* text) {
        clickTool("textButton");
        input({"mousemove", "300", "250"});
        input({"click", "1"});
        input({"type", text});
    };
    const auto finishAway = [this] {
        // The first press ends the text; the double click away from it finishes.
        input({"mousemove", "600", "450"});
        input({"click", "--repeat", "2", "--delay", "80", "1"});
        return finishedImage();
    };
    select();
    typeText("abc");
    const Result direct = finishAway();
    ASSERT_FALSE(changedInImage(direct).isEmpty()) << "the text was drawn";

    restartTool();
    select();
    typeText("ab");
    input({"mousemove", "600", "450"});
    input({"click", "1"});  // ends the text
    input({"mousemove", "312", "250"});
    input({"click", "--repeat", "2", "--delay", "80", "1"});
    input({"type", "c"});
    const Result edited = finishAway();
    EXPECT_TRUE(test_images::changedPixels(edited.pasted, direct.pasted).isEmpty())
        << "ab edited into abc is abc";
}

}  // namespace
