// The Wayland route at its hard edges: what a portal names that is not a picture written for
// us, signals while the portal is waited for, and a compositor that goes away at any moment.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <csignal>
#include <random>

#include "e2e/wayland_e2e_fixture.h"
#include "support/file_state.h"
#include "support/result_file.h"
#include "support/test_images.h"
#include "support/tool_outcome.h"
#include "support/unprivileged.h"

namespace {

using namespace wayland_e2e;

// Whatever the portal names that is not a picture written for us is left as it is, named in
// the one line that says why the capture cannot record, and nothing waits on it.
TEST(WaylandPortalFilesE2E, WhatIsNotAPictureWrittenForUsIsLeftAlone) {
    WaylandSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    ASSERT_TRUE(session.startBus()) << session.error();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    chmod(dir.path().toLocal8Bit().constData(), 0755);
    const std::string base = dir.path().toStdString();
    const QImage picture = session.wallpaper(0);
    const auto savePicture = [&](const std::string& path) {
        return picture.save(QString::fromStdString(path), "PNG");
    };
    const bool root = geteuid() == 0;
    struct Row {
        const char* name;
        std::string named;  // what the portal's answer names
        std::function<bool()> make;
        std::vector<std::string> untouched;  // paths that must stay as they were
    };
    const std::string text = base + "/notes.txt", fifo = base + "/fifo", device = base + "/device",
                      otherFolder = base + "/other", otherFile = otherFolder + "/Screenshot.png",
                      link = base + "/link.png", target = base + "/target.png",
                      twice = base + "/twice.png", secondName = base + "/second-name.png";
    const Row rows[] = {
        {"a text file",
         text,
         [&] {
             QFile f(QString::fromStdString(text));
             return f.open(QIODevice::WriteOnly) && f.write("not a picture\n") > 0;
         },
         {text}},
        {"a FIFO", fifo, [&] { return mkfifo(fifo.c_str(), 0600) == 0; }, {fifo}},
        // A device of the test's own, with /dev/null's numbers (root only may make one).
        {"a device node",
         device,
         [&] { return !root || mknod(device.c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0; },
         {device}},
        // A picture in another user's private folder (root reads it all the same).
        {"another user's picture",
         otherFile,
         [&] {
             return !root || (mkdir(otherFolder.c_str(), 0700) == 0 && savePicture(otherFile) &&
                              chown(otherFile.c_str(), kNobody, kNobody) == 0 &&
                              chown(otherFolder.c_str(), kNobody, kNobody) == 0);
         },
         {otherFile}},
        {"a symbolic link to our picture",
         link,
         [&] { return savePicture(target) && symlink(target.c_str(), link.c_str()) == 0; },
         {link, target}},
        {"our picture with a second name",
         twice,
         [&] { return savePicture(twice) && ::link(twice.c_str(), secondName.c_str()) == 0; },
         {twice, secondName}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(row.make()) << std::strerror(errno);
        if (!fileState(row.named).exists) {
            std::printf("[  SKIPPED ] %s: only root can make it\n", row.name);
            continue;
        }
        std::vector<FileState> before;
        for (const std::string& path : row.untouched) before.push_back(fileState(path));
        const std::vector<std::string> env = portalEnvironment(session);
        FakePortal portal(env, "0", row.named, {"--store=yes"});
        ASSERT_TRUE(portal.ready());
        ToolRun tool;
        ASSERT_TRUE(tool.start({{}, 0, 2}, "", env));
        ASSERT_TRUE(tool.waitForExit(20s)) << "waits on the file\n" << tool.standardError();
        EXPECT_EQ(tool.exitStatus(), kExitCannotRecord) << tool.standardError();
        const std::string refused = "the screenshot portal's file " + row.named + " is refused";
        EXPECT_NE(tool.standardError().find(refused), std::string::npos) << tool.standardError();
        EXPECT_FALSE(tool.result()) << "unable to record: no record";
        for (std::size_t i = 0; i < row.untouched.size(); ++i) {
            EXPECT_TRUE(fileState(row.untouched[i]) == before[i]) << row.untouched[i];
        }
    }
}

// SIGTERM, SIGINT or SIGHUP while the portal is waited for (the desktop asks the user, and
// may take its time) cancels at once as everywhere else: the result, kind 2, written to the
// path the host gave, and exit status 2, in both modes, whether the portal is asked with a
// window of ours shown (nothing stored) or without (an answer stored).
TEST(WaylandPortalSignalsE2E, ASignalWhileThePortalWaitsCancelsWithAResult) {
    WaylandSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    ASSERT_TRUE(session.startBus()) << session.error();
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> delayMs(0, 300);
    const int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
    int run = 0;
    for (const int flag : {2, 0}) {
        for (const char* stored : {"yes", "none"}) {
            for (const int signal : kSignals) {
                const int delay = delayMs(random);
                SCOPED_TRACE("run " + std::to_string(run++) + ": flag " + std::to_string(flag) +
                             ", stored '" + stored + "', signal " + std::to_string(signal) + " " +
                             std::to_string(delay) + " ms after the request");
                QTemporaryDir dir;
                const std::string report = dir.filePath("report").toStdString();
                const std::vector<std::string> env = portalEnvironment(session);
                FakePortal portal(env, "never", "",
                                  {"--report=" + report, std::string("--store=") + stored});
                ASSERT_TRUE(portal.ready());
                ToolRun tool;
                ASSERT_TRUE(tool.start({{}, 0, flag}, "", env));
                ASSERT_TRUE(waitUntil([&] { return fileState(report).content.size() > 0; }))
                    << "the portal was never asked\n"
                    << tool.standardError();
                std::this_thread::sleep_for(std::chrono::milliseconds(delay));
                ASSERT_EQ(kill(tool.pid(), signal), 0);
                ASSERT_TRUE(tool.waitForExit(5s)) << "still waiting\n" << tool.standardError();
                EXPECT_EQ(tool.exitStatus(), 2) << tool.standardError();
                const auto result = tool.result();
                ASSERT_TRUE(result) << tool.standardError();
                EXPECT_EQ((*result)["Type"].toInt(), 2);
                EXPECT_EQ(tool.standardError().find("no result file path"), std::string::npos)
                    << tool.standardError();
            }
        }
    }
}

// The compositor goes away up to `latestMs` after the launch of a capture with `flag`, in
// `runs` runs: every run ends unable to record (-3), with a result of kind 2 where the capture
// had begun, and one line saying so, never the toolkit's own; an automatic capture may finish
// before.
void loseTheCompositorAtRandomMoments(int flag, int latestMs, int runs) {
    std::mt19937 random(20261208 + flag);
    std::uniform_int_distribution<int> delayMs(0, latestMs);
    for (int run = 0; run < runs; ++run) {
        const int delay = delayMs(random);
        SCOPED_TRACE("run " + std::to_string(run) + ", killed after " + std::to_string(delay) +
                     " ms");
        WaylandSession session;
        ASSERT_TRUE(session.ok()) << session.error();
        ToolRun tool;
        ASSERT_TRUE(tool.start({{}, 0, flag}, "", session.clientEnvironment()));
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
        session.stopCompositor();
        ASSERT_TRUE(tool.waitForExit(20s)) << "hangs\n" << tool.standardError();
        const std::string log = tool.standardError();
        const auto result = tool.result();
        if (tool.exitStatus() == kExitFinished && flag == 2) {
            ASSERT_TRUE(result) << log;
            EXPECT_EQ((*result)["Type"].toInt(), 1);
            continue;
        }
        EXPECT_EQ(tool.exitStatus(), kExitCannotRecord) << log;
        if (result) {
            EXPECT_EQ((*result)["Type"].toInt(), 2) << log;
        }
        expectOneLineForALostDisplay(log);
    }
}

// An automatic capture lasts some tens of milliseconds: the grab, then the clipboard's helper.
TEST(WaylandCompositorLossE2E, AtAnyMomentOfAnAutomaticCapture) {
    loseTheCompositorAtRandomMoments(2, 40, 12);
}

// The start-up of the toolkit, the covers and the capture window, then the capture itself.
TEST(WaylandCompositorLossE2E, AtAnyMomentOfAnInteractiveCapture) {
    loseTheCompositorAtRandomMoments(0, 400, 8);
}

}  // namespace
