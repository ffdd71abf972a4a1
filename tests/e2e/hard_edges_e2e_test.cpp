// The real binary when its surroundings misbehave: started with closed standard streams,
// closed by the window manager, ended by a signal, or left by its X server. Whatever happens,
// it ends by itself, reports a result kind that says what happened, and never claims an
// image it did not deliver.
#include <signal.h>

#include <random>

#include "e2e/capture_e2e_fixture.h"

namespace {

constexpr int kExitCannotRecord = 253;  // -3 as a parent reads the low eight bits

class HardEdgesE2E : public CaptureE2E {
protected:
    void select() { drag({150, 120}, {750, 520}, {{400, 300}}); }
    static constexpr Rect kSelected{150, 120, 600, 400};
};

// With its standard error closed, the X connection would otherwise get descriptor 2 and the
// log lines would land in the protocol stream.
TEST_F(HardEdgesE2E, ClosedStandardStreamsInBothModes) {
    tool.setStandardError(kClosedStream);
    tool.setStandardOutput(kClosedStream);
    ASSERT_TRUE(tool.start({{}, 0, 1, 10, 20, 300, 200}, display()));
    EXPECT_EQ(resultGeometry(finish(1)), (Rect{10, 20, 300, 200}));
    EXPECT_FALSE(pastedImage().isNull());

    tool.reset();  // a fresh run for the interactive capture
    tool.setStandardError(kClosedStream);
    startInteractive();
    input({"key", "Escape"});
    EXPECT_EQ(finish(2)["Type"].toInt(), 2);
}

TEST_F(HardEdgesE2E, WindowManagerClosingTheCaptureCancels) {
    startInteractive();
    select();
    askWindowManagerToClose(activeWindow());
    const QJsonObject r = finish(2);
    EXPECT_EQ(resultGeometry(r), kSelected);
    EXPECT_TRUE(pasteClipboard(display()).isEmpty());
}

// Each of the three signals a session or a host sends to end a program.
TEST_F(HardEdgesE2E, SignalsCancelWithAResultAndLeaveTheClipboard) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        tool.reset();
        startInteractive();
        select();
        ASSERT_EQ(kill(tool.pid(), signal), 0);
        const QJsonObject r = finish(2);
        EXPECT_EQ(r["Type"].toInt(), 2);
        EXPECT_EQ(resultGeometry(r), kSelected);
        EXPECT_NE(tool.standardError().find("ended from outside"), std::string::npos);
    }
    EXPECT_TRUE(pasteClipboard(display()).isEmpty());
}

TEST_F(HardEdgesE2E, LosingTheDisplayMidCaptureCannotRecord) {
    startInteractive();
    select();
    session->stopServer();
    ASSERT_TRUE(tool.waitForExit(15s)) << tool.standardError();
    EXPECT_EQ(tool.exitStatus(), kExitCannotRecord) << tool.standardError();
    EXPECT_NE(tool.standardError().find("the X display was lost"), std::string::npos)
        << tool.standardError();
    const auto r = tool.result();
    ASSERT_TRUE(r) << "the selection so far is reported";
    EXPECT_EQ((*r)["Type"].toInt(), 2);
    EXPECT_EQ(resultGeometry(*r), kSelected);
}

// The server goes away at any moment of the start-up: before the display check, between it
// and the toolkit's start, or once the overlay is up. Every run must end as unable to record,
// never as finished and never with an abort.
TEST(DisplayLossE2E, AtAnyMomentOfTheStartUp) {
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> delayMs(0, 120);
    for (int run = 0; run < 16; ++run) {
        XSession x;
        ASSERT_TRUE(x.ok()) << x.error();
        ToolRun tool;
        ASSERT_TRUE(tool.start({{}, 0, run % 2 == 0 ? 0 : 2}, x.display()));
        const int delay = delayMs(random);
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
        x.stopServer();
        ASSERT_TRUE(tool.waitForExit(20s)) << "run " << run << " hangs\n" << tool.standardError();
        // An automatic capture may well finish before the server goes.
        const bool finishedFirst = run % 2 == 1 && tool.exitStatus() == 1 && tool.result();
        if (!finishedFirst) {
            EXPECT_EQ(tool.exitStatus(), kExitCannotRecord)
                << "run " << run << " after " << delay << " ms\n"
                << tool.standardError();
        }
    }
}

}  // namespace
