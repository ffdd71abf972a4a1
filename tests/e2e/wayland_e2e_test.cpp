// The real binary in a Wayland session: a private headless sway whose outputs show wallpapers
// of known pixels. What the tool delivers is compared with what grim reads from the compositor
// and pasted with wl-paste after the tool has gone.
#include <gtest/gtest.h>

#include <QImage>

#include "support/child_process.h"
#include "support/geometry_printers.h"
#include "support/result_file.h"
#include "support/tool_run.h"
#include "support/wayland_input.h"
#include "support/wayland_session.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr int kExitFinished = 1;

Rect resultGeometry(const QJsonObject& r) {
    return {double(r["x"].toInt()), double(r["y"].toInt()), double(r["Width"].toInt()),
            double(r["Height"].toInt())};
}

// Runs one automatic capture to its end; the pasted image (null when nothing could be pasted).
struct AutomaticRun {
    int exitStatus = -1;
    std::optional<QJsonObject> result;
    QImage pasted;
    std::string standardError;
};

AutomaticRun captureAutomatically(const WaylandSession& session, const ToolLaunch& launch) {
    AutomaticRun run;
    ToolRun tool;
    if (!tool.start(launch, "", session.clientEnvironment())) return run;
    if (!tool.waitForExit(20s)) return run;
    run.exitStatus = tool.exitStatus();
    run.result = tool.result();
    run.standardError = tool.standardError();
    run.pasted = QImage::fromData(session.paste(), "PNG").convertToFormat(QImage::Format_RGB32);
    return run;
}

TEST(WaylandE2E, AutomaticCapturesHoldTheCompositorsPixelsAfterTheToolHasGone) {
    struct Row {
        const char* name;
        std::vector<WaylandOutputSpec> outputs;
        ToolLaunch launch;
        Rect reported;       // the result's geometry, in points of the captured screen
        std::string region;  // grim's region of the same pixels; empty: the first output
        QSize pixels;        // the pasted image's size
    };
    const Row rows[] = {
        {"whole screen", {{1280, 800}}, {{}, 0, 2}, {0, 0, 1280, 800}, "", {1280, 800}},
        {"rectangle",
         {{1280, 800}},
         {{}, 0, 1, 100, 50, 300, 200},
         {100, 50, 300, 200},
         "100,50 300x200",
         {300, 200}},
        // At scale 2 the screen is 640 x 400 points and its pixels are kept.
        {"scale 2", {{1280, 800, 2}}, {{}, 0, 2}, {0, 0, 640, 400}, "", {1280, 800}},
        {"scale 2, rectangle",
         {{1280, 800, 2}},
         {{}, 0, 1, 10, 20, 100, 50},
         {10, 20, 100, 50},
         "10,20 100x50",
         {200, 100}},
        // Two outputs: the main (first) one is captured.
        {"two outputs",
         {{1280, 800}, {1024, 768, 1, 1280, 0}},
         {{}, 0, 2},
         {0, 0, 1280, 800},
         "",
         {1280, 800}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WaylandSession session(row.outputs);
        ASSERT_TRUE(session.ok()) << session.error();
        const AutomaticRun run = captureAutomatically(session, row.launch);
        ASSERT_EQ(run.exitStatus, kExitFinished) << run.standardError;
        ASSERT_TRUE(run.result) << run.standardError;
        EXPECT_EQ(resultGeometry(*run.result), row.reported);
        ASSERT_EQ(run.pasted.size(), row.pixels) << "pasted after the tool had exited";
        const QImage reference =
            row.region.empty()
                ? session.grim("0,0 " +
                               std::to_string(row.outputs[0].width / row.outputs[0].scale) + "x" +
                               std::to_string(row.outputs[0].height / row.outputs[0].scale))
                : session.grim(row.region);
        ASSERT_FALSE(reference.isNull());
        EXPECT_EQ(run.pasted, reference.convertToFormat(QImage::Format_RGB32));
    }
}

// Whether the compositor's tree holds a focused full-screen window of process `pid`.
bool focusedFullScreenOf(const QJsonObject& node, qint64 pid) {
    if (node["pid"].toInteger() == pid && node["focused"].toBool() &&
        node["fullscreen_mode"].toInt() != 0) {
        return true;
    }
    for (const char* key : {"nodes", "floating_nodes"}) {
        for (const QJsonValue& child : node[key].toArray()) {
            if (focusedFullScreenOf(child.toObject(), pid)) return true;
        }
    }
    return false;
}

// An interactive capture on a one-output session, with input.
class WaylandCaptureE2E : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(session.ok()) << session.error(); }

    // Starts the capture and returns once the compositor has made its window full-screen and
    // given it the focus.
    void startInteractive() {
        ASSERT_TRUE(input.ok());
        ASSERT_TRUE(tool.start({{}, 0, 0}, "", session.clientEnvironment()));
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        for (;;) {
            const QJsonObject tree =
                QJsonDocument::fromJson(session.swaymsg({"-t", "get_tree"})).object();
            if (focusedFullScreenOf(tree, tool.pid())) return;
            ASSERT_TRUE(tool.running()) << tool.standardError();
            ASSERT_LT(std::chrono::steady_clock::now(), deadline)
                << "the capture window did not get the focus\n"
                << tool.standardError();
            std::this_thread::sleep_for(20ms);
        }
    }
    QJsonObject finish(int expectedStatus) {
        EXPECT_TRUE(tool.waitForExit(15s)) << tool.standardError();
        EXPECT_EQ(tool.exitStatus(), expectedStatus) << tool.standardError();
        const auto result = tool.result();
        EXPECT_TRUE(result.has_value()) << tool.standardError();
        return result.value_or(QJsonObject());
    }
    QImage pasted() const {
        return QImage::fromData(session.paste(), "PNG").convertToFormat(QImage::Format_RGB32);
    }

    WaylandSession session;
    WaylandInput input{session, 1280, 800};
    ToolRun tool;
};

