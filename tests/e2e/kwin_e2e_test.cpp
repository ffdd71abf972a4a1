// The real binary on KDE Plasma's compositor: a private headless KWin. The screen is read
// through KWin's own screenshot interface, which serves the programs a .desktop entry names;
// what the tool pastes is compared with what KWin's interface gives a reference program.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include "app/toolkit_launch.h"
#include "e2e/wayland_e2e_fixture.h"
#include "support/geometry_printers.h"
#include "support/kwin_session.h"
#include "support/test_images.h"
#include "support/tool_outcome.h"
#include "support/wayland_input.h"

namespace {

using namespace wayland_e2e;

constexpr int kWidth = 1280, kHeight = 800;

// A session in which KWin serves the tool and the reference program, showing one window of a
// known colour (with the toolkit's own title bar) once the reference shows it.
class KWinE2E : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(session.ok()) << session.error();
        window = spawnProgram({QUILLET_WL_WINDOW, "plain", "#c81e1e"}, windowEnvironment());
        ASSERT_TRUE(waitUntil([&] {
            const QImage shown = session.screenshot();
            return !shown.isNull() &&
                   shown.pixelColor(kWidth / 2, kHeight / 2) == QColor(0xc8, 0x1e, 0x1e);
        })) << "the window never showed";
    }
    void TearDown() override { stopProgram(window); }
    // The tool's environment, its window list's script under a name the test knows.
    std::vector<std::string> toolEnvironment() const {
        std::vector<std::string> env = session.clientEnvironment();
        env.push_back("QUILLET_KWIN_SCRIPT_FILE=" + scriptFile().toStdString());
        return env;
    }
    QString scriptFile() const {
        return QString::fromStdString(session.runtimeFolder()) + "/quillet-windows-test.js";
    }
    // Once `tool` has gone: neither a script of its in KWin nor the script's file, wherever it
    // was written.
    void expectNothingLeft(const ToolRun& tool) const {
        EXPECT_FALSE(QFile::exists(scriptFile()));
        EXPECT_FALSE(QFile::exists(QStringLiteral("/tmp/quillet-windows-%1.js").arg(tool.pid())));
        EXPECT_EQ(session.loadedScripts(), 0);
    }
    std::vector<std::string> windowEnvironment() const {
        std::vector<std::string> env = session.clientEnvironment();
        env.push_back("QT_QPA_PLATFORM=wayland");
        return env;
    }

    KWinSession session{kWidth, kHeight, {QUILLET_CAPTURE_BINARY, QUILLET_KWIN_SHOT}};
    pid_t window = -1;
};

TEST_F(KWinE2E, AutomaticCapturesHoldKWinsPixelsAfterTheToolHasGone) {
    const struct {
        const char* name;
        ToolLaunch launch;
        Rect reported;
    } rows[] = {
        {"whole screen", {{}, 0, 2}, {0, 0, kWidth, kHeight}},
        {"rectangle across the window's edge",
         {{}, 0, 1, 300, 200, 400, 300},
         {300, 200, 400, 300}},
    };
    const QImage reference = session.screenshot();
    ASSERT_EQ(reference.size(), QSize(kWidth, kHeight));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ToolRun tool;
        ASSERT_TRUE(tool.start(row.launch, "", toolEnvironment()));
        const QJsonObject result = finishedResult(tool, kExitFinished);
        expectNothingLeft(tool);
        EXPECT_NE(tool.standardError().find("read through KWin's screenshot interface"),
                  std::string::npos)
            << tool.standardError();
        EXPECT_EQ(resultGeometry(result), row.reported);
        const Rect& r = row.reported;
        EXPECT_EQ(session.pastedImage(),
                  reference.copy(int(r.x), int(r.y), int(r.width), int(r.height)));
    }
}

