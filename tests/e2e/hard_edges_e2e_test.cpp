// The real binary when its surroundings misbehave: started with closed standard streams,
// closed by the window manager, ended by a signal, or left by its X server. Whatever happens,
// it ends by itself, reports a result kind that says what happened, and never claims an
// image it did not deliver.
#include <signal.h>

#include <QFile>
#include <QTemporaryDir>
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
    tool.setStandardError(kClosedStream);  // 2>&-
    ASSERT_TRUE(tool.start({{}, 0, 1, 10, 20, 300, 200}, display()));
    EXPECT_EQ(resultGeometry(finish(1)), (Rect{10, 20, 300, 200}));
    EXPECT_FALSE(pastedImage().isNull());

    restartTool();  // a fresh run for the interactive capture
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
        restartTool();
        startInteractive();
        select();
        waitUntilInputHandled();
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
    waitUntilInputHandled();
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
    std::uniform_int_distribution<int> delayMs(0, 80);
    for (int run = 0; run < 24; ++run) {
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
            SCOPED_TRACE("run " + std::to_string(run) + " after " + std::to_string(delay) + " ms");
            EXPECT_EQ(tool.exitStatus(), kExitCannotRecord) << tool.standardError();
            expectOneLineForALostDisplay(tool.standardError());
        }
    }
}

// What a host finds after an automatic capture, given what another application had put on the
// clipboard before: kind 1 only with the whole image pasteable; any other outcome leaves the
// other application's text in place.
struct ClipboardAfter {
    int status = -1;
    QImage pasted;
    std::string text;
};

class ClipboardPromiseE2E : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QFile params(dir.filePath("params.json"));
        ASSERT_TRUE(params.open(QIODevice::WriteOnly));
        params.write("{}");
    }
    void startSession(int width, int height) {
        x = std::make_unique<XSession>(XSessionOptions{.width = width, .height = height});
        ASSERT_TRUE(x->ok()) << x->error();
    }
    void copyText() {
        const pid_t pid = spawnProgram({"sh", "-c", "echo previous | xclip -selection clipboard"},
                                       {"DISPLAY=" + x->display()});
        ASSERT_EQ(waitForExit(pid, 20s), 0);
    }
    std::vector<std::string> toolArguments() const {
        return {QUILLET_CAPTURE_BINARY, "startfromlocal," +
                                            dir.filePath("params.json").toStdString() + "," +
                                            dir.filePath("r.json").toStdString() + ",,0,2,0,0,0,0"};
    }
    ClipboardAfter readBack(int status) const {
        ClipboardAfter after;
        after.status = status;
        const ProgramOutput png =
            runProgram({"xclip", "-selection", "clipboard", "-t", "image/png", "-o"},
                       {"DISPLAY=" + x->display()});
        after.pasted = QImage::fromData(png.bytes, "PNG");
        const ProgramOutput text =
            runProgram({"xclip", "-selection", "clipboard", "-o"}, {"DISPLAY=" + x->display()});
        after.text = text.bytes.trimmed().toStdString();
        return after;
    }
    // Kind 1 with the whole image; anything else (a cancel, a start that could not even
    // connect, a signal before the process could catch it) with the other text in place.
    void expectPromiseKept(const ClipboardAfter& after, QSize size, const std::string& context) {
        if (after.status == 1) {
            EXPECT_EQ(after.pasted.size(), size) << context << ": kind 1 with no whole image";
        } else {
            EXPECT_EQ(after.text, "previous")
                << context << ", exit " << after.status << ": the other application's text is lost";
        }
    }

    QTemporaryDir dir;
    std::unique_ptr<XSession> x;
};

// A memory limit that leaves room for the grab but perhaps not for the encoding: the clipboard
// helper must find out before it takes the clipboard, not after it said "ready".
TEST_F(ClipboardPromiseE2E, UnderAMemoryLimitKindOneMeansTheImageIsThere) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "AddressSanitizer reserves terabytes of address space for itself";
#endif
    startSession(4096, 4096);
    int finished = 0, refused = 0;
    for (int megabytes = 100; megabytes <= 400; megabytes += 25) {
        copyText();
        std::vector<std::string> argv = {"prlimit", "--as=" + std::to_string(megabytes << 20)};
        const auto tool = toolArguments();
        argv.insert(argv.end(), tool.begin(), tool.end());
        const ProgramOutput run = runProgram(argv, {"DISPLAY=" + x->display()}, false, 60s);
        const ClipboardAfter after = readBack(run.status);
        expectPromiseKept(after, {4096, 4096}, std::to_string(megabytes) + " MB");
        ++(after.status == 1 ? finished : refused);
    }
    EXPECT_GT(finished, 0) << "no limit left room for the capture";
    EXPECT_GT(refused, 0) << "no limit was tight enough to mean anything";
}

// SIGTERM at any moment of an automatic capture: it either finishes with the image on the
// clipboard or cancels and leaves the clipboard alone; it never dies without a result.
TEST_F(ClipboardPromiseE2E, TerminationAtAnyMomentKeepsThePromise) {
    startSession(1280, 800);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> delayUs(0, 60000);
    int diedEarly = 0;
    for (int run = 0; run < 24; ++run) {
        copyText();
        const pid_t pid = spawnProgram(toolArguments(), {"DISPLAY=" + x->display()});
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
        kill(pid, SIGTERM);
        const std::optional<int> status = waitForExit(pid, 20s);
        ASSERT_TRUE(status) << "run " << run << " hangs";
        // Only a signal that comes before main() may still kill: then nothing was touched.
        EXPECT_TRUE(*status == 1 || *status == 2 || *status == 128 + SIGTERM)
            << "run " << run << ": exit " << *status;
        if (*status == 128 + SIGTERM) ++diedEarly;
        expectPromiseKept(readBack(*status), {1280, 800}, "run " + std::to_string(run));
    }
    EXPECT_LT(diedEarly, 24) << "every run died before it could catch the signal";
}

}  // namespace