TEST_F(WaylandCaptureE2E, ADraggedSelectionFinishedWithReturnIsPastedAfterExit) {
    startInteractive();
    ASSERT_TRUE(input.drag({150, 120}, {750, 520}, {{400, 300}}));
    ASSERT_TRUE(input.key("Return"));
    const QJsonObject r = finish(kExitFinished);
    EXPECT_EQ(resultGeometry(r), (Rect{150, 120, 600, 400}));
    EXPECT_EQ(pasted(), session.wallpaper(0).copy(150, 120, 600, 400));
}

TEST_F(WaylandCaptureE2E, EscapeCancels) {
    startInteractive();
    ASSERT_TRUE(input.key("Escape"));
    EXPECT_EQ(finish(2)["Type"].toInt(), 2);
}

TEST_F(WaylandCaptureE2E, LosingTheCompositorMidCaptureCannotRecord) {
    startInteractive();
    ASSERT_TRUE(input.drag({150, 120}, {750, 520}));
    ASSERT_TRUE(input.key("z", {"ctrl"}));  // an undo: logged once the drag has been handled
    ASSERT_TRUE(tool.waitForStandardError("onUndo", 15s)) << tool.standardError();
    session.stopCompositor();
    ASSERT_TRUE(tool.waitForExit(15s)) << tool.standardError();
    EXPECT_EQ(tool.exitStatus(), 253) << tool.standardError();  // -3
    EXPECT_NE(tool.standardError().find("the Wayland compositor was lost"), std::string::npos)
        << tool.standardError();
    const auto r = tool.result();
    ASSERT_TRUE(r) << "the selection so far is reported";
    EXPECT_EQ((*r)["Type"].toInt(), 2);
    EXPECT_EQ(resultGeometry(*r), (Rect{150, 120, 600, 400}));
}

// The rectangle sway gives the window titled `title`, once it is visible; nothing otherwise.
std::optional<Rect> windowRect(const QJsonObject& node, const QString& title) {
    if (node["name"].toString() == title && node["visible"].toBool() && node.contains("pid")) {
        const QJsonObject r = node["rect"].toObject();
        return Rect{r["x"].toDouble(), r["y"].toDouble(), r["width"].toDouble(),
                    r["height"].toDouble()};
    }
    for (const char* key : {"nodes", "floating_nodes"}) {
        for (const QJsonValue& child : node[key].toArray()) {
            if (auto found = windowRect(child.toObject(), title)) return found;
        }
    }
    return std::nullopt;
}

TEST_F(WaylandCaptureE2E, AClickOffersTheWindowSwayReportsUnderThePointer) {
    // Two tiled windows of one colour each; sway decides where they go.
    struct Window {
        QString title;
        QColor colour;
        pid_t pid = -1;
        Rect frame;
    };
    std::vector<Window> windows = {{"left", QColor(200, 30, 30), -1, {}},
                                   {"right", QColor(30, 160, 60), -1, {}}};
    std::vector<std::string> env = session.clientEnvironment();
    env.push_back("QT_QPA_PLATFORM=wayland");
    for (Window& w : windows) {
        w.pid = spawnProgram(
            {QUILLET_WL_WINDOW, w.title.toStdString(), w.colour.name().toStdString()}, env);
    }
    // Until both are placed and painted, as grim shows them.
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    for (Window& w : windows) {
        for (;;) {
            const QJsonObject tree =
                QJsonDocument::fromJson(session.swaymsg({"-t", "get_tree"})).object();
            if (const auto frame = windowRect(tree, w.title)) {
                w.frame = *frame;
                const QImage shown = session.grim();
                const QPoint centre(int(w.frame.x + w.frame.width / 2),
                                    int(w.frame.y + w.frame.height / 2));
                if (!shown.isNull() && shown.pixelColor(centre) == w.colour) break;
            }
            ASSERT_LT(std::chrono::steady_clock::now(), deadline)
                << "window " << w.title.toStdString();
            std::this_thread::sleep_for(20ms);
        }
    }
    const QImage screen = session.grim();
    startInteractive();
    const Window& target = windows[1];
    ASSERT_TRUE(input.click(int(target.frame.x + 20), int(target.frame.y + 40)));
    ASSERT_TRUE(input.key("Return"));
    const QJsonObject r = finish(kExitFinished);
    // A window that reaches the screen's right or top edge is offered one point short of it.
    Rect offered = target.frame;
    if (offered.x + offered.width >= 1280) offered.width = 1280 - offered.x - 1;
    if (offered.y <= 0) {
        offered.height += offered.y - 1;
        offered.y = 1;
    }
    EXPECT_EQ(resultGeometry(r), offered);
    EXPECT_EQ(pasted(),
              screen.copy(int(offered.x), int(offered.y), int(offered.width), int(offered.height)));
    for (const Window& w : windows) stopProgram(w.pid);
}

}  // namespace
