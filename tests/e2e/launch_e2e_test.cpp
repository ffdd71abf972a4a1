// The launch contract of the real binary: no display, an ignored command.
#include <gtest/gtest.h>

#include "support/tool_run.h"
#include "support/x_session.h"
#include "support/x_waiter.h"

namespace {

using namespace std::chrono_literals;

constexpr int kExitCannotRecord = 253;  // -3 as a parent reads the low eight bits

TEST(LaunchE2E, WithoutADisplayExitsWithMinusThreeAndAClearMessage) {
    for (const std::string& display : {std::string(), std::string(":987")}) {
        ToolRun tool;
        ASSERT_TRUE(tool.start({}, display));
        ASSERT_TRUE(tool.waitForExit(10s));
        EXPECT_EQ(tool.exitStatus(), kExitCannotRecord) << display;
        const std::string err = tool.standardError();
        EXPECT_NE(err.find("cannot record the screen"), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << "one line: " << err;
        EXPECT_FALSE(tool.result()) << "no result file without a display";
    }
}

TEST(LaunchE2E, IgnoredCommandIdlesWithoutAWindow) {
    XSession x;
    ASSERT_TRUE(x.ok()) << x.error();
    XWaiter waiter(x.display());
    ASSERT_TRUE(waiter.ok());
    waiter.watchRootChildren();

    ToolRun tool;
    ASSERT_TRUE(tool.start({QJsonObject{{"CmdType", -1}}, 0, 2}, x.display()));
    const bool mapped = waiter.waitFor(
        [](const xcb_generic_event_t* e) { return (e->response_type & 0x7f) == XCB_MAP_NOTIFY; },
        1500ms);
    EXPECT_FALSE(mapped) << "an ignored command maps no window";
    EXPECT_TRUE(tool.running()) << "the process idles until ended from outside";
    EXPECT_NE(tool.standardError().find("local capture enter."), std::string::npos);
    EXPECT_FALSE(tool.result());
}

}  // namespace
