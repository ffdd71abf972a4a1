// KWin's route at its hard edges, against a stand-in for KWin's D-Bus services on a headless
// sway (whose outputs and input the tests know): pictures that do not fit the output, answers
// that never come while a signal arrives, another program answering the window list first, and
// files that are not ours where the window list's script goes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>

#include "e2e/wayland_e2e_fixture.h"
#include "support/file_state.h"
#include "support/geometry_printers.h"
#include "support/tool_outcome.h"
#include "support/unprivileged.h"

namespace {

using namespace wayland_e2e;

constexpr int kWidth = 640, kHeight = 480;

// A sway session with a private bus on which the stand-in runs; the tool reads the screen and
// its windows through "KWin" (sway's own window list out of its sight).
class KWinStandInE2E : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(session.ok()) << session.error();
        ASSERT_TRUE(session.startBus()) << session.error();
        ASSERT_TRUE(dir.isValid());
    }
    std::vector<std::string> toolEnvironment(const std::vector<std::string>& more = {}) const {
        std::vector<std::string> env = session.clientEnvironment();
        std::erase_if(env, [](const std::string& v) { return v.rfind("SWAYSOCK=", 0) == 0; });
        env.insert(env.end(), {"SWAYSOCK", "QUILLET_WAYLAND_CAPTURE=kwin"});
        env.insert(env.end(), more.begin(), more.end());
        return env;
    }
    // The stand-in with `options`, reporting its calls to report().
    std::unique_ptr<StandIn> startKWin(std::vector<std::string> options = {}) {
        QFile::remove(QString::fromStdString(reportPath()));
        options.insert(options.begin(), {QUILLET_FAKE_KWIN, "--report=" + reportPath()});
        return std::make_unique<StandIn>(options, session.clientEnvironment());
    }
    std::string reportPath() const { return dir.filePath("kwin-calls").toStdString(); }
    QString report() const { return QString::fromUtf8(fileState(reportPath()).content); }
    bool reported(const QString& call) const { return report().split(u'\n').contains(call); }
    // Script files the tool left in its runtime folder.
    QStringList scriptsLeft() const {
        for (const std::string& v : session.clientEnvironment()) {
            if (v.rfind("XDG_RUNTIME_DIR=", 0) == 0) {
                return QDir(QString::fromStdString(v.substr(16)))
                    .entryList({QStringLiteral("quillet-windows-*")}, QDir::Files | QDir::System);
            }
        }
        return {};
    }
    // Every script the stand-in loaded was unloaded again.
    void expectEveryScriptUnloaded() const {
        for (const QString& line : report().split(u'\n')) {
            if (!line.startsWith(QLatin1String("load "))) continue;
            EXPECT_TRUE(reported(QStringLiteral("unload ") + line.section(u' ', 2)))
                << report().toStdString();
        }
        EXPECT_TRUE(scriptsLeft().isEmpty()) << scriptsLeft().join(u' ').toStdString();
    }

    WaylandSession session{{{kWidth, kHeight}}};
    WaylandInput input{session, kWidth, kHeight};
    QTemporaryDir dir;
};

