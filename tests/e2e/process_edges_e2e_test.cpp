// The real binary at the edges of its process: a host that stops reading, an X server that
// resets between clients, a Wayland desktop.
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>
#include <optional>

#include <gtest/gtest.h>

#include "platform/system/clipboard_keeper.h"

#include "platform/pixels_image.h"
#include "support/child_process.h"
#include "support/tool_run.h"
#include "support/x_session.h"
#include "support/x_waiter.h"

namespace {

using namespace std::chrono_literals;

constexpr int kExitFinished = 1;
constexpr int kExitCannotRecord = 253;  // -3 as a parent reads the low eight bits

TEST(ProcessEdgesE2E, HostThatClosedTheLogPipeStillGetsTheResult) {
    XSession x;
    ASSERT_TRUE(x.ok()) << x.error();
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
    close(fds[0]);  // nobody will ever read what the tool logs
    ToolRun tool;
    tool.setStandardError(fds[1]);
    ASSERT_TRUE(tool.start({{}, 0, 1, 10, 20, 300, 200}, x.display()));
    close(fds[1]);
    ASSERT_TRUE(tool.waitForExit(20s));
    EXPECT_EQ(tool.exitStatus(), kExitFinished) << "128 + 13 is death by SIGPIPE";
    const auto result = tool.result();
    ASSERT_TRUE(result);
    EXPECT_EQ((*result)["Type"].toInt(), 1);
    EXPECT_EQ((*result)["Width"].toInt(), 300);
}

TEST(ProcessEdgesE2E, AutomaticCaptureOnAFreshServerThatResetsWhenItsLastClientLeaves) {
    // Such a server resets as soon as the tool's first connection closes, if no other connection
    // of ours is open by then: whatever connected during the reset saw a broken server.
    const auto end = std::chrono::steady_clock::now() + 30s;
    int runs = 0;
    for (; runs < 20 && std::chrono::steady_clock::now() < end; ++runs) {
        XSession x({.width = 1280, .height = 720, .resetWhenLastClientLeaves = true});
        ASSERT_TRUE(x.ok()) << x.error();
        ToolRun tool;
        ASSERT_TRUE(tool.start({{}, 0, 2}, x.display()));
        ASSERT_TRUE(tool.waitForExit(20s));
        const auto result = tool.result();
        ASSERT_TRUE(result && (*result)["Type"].toInt() == 1 && tool.exitStatus() == kExitFinished)
            << "fresh server " << runs + 1 << ": exit " << tool.exitStatus() << "\n"
            << tool.standardError();
    }
    EXPECT_GE(runs, 10) << "too few servers in the time to mean anything";
}

TEST(ProcessEdgesE2E, AWaylandSessionWithoutItsCompositorCannotBeRecorded) {
    // A Wayland session is captured through the compositor, never through XWayland's root
    // window (which shows X clients only): without a compositor to reach, the tool says so
    // rather than capture the X display beside it. Forcing X11 captures that display.
    XSession x;
    ASSERT_TRUE(x.ok()) << x.error();
    struct Row {
        std::vector<std::string> environment;
        int autoCaptureFlag;  // interactive where a window must not appear
        int exitStatus;
        const char* line;  // what standard error says when the screen cannot be recorded
    };
    const char* noCompositor = "cannot record the screen: cannot connect to the Wayland compositor";
    const Row rows[] = {
        {{"XDG_SESSION_TYPE=wayland", "XDG_RUNTIME_DIR=/nonexistent"},
         0,
         kExitCannotRecord,
         noCompositor},
        {{"WAYLAND_DISPLAY=/nonexistent/wayland-0"}, 0, kExitCannotRecord, noCompositor},
        {{"QUILLET_PLATFORM=mir"},
         0,
         kExitCannotRecord,
         "cannot record the screen: QUILLET_PLATFORM is \"mir\"; it may be x11 or wayland"},
        {{"XDG_SESSION_TYPE=x11"}, 2, kExitFinished, nullptr},  // an X11 session as usual
        {{"QUILLET_PLATFORM=x11", "XDG_SESSION_TYPE=wayland"}, 2, kExitFinished, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.environment.front());
        XWaiter waiter(x.display());
        ASSERT_TRUE(waiter.ok());
        waiter.watchRootChildren();
        ToolRun tool;
        ASSERT_TRUE(tool.start({{}, 0, row.autoCaptureFlag}, x.display(), row.environment));
        const bool exited = tool.waitForExit(5s);
        tool.stop();
        EXPECT_TRUE(exited);
        EXPECT_EQ(tool.exitStatus(), row.exitStatus);
        if (row.exitStatus != kExitCannotRecord) {
            EXPECT_TRUE(tool.result());
            continue;
        }
        const std::string err = tool.standardError();
        EXPECT_NE(err.find(row.line), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << "one line: " << err;
        EXPECT_FALSE(tool.result());
        // A round trip: every event from before it is then in the waiter's queue.
        free(xcb_get_input_focus_reply(waiter.connection(),
                                       xcb_get_input_focus(waiter.connection()), nullptr));
        EXPECT_FALSE(waiter.waitFor(
            [](const xcb_generic_event_t* e) {
                return (e->response_type & 0x7f) == XCB_MAP_NOTIFY;
            },
            0ms))
            << "a window was mapped";
    }
}

// The exit status of a process of ours once it has ended, or -1 when it had to be killed.
int statusWithin(pid_t pid, std::chrono::milliseconds timeout) {
    if (const std::optional<int> status = waitForExit(pid, timeout)) return *status;
    kill(pid, SIGKILL);
    waitForExit(pid, std::chrono::seconds(10));
    return -1;
}

TEST(ProcessEdgesE2E, ClipboardHelperThatCannotEncodeNeverTakesTheClipboard) {
    // A host may run us under a memory limit. Under 256 MiB of data the helper takes a small
    // image as usual, but the PNG rows of 8192 x 16384 pixels (384 MiB) cannot be encoded: the
    // helper must find that out before it takes the clipboard, so that the capture reports no
    // image and a paste finds nothing of ours rather than an empty image.
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "under AddressSanitizer a data limit stops the sanitizer's own allocator "
                    "first; the plain build runs this test";
#endif
    XSession x;
    ASSERT_TRUE(x.ok()) << x.error();
    QTemporaryDir dir;
    const QString helper = dir.filePath("limited-quillet-clipboard-helper");
    QFile script(helper);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(
        QStringLiteral("#!/bin/sh\nulimit -d 262144\nulimit -c 0\nDISPLAY=%1 exec %2 \"$@\"\n")
            .arg(QString::fromStdString(x.display()), QUILLET_CLIPBOARD_HELPER)
            .toUtf8());
    script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    script.close();

    struct Row {
        int width, height;
        bool pasteable;
    };
    for (const Row row : {Row{64, 64, true}, Row{8192, 16384, false}}) {
        SCOPED_TRACE(row.width);
        // Zero pages that cost no memory until the keeper copies them to the helper.
        const size_t size = size_t(row.width) * 4 * size_t(row.height);
        void* zeros = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        ASSERT_NE(zeros, MAP_FAILED);
        const QImage image(static_cast<const uchar*>(zeros), row.width, row.height, row.width * 4,
                           QImage::Format_RGB32);
        ClipboardKeeper keeper(helper.toStdString());
        const bool ready = keeper.setImage(pixelsOf(image));
        munmap(zeros, size);

        const int pasteFd = open(dir.filePath("pasted").toUtf8(), O_RDWR | O_CREAT | O_TRUNC, 0600);
        const int paste =
            statusWithin(spawnProgram({"xclip", "-selection", "clipboard", "-t", "image/png", "-o"},
                                      {"DISPLAY=" + x.display()}, pasteFd),
                         5s);
        close(pasteFd);
        QFile pasted(dir.filePath("pasted"));
        ASSERT_TRUE(pasted.open(QIODevice::ReadOnly));
        const QImage back = QImage::fromData(pasted.readAll(), "PNG");
        if (row.pasteable) {
            EXPECT_TRUE(ready);
            EXPECT_EQ(paste, 0);
            EXPECT_EQ(back.size(), QSize(row.width, row.height));
            kill(keeper.helperPid(), SIGTERM);
            waitpid(keeper.helperPid(), nullptr, 0);
            continue;
        }
        EXPECT_FALSE(ready) << "\"ready\" promises an image the helper cannot make";
        EXPECT_GT(paste, 0) << "nothing to paste (" << pasted.size() << " bytes pasted)";
        EXPECT_TRUE(waitForEnd(keeper.helperPid(), 5s)) << "the helper has ended";
    }
}

}  // namespace
