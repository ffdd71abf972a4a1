// Captures that cannot make an image end with kind 2 and a log line saying why, in both modes,
// and leave the clipboard alone.
#include <gtest/gtest.h>

#include "support/tool_run.h"
#include "support/x_readback.h"
#include "support/x_session.h"

namespace {

using namespace std::chrono_literals;

struct FailureCase {
    const char* name;
    int depth;  // of the X server's screen
    ToolLaunch launch;
    const char* logLine;
    friend void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }
};

class CaptureFailureE2E : public testing::TestWithParam<FailureCase> {};

TEST_P(CaptureFailureE2E, EndsWithKindTwoAndSaysWhy) {
    const FailureCase& c = GetParam();
    XSession session({.depth = c.depth});
    ASSERT_TRUE(session.ok()) << session.error();
    ToolRun tool;
    ASSERT_TRUE(tool.start(c.launch, session.display()));
    ASSERT_TRUE(tool.waitForExit(15s)) << "the capture must end by itself\n"
                                       << tool.standardError();
    EXPECT_EQ(tool.exitStatus(), 2) << tool.standardError();
    EXPECT_NE(tool.standardError().find(c.logLine), std::string::npos) << tool.standardError();
    ASSERT_TRUE(tool.result().has_value());
    EXPECT_EQ((*tool.result())["Type"].toInt(), 2);
    EXPECT_TRUE(pasteClipboard(session.display()).isEmpty()) << "the clipboard is left alone";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CaptureFailureE2E,
    testing::Values(
        FailureCase{"RectangleTooLarge",
                    24,
                    {{}, 0, 1, 0, 0, 100000, 100000},
                    "no image: the selection 100000x100000 at (0, -99200) is beyond the image "
                    "limits"},
        FailureCase{"ExtremeRectangle",
                    24,
                    {{}, 0, 1, -2147483647 - 1, 2147483647, 2147483647, 2147483647},
                    "no image: the selection 2147483647x2147483647"}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

// A display whose pixels come from a colour map cannot be captured at all: the tool says so,
// in both modes, before showing anything, as for a display it cannot reach.
TEST(CaptureFailureE2E, ColourMappedDisplayCannotBeRecorded) {
    XSession session({.depth = 8});
    ASSERT_TRUE(session.ok()) << session.error();
    for (const int flag : {2, 0}) {
        SCOPED_TRACE(flag);
        ToolRun tool;
        ASSERT_TRUE(tool.start({{}, 0, flag}, session.display()));
        ASSERT_TRUE(tool.waitForExit(15s)) << tool.standardError();
        EXPECT_EQ(tool.exitStatus(), 253) << tool.standardError();
        EXPECT_NE(tool.standardError().find("depth of 8 bits"), std::string::npos)
            << tool.standardError();
        EXPECT_FALSE(tool.result().has_value());
    }
}

}  // namespace
