// The text tool with real input on a real X server: a press inside the selection opens the
// editor, xdotool types into it, a double click inside the selection finishes; then the pasted
// image against the screen as it was. With QUILLET_SCREENSHOT_DIR set, the screen is saved
// there (imagemagick's import) while the text is being typed.

#include <cstdlib>

#include "e2e/annotation_e2e_fixture.h"
#include "support/x_keymap.h"

namespace {

// The press that opens the editor, in root pixels: the editor's top edge is 10 pixels above
// it, and the text starts 5 pixels right of it.
constexpr int kPressX = 300, kPressY = 250;
const QRect kTextArea(kPressX + 5, kPressY - 10, 150, 60);

struct TextCase {
    const char* name;
    std::vector<std::vector<std::string>> keys;  // xdotool commands, in order
    const char* swatch;                          // colour bar control
    QRgb color;
    int lines;
    friend void PrintTo(const TextCase& c, std::ostream* out) { *out << c.name; }
};

class TextE2E : public AnnotationE2E, public testing::WithParamInterface<TextCase> {
protected:
    void screenshot(const std::string& name) {
        const char* dir = std::getenv("QUILLET_SCREENSHOT_DIR");
        if (dir == nullptr) return;
        const std::string command =
            "import -display " + display() + " -window root " + dir + "/" + name + ".png";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
    }
};

TEST_P(TextE2E, TypedLinesInTheChosenColourWhereTheyWereTyped) {
    const TextCase& c = GetParam();
    for (const auto& keys : c.keys) {
        if (keys.front() == "type") {
            ASSERT_TRUE(bindCharactersToSpareKeys(display(), keys.back()));
        }
    }
    select();
    clickTool("textButton");
    clickColorbar(c.swatch);
    input({"mousemove", std::to_string(kPressX), std::to_string(kPressY)});
    input({"click", "1"});
    for (const auto& keys : c.keys) input(keys);
    screenshot(std::string("text-typing-") + c.name);
    // A double click inside the selection, away from the editor, commits and finishes.
    input({"mousemove", "600", "450"});
    input({"click", "--repeat", "2", "--delay", "80", "1"});
    const Result r = finishedImage();
    if (const char* dir = std::getenv("QUILLET_SCREENSHOT_DIR")) {
        r.pasted.save(QString::fromLocal8Bit(dir) + "/text-delivered-" + c.name + ".png");
    }

    const QRect area(inImage(kTextArea.left(), kTextArea.top()), kTextArea.size());
    EXPECT_EQ(changedInImage(r) - QRegion(area), QRegion()) << "only the text changed the image";
    // Pixels of exactly the chosen colour, line by line (lines of 16-pixel Arial are about
    // 18 pixels apart), and none above the editor's top edge.
    const auto inkInRows = [&](int top, int bottom) {
        int n = 0;
        for (int y = top; y < bottom; ++y) {
            for (int x = area.left(); x <= area.right(); ++x) n += r.pasted.pixel(x, y) == c.color;
        }
        return n;
    };
    EXPECT_EQ(inkInRows(area.top() - 20, area.top()), 0);
    for (int line = 0; line < 3; ++line) {
        const int top = area.top() + 1 + 18 * line;
        const int ink = inkInRows(top, top + 16);
        if (line < c.lines) {
            EXPECT_GT(ink, 10) << "line " << line;
        } else {
            EXPECT_EQ(ink, 0) << "line " << line;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextE2E,
    testing::Values(
        // Return breaks the line while typing; it does not finish.
        TextCase{"Latin",
                 {{"type", "Hi"}, {"key", "Return"}, {"type", "there"}},
                 "swatch2",
                 qRgb(17, 129, 254),
                 2},
        // Characters outside the keyboard's own map, without an input method (bound to spare
        // keys first: see support/x_keymap.h).
        TextCase{"Chinese", {{"type", "截图"}}, "swatch0", qRgb(255, 0, 0), 1}),
    [](const testing::TestParamInfo<TextCase>& info) { return std::string(info.param.name); });

}  // namespace