// Only a picture of the output's own size and a known layout is pasted; anything else ends the
// capture with a line saying why, and an automatic capture asks for no window list.
TEST_F(KWinStandInE2E, APictureThatDoesNotFitTheOutputIsRefused) {
    const struct {
        const char* picture;
        const char* line;  // empty: the picture fits
    } rows[] = {
        {"320x240", "KWin's screenshot is 320x240, not the output's 640x480"},
        {"1280x960", "KWin's screenshot is 1280x960, not the output's 640x480"},
        {"480x640", "KWin's screenshot is 480x640, not the output's 640x480"},
        {"16384x16384", "KWin's screenshot is 16384x16384, not the output's 640x480"},
        {"640x480,2560,9999", "KWin's screenshot has an unknown layout"},
        {"640x480,2560,3", "KWin's screenshot has an unknown layout"},
        // A stride whose product with the height does not fit in 64 bits.
        {"640x480,4611686018427387904", "KWin's screenshot has an unknown layout"},
        // Last: what it pastes stays on the clipboard.
        {"640x480", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.picture);
        const auto kwin = startKWin({std::string("--picture=") + row.picture});
        ASSERT_TRUE(kwin->ready());
        ToolRun tool;
        ASSERT_TRUE(tool.start({{}, 0, 2}, "", toolEnvironment()));
        ASSERT_TRUE(tool.waitForExit(20s)) << tool.standardError();
        const QImage pasted = session.pastedImage();
        if (*row.line == '\0') {
            EXPECT_EQ(tool.exitStatus(), kExitFinished) << tool.standardError();
            EXPECT_EQ(pasted.size(), QSize(kWidth, kHeight));
        } else {
            EXPECT_NE(tool.exitStatus(), kExitFinished) << tool.standardError();
            EXPECT_NE(tool.standardError().find(row.line), std::string::npos)
                << tool.standardError();
            EXPECT_TRUE(pasted.isNull()) << "nothing pasted";
            // The result reports the asked geometry, not one left empty by the failed grab.
            const auto result = tool.result();
            ASSERT_TRUE(result) << tool.standardError();
            EXPECT_EQ(resultGeometry(*result), (Rect{0, 0, kWidth, kHeight}));
        }
        EXPECT_FALSE(report().contains(QLatin1String("load"))) << report().toStdString();
    }
}

// A KWin that refuses the picture for another reason than not serving us (a locked screen), or
// does not answer, ends the capture unable to record within seconds, saying so.
TEST_F(KWinStandInE2E, AScreenKWinCannotReadEndsUnableToRecordAtOnce) {
    const struct {
        const char* option;
        const char* line;
    } rows[] = {
        {"--refuse=org.kde.KWin.ScreenShot2.Error.Cancelled",
         "cannot record the screen: KWin's screenshot interface refused: "
         "org.kde.KWin.ScreenShot2.Error.Cancelled"},
        {"--hold=probe",
         "cannot record the screen: KWin's screenshot interface did not answer within 4 s"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.option);
        const auto kwin = startKWin({row.option});
        ASSERT_TRUE(kwin->ready());
        ToolRun tool;
        ASSERT_TRUE(tool.start({{}, 0, 2}, "", toolEnvironment()));
        ASSERT_TRUE(tool.waitForExit(8s)) << tool.standardError();
        EXPECT_EQ(tool.exitStatus(), kExitCannotRecord) << tool.standardError();
        EXPECT_NE(tool.standardError().find(row.line), std::string::npos) << tool.standardError();
    }
}

// SIGTERM while KWin is waited for, in either mode, ends the process at once with the
// cancelled result: the probe of the interface, the screen's picture, or (not waited for, but
// asked) the window list.
TEST_F(KWinStandInE2E, ASignalWhileKWinIsWaitedForCancelsWithAResult) {
    const struct {
        const char* hold;
        const char* call;  // the held call, once the stand-in has it
        int flag;
    } rows[] = {
        {"probe", "area", 0},    {"probe", "area", 2},  {"screen", "screen", 0},
        {"screen", "screen", 2}, {"windows", "run", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.hold) + ", flag " + std::to_string(row.flag));
        const auto kwin = startKWin({std::string("--hold=") + row.hold});
        ASSERT_TRUE(kwin->ready());
        ToolRun tool;
        ASSERT_TRUE(tool.start({{}, 0, row.flag}, "", toolEnvironment()));
        ASSERT_TRUE(waitUntil([&] { return !tool.running() || reported(row.call); }))
            << report().toStdString();
        ASSERT_TRUE(tool.running()) << tool.standardError();
        ASSERT_EQ(kill(tool.pid(), SIGTERM), 0);
        ASSERT_TRUE(tool.waitForExit(3s)) << "still waiting\n" << tool.standardError();
        EXPECT_EQ(tool.exitStatus(), 2) << tool.standardError();
        const auto result = tool.result();
        ASSERT_TRUE(result) << tool.standardError();
        EXPECT_EQ((*result)["Type"].toInt(), 2);
        expectEveryScriptUnloaded();
    }
}

