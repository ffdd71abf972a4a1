// The windows a KWin script reports, read from its answer: which count, and in which order.
#include "platform/wayland/kwin_window_list.h"

#include <gtest/gtest.h>

#include "support/geometry_printers.h"

namespace {

TEST(KWinWindowList, TheScriptsAnswerFrontMostFirstOwnLeftOut) {
    struct Case {
        const char* name;
        const char* answer;  // bottom-most first, as the script sends it
        std::vector<Rect> windows;
    };
    const Case cases[] = {
        {"the stack turned over",
         R"([{"pid": 11, "x": 0, "y": 0, "width": 400, "height": 300},
             {"pid": 12, "x": 100, "y": 50, "width": 240, "height": 160}])",
         {{100, 50, 240, 160}, {0, 0, 400, 300}}},
        {"ours and empty frames left out",
         R"([{"pid": 99, "x": 0, "y": 0, "width": 1280, "height": 800},
             {"pid": 12, "x": 10, "y": 10, "width": 0, "height": 100},
             {"pid": 13, "x": -20, "y": 5.5, "width": 300, "height": 200}])",
         {{-20, 5.5, 300, 200}}},
        {"not an answer", "<html>", {}},
        {"no windows", "[]", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(KWinWindowList::windowsOfAnswer(c.answer, 99), c.windows);
    }
}

}  // namespace