// The capture with windows on KWin: once its darkened overlay is shown, a dragged selection
// finished with Return is pasted after the tool has gone; Escape cancels.
TEST_F(KWinE2E, InteractiveCapturesOnKWin) {
    WaylandInput input(session.clientEnvironment(), QUILLET_KWIN_INPUT);
    ASSERT_TRUE(input.ok());
    ASSERT_TRUE(input.move(kWidth - 1, kHeight - 1));
    const QImage reference = session.screenshot();
    ASSERT_EQ(reference.size(), QSize(kWidth, kHeight));
    const struct {
        const char* name;
        bool select;
    } rows[] = {{"a drag finished with Return", true}, {"Escape", false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ToolRun tool;
        ASSERT_TRUE(tool.start({{}, 0, 0}, "", toolEnvironment()));
        // The overlay is up once KWin shows anything of ours (the window under the pointer
        // outlined, or the darkened screen, and the magnifier).
        ASSERT_TRUE(waitUntil([&] {
            const QImage shown = session.screenshot();
            return !tool.running() || (!shown.isNull() && shown != reference);
        })) << "the overlay never showed\n"
            << tool.standardError();
        ASSERT_TRUE(tool.running()) << tool.standardError();
        cancelOrSelect(input, tool, row.select);
        if (HasFatalFailure()) return;
        expectNothingLeft(tool);
        if (!row.select) continue;
        EXPECT_EQ(session.pastedImage(),
                  reference.copy(int(kDraggedArea.x), int(kDraggedArea.y), int(kDraggedArea.width),
                                 int(kDraggedArea.height)));
    }
}

// Two outputs, a window on the first and the pointer over the second: an automatic capture
// takes the second output, as KWin shows it.
TEST(KWinTwoOutputsE2E, AnAutomaticCaptureTakesTheOutputUnderThePointer) {
    constexpr int kOutputWidth = 640, kOutputHeight = 480;
    KWinSession session(kOutputWidth, kOutputHeight, {QUILLET_CAPTURE_BINARY, QUILLET_KWIN_SHOT},
                        2);
    ASSERT_TRUE(session.ok()) << session.error();
    WaylandInput input(session.clientEnvironment(), QUILLET_KWIN_INPUT);
    ASSERT_TRUE(input.ok());
    ASSERT_TRUE(input.move(100, 100));
    std::vector<std::string> env = session.clientEnvironment();
    env.push_back("QT_QPA_PLATFORM=wayland");
    const pid_t window = spawnProgram({QUILLET_WL_WINDOW, "plain", "#c81e1e", "300", "200"}, env);
    QImage reference;
    ASSERT_TRUE(waitUntil([&] {
        reference = session.screenshot();
        return reference.width() == 2 * kOutputWidth &&
               reference.pixelColor(kOutputWidth / 2, kOutputHeight / 2) ==
                   QColor(0xc8, 0x1e, 0x1e);
    })) << "the window never showed on the first output";
    ASSERT_TRUE(input.move(kOutputWidth + 300, 200));
    const QImage second = reference.copy(kOutputWidth, 0, kOutputWidth, kOutputHeight);
    ASSERT_NE(second, reference.copy(0, 0, kOutputWidth, kOutputHeight)) << "the outputs differ";
    ToolRun tool;
    ASSERT_TRUE(tool.start({{}, 0, 2}, "", session.clientEnvironment()));
    EXPECT_EQ(resultGeometry(finishedResult(tool, kExitFinished)),
              (Rect{0, 0, kOutputWidth, kOutputHeight}));
    EXPECT_EQ(session.pastedImage(), second);
    stopProgram(window);
}

// The bounding box of the pixels a window put over `before` in `after`: those that changed,
// less the shadow around it, which only darkens what lies below.
Rect changedArea(const QImage& before, const QImage& after) {
    int left = after.width(), top = after.height(), right = -1, bottom = -1;
    for (int y = 0; y < after.height(); ++y) {
        for (int x = 0; x < after.width(); ++x) {
            const QRgb was = before.pixel(x, y), is = after.pixel(x, y);
            if (qRed(is) <= qRed(was) && qGreen(is) <= qGreen(was) && qBlue(is) <= qBlue(was)) {
                continue;
            }
            left = std::min(left, x), right = std::max(right, x);
            top = std::min(top, y), bottom = std::max(bottom, y);
        }
    }
    if (right < 0) return {};
    return {double(left), double(top), double(right - left + 1), double(bottom - top + 1)};
}

// A click takes the window under the pointer that KWin shows on top, with its frame (the title
// bar the toolkit draws), though a larger window lies under the same point.
TEST_F(KWinE2E, AClickTakesTheTopmostWindowWithItsFrame) {
    const QImage before = session.screenshot();
    const pid_t top =
        spawnProgram({QUILLET_WL_WINDOW, "top", "#1e64c8", "240", "160"}, windowEnvironment());
    // KWin shows the new window on top, whole: its frame is where the screen changed.
    Rect frame;
    ASSERT_TRUE(waitUntil([&] {
        const QImage shown = session.screenshot();
        if (shown.isNull()) return false;
        frame = changedArea(before, shown);
        return frame.width > 0 &&
               shown.pixelColor(int(frame.x + frame.width / 2), int(frame.y + frame.height - 10)) ==
                   QColor(0x1e, 0x64, 0xc8);
    })) << "the window on top never showed";
    const QImage reference = session.screenshot();
    const Point inside{frame.x + frame.width / 2, frame.y + frame.height - 20};
    ASSERT_EQ(before.pixelColor(int(inside.x), int(inside.y)), QColor(0xc8, 0x1e, 0x1e))
        << "the window below lies under the same point";
    WaylandInput input(session.clientEnvironment(), QUILLET_KWIN_INPUT);
    ASSERT_TRUE(input.ok());
    ToolRun tool;
    ASSERT_TRUE(tool.start({{}, 0, 0}, "", session.clientEnvironment()));
    ASSERT_TRUE(waitUntil([&] {
        const QImage shown = session.screenshot();
        return !tool.running() || (!shown.isNull() && shown != reference);
    })) << tool.standardError();
    ASSERT_TRUE(input.move(int(inside.x) + 5, int(inside.y)));
    // KWin's window list comes while the capture runs: the window is offered (shown undimmed)
    // once it has.
    const QPoint beside(int(inside.x) - 30, int(inside.y));
    ASSERT_TRUE(waitUntil([&] {
        const QImage shown = session.screenshot();
        return !tool.running() ||
               (!shown.isNull() && shown.pixelColor(beside) == reference.pixelColor(beside));
    })) << "the window was never offered\n"
        << tool.standardError();
    ASSERT_TRUE(input.click(int(inside.x), int(inside.y)));
    ASSERT_TRUE(input.key("Return"));
    // KWin's frame of the window, which the toolkit's one-pixel outline lies just outside of.
    const Rect taken = resultGeometry(finishedResult(tool, kExitFinished));
    EXPECT_NEAR(taken.x, frame.x, 1);
    EXPECT_NEAR(taken.y, frame.y, 1);
    EXPECT_NEAR(taken.x + taken.width, frame.x + frame.width, 1);
    EXPECT_NEAR(taken.y + taken.height, frame.y + frame.height, 1);
    EXPECT_EQ(session.pastedImage(),
              reference.copy(int(taken.x), int(taken.y), int(taken.width), int(taken.height)));
    stopProgram(top);
}

// A program KWin does not serve (a copy of the tool that no entry names) is told so: it falls
// back to the desktop portal with a line saying why, or, with KWin's route forced, cannot
// record.
TEST_F(KWinE2E, AProgramKWinDoesNotServeFallsBackToThePortal) {
    QTemporaryDir dir;
    const QFileInfo built(QStringLiteral(QUILLET_CAPTURE_BINARY));
    for (const QString& file : {built.fileName(), QString::fromLatin1(kToolkitLibraryName),
                                QStringLiteral("quillet-clipboard-helper")}) {
        ASSERT_TRUE(QFile::copy(built.dir().filePath(file), dir.filePath(file)))
            << file.toStdString();
    }
    QFile(dir.filePath(built.fileName())).setPermissions(QFile::ExeOwner | QFile::ReadOwner);
    const QString picture = dir.filePath("Screenshot.png");
    const QImage portalPicture = test_images::positionImage(kWidth, kHeight);
    ASSERT_TRUE(portalPicture.save(picture, "PNG"));
    const struct {
        const char* name;
        const char* forced;
        int exitStatus;
        const char* line;
    } rows[] = {
        {"the portal after KWin", nullptr, kExitFinished,
         "the screen is read through the desktop portal: KWin's screenshot interface refused: "
         "org.kde.KWin.ScreenShot2.Error.NoAuthorized"},
        {"KWin forced", "QUILLET_WAYLAND_CAPTURE=kwin", kExitCannotRecord,
         "cannot record the screen: KWin's screenshot interface refused: "
         "org.kde.KWin.ScreenShot2.Error.NoAuthorized"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> env = session.clientEnvironment();
        if (row.forced) env.push_back(row.forced);
        FakePortal portal(env, "0", picture.toStdString(), {"--store=yes"});
        ASSERT_TRUE(portal.ready());
        ToolRun tool;
        tool.setProgram(dir.filePath(built.fileName()).toStdString());
        ASSERT_TRUE(tool.start({{}, 0, 2}, "", env));
        ASSERT_TRUE(tool.waitForExit(20s)) << tool.standardError();
        EXPECT_EQ(tool.exitStatus(), row.exitStatus) << tool.standardError();
        EXPECT_NE(tool.standardError().find(row.line), std::string::npos) << tool.standardError();
        if (row.exitStatus == kExitFinished) {
            EXPECT_EQ(session.pastedImage(), portalPicture) << "the portal's picture";
        }
    }
}

}  // namespace