// Another program that calls the tool with a window list before KWin does is not heard: the
// click takes the window KWin reported, and the script is unloaded once KWin has answered.
TEST_F(KWinStandInE2E, OnlyKWinsOwnAnswerCounts) {
    const auto kwin =
        startKWin({R"(--windows=[{"pid": 1, "x": 100, "y": 100, "width": 300, "height": 200}])",
                   R"(--impostor=[{"pid": 1, "x": 120, "y": 120, "width": 111, "height": 77}])"});
    ASSERT_TRUE(kwin->ready());
    ToolRun tool;
    ASSERT_TRUE(tool.start({{}, 0, 0}, "", toolEnvironment()));
    ASSERT_TRUE(waitUntil([&] { return !tool.running() || reported("answered"); }))
        << tool.standardError();
    ASSERT_TRUE(waitUntil(
        [&] { return !tool.running() || focusedFullScreenOf(swayTree(session), tool.pid()); }));
    ASSERT_TRUE(input.click(150, 150));
    ASSERT_TRUE(input.key("Return"));
    EXPECT_EQ(resultGeometry(finishedResult(tool, kExitFinished)), (Rect{100, 100, 300, 200}));
    expectEveryScriptUnloaded();
}

// Where the script's file would go stands something that is not ours (a test fixes the name):
// it is left exactly as it was, nothing waits on it, and the capture goes on without a window
// list, saying why.
TEST_F(KWinStandInE2E, WhatStandsWhereTheScriptGoesIsLeftAlone) {
    const std::string base = dir.path().toStdString();
    chmod(base.c_str(), 0755);
    const std::string link = base + "/link.js", target = base + "/target", fifo = base + "/fifo.js",
                      other = base + "/other.js";
    struct Row {
        const char* name;
        std::string path;
        std::function<bool()> make;
        std::vector<std::string> untouched;
    };
    const Row rows[] = {
        {"a symbolic link",
         link,
         [&] {
             QFile f(QString::fromStdString(target));
             return f.open(QIODevice::WriteOnly) && f.write("not a script\n") > 0 &&
                    symlink(target.c_str(), link.c_str()) == 0;
         },
         {link, target}},
        {"a FIFO", fifo, [&] { return mkfifo(fifo.c_str(), 0666) == 0; }, {fifo}},
        {"another user's file",
         other,
         [&] {
             QFile f(QString::fromStdString(other));
             return f.open(QIODevice::WriteOnly) && f.write("theirs\n") > 0 &&
                    (geteuid() != 0 || chown(other.c_str(), kNobody, kNobody) == 0);
         },
         {other}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(row.make()) << std::strerror(errno);
        std::vector<FileState> before;
        for (const std::string& path : row.untouched) before.push_back(fileState(path));
        const auto kwin = startKWin();
        ASSERT_TRUE(kwin->ready());
        ToolRun tool;
        ASSERT_TRUE(
            tool.start({{}, 0, 0}, "", toolEnvironment({"QUILLET_KWIN_SCRIPT_FILE=" + row.path})));
        ASSERT_TRUE(tool.waitForStandardError("the script cannot be written: " + row.path, 10s))
            << tool.standardError();
        ASSERT_TRUE(waitUntil(
            [&] { return !tool.running() || focusedFullScreenOf(swayTree(session), tool.pid()); }));
        ASSERT_TRUE(input.key("Escape"));
        EXPECT_EQ(finishedResult(tool, 2)["Type"].toInt(), 2);
        for (std::size_t i = 0; i < row.untouched.size(); ++i) {
            EXPECT_TRUE(fileState(row.untouched[i]) == before[i]) << row.untouched[i];
        }
        EXPECT_FALSE(report().contains(QLatin1String("load"))) << report().toStdString();
    }
}

}  // namespace
