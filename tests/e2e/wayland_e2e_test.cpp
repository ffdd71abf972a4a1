// The real binary in a Wayland session: a private headless sway whose outputs show wallpapers
// of known pixels. What the tool delivers is compared with what grim reads from the compositor
// and pasted with wl-paste after the tool has gone.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "controls/strip_items.h"
#include "controls/strips_state.h"
#include "e2e/wayland_e2e_fixture.h"
#include "overlay/overlay_layout.h"
#include "platform/wayland/portal_permission_store.h"
#include "platform/wayland/portal_screenshot.h"
#include "support/child_process.h"
#include "support/geometry_printers.h"
#include "support/result_file.h"
#include "support/test_images.h"
#include "support/tool_outcome.h"
#include "support/tool_run.h"
#include "support/wayland_input.h"
#include "support/wayland_session.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <cstring>
#include <map>
#include <thread>

namespace {

using namespace wayland_e2e;

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
        // A fractional scale: 1920 x 1080 pixels are 1280 x 720 points.
        {"scale 1.5, rectangle",
         {{1920, 1080, 1.5}},
         {{}, 0, 1, 100, 50, 300, 200},
         {100, 50, 300, 200},
         "100,50 300x200",
         {450, 300}},
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
                ? session.grim(
                      "0,0 " + std::to_string(int(row.outputs[0].width / row.outputs[0].scale)) +
                      "x" + std::to_string(int(row.outputs[0].height / row.outputs[0].scale)))
                : session.grim(row.region);
        ASSERT_FALSE(reference.isNull());
        EXPECT_EQ(run.pasted, reference.convertToFormat(QImage::Format_RGB32));
    }
}

// Turned and mirrored outputs (portrait monitors, tablets): the capture holds the output as
// the user sees it, as grim reads it, its geometry in the turned output's points, whole and in
// part.
TEST(WaylandE2E, TurnedAndMirroredOutputsAreCapturedAsShown) {
    WaylandSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    const char* transforms[] = {"normal",  "90",         "180",         "270",
                                "flipped", "flipped-90", "flipped-180", "flipped-270"};
    for (const char* transform : transforms) {
        SCOPED_TRACE(transform);
        ASSERT_TRUE(session.transformOutput(0, transform));
        const QImage shown = session.grim();
        const bool turned = shown.width() < shown.height();
        EXPECT_EQ(turned, std::string(transform).ends_with("90") ||
                              std::string(transform).ends_with("270"));
        const struct {
            ToolLaunch launch;
            Rect reported;
        } captures[] = {
            {{{}, 0, 2}, {0, 0, double(shown.width()), double(shown.height())}},
            {{{}, 0, 1, 100, 650, 300, 100}, {100, 650, 300, 100}},
        };
        for (const auto& capture : captures) {
            const AutomaticRun run = captureAutomatically(session, capture.launch);
            ASSERT_EQ(run.exitStatus, kExitFinished) << run.standardError;
            ASSERT_TRUE(run.result) << run.standardError;
            EXPECT_EQ(resultGeometry(*run.result), capture.reported);
            const Rect& r = capture.reported;
            EXPECT_EQ(run.pasted, shown.copy(int(r.x), int(r.y), int(r.width), int(r.height)));
        }
    }
}

// The same captures through the desktop portal (forced, as on a compositor without
// screencopy): the portal's picture, read and deleted, holds the same pixels.
TEST(WaylandE2E, AutomaticCapturesThroughThePortalHoldTheSamePixels) {
    WaylandSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    ASSERT_TRUE(session.startPortal()) << session.error();
    struct Row {
        const char* name;
        ToolLaunch launch;
        Rect reported;
        std::string region;
    };
    const Row rows[] = {
        {"whole screen", {{}, 0, 2}, {0, 0, 1280, 800}, "0,0 1280x800"},
        {"rectangle", {{}, 0, 1, 100, 50, 300, 200}, {100, 50, 300, 200}, "100,50 300x200"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ToolRun tool;
        std::vector<std::string> env = session.clientEnvironment();
        env.push_back("QUILLET_WAYLAND_CAPTURE=portal");
        ASSERT_TRUE(tool.start(row.launch, "", env));
        ASSERT_TRUE(tool.waitForExit(30s)) << tool.standardError();
        ASSERT_EQ(tool.exitStatus(), kExitFinished) << tool.standardError();
        const auto result = tool.result();
        ASSERT_TRUE(result) << tool.standardError();
        EXPECT_EQ(resultGeometry(*result), row.reported);
        const QImage pasted = session.pastedImage();
        EXPECT_EQ(pasted, session.grim(row.region));
    }
}

// What the capture makes of each answer a portal may give (a portal of the test's own): a
// picture is read and its file deleted; a refusal, given now or stored before (a real portal
// answers that as a failure), shows the permission prompt and ends unable to record, without a
// record; a failure, or no portal at all, ends unable to record and says why. Until the
// desktop has an answer stored, the portal is asked while a window of ours has the focus; the
// picture kept is the one asked again once that window has gone (none of ours shown).
TEST(WaylandE2E, EveryAnswerOfThePortal) {
    const QString kPermissionTitle = QStringLiteral("打开截图权限");
    const char* kAskedFromOurWindow = "focused 1 shown 1 打开截图权限\n";
    const char* kAskedWithNothingOfOurs = "focused 0 shown 0 \n";
    enum class Portal { Picture, Refuses, Fails, Missing };
    struct Row {
        const char* name;
        Portal portal;
        const char* stored;  // the permission store's answer; empty: nothing stored
        int exitStatus;
        const char* line;   // on standard error
        const char* focus;  // the portal's report: the caller's window at each request, what
                            // the store forgot
        const char* promptKey = "Escape";  // the answer to the permission prompt
    };
    const Row rows[] = {
        {"a picture, asked first", Portal::Picture, "", kExitFinished, "save success.",
         "focused 1 shown 1 打开截图权限\nfocused 0 shown 0 \n"},
        {"a picture, allowed before", Portal::Picture, "yes", kExitFinished, "save success.",
         kAskedWithNothingOfOurs},
        {"refused", Portal::Refuses, "", 253, "appName:the desktop portal", kAskedFromOurWindow},
        {"refused before", Portal::Fails, "no", 253, "appName:the desktop portal",
         kAskedWithNothingOfOurs},
        // The prompt's confirm button forgets the refusal the desktop keeps.
        {"refused before, the prompt confirmed", Portal::Fails, "no", 253,
         "appName:the desktop portal", "focused 0 shown 0 \nforgot \n", "Return"},
        {"failed", Portal::Fails, "", 253,
         "cannot record the screen: the screenshot portal failed (2)", kAskedFromOurWindow},
        {"no portal", Portal::Missing, "", 253, "cannot record the screen: no screenshot portal",
         ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WaylandSession session;
        ASSERT_TRUE(session.ok()) << session.error();
        ASSERT_TRUE(session.startBus()) << session.error();
        WaylandInput input(session, 1280, 800);
        ASSERT_TRUE(input.ok());
        const std::vector<std::string> env = portalEnvironment(session);
        // The picture the portal answers with: the wallpaper turned upside down, so that it is
        // not what the screen shows.
        QTemporaryDir dir;
        const QString picture = dir.filePath("Screenshot.png");
        const QString report = dir.filePath("report");
        ASSERT_TRUE(session.wallpaper(0).mirrored(false, true).save(picture, "PNG"));
        std::optional<FakePortal> portal;
        if (row.portal != Portal::Missing) {
            const char* code = row.portal == Portal::Picture   ? "0"
                               : row.portal == Portal::Refuses ? "1"
                                                               : "2";
            std::vector<std::string> options{"--report=" + report.toStdString(), "--rewrite"};
            if (*row.stored != '\0') options.push_back(std::string("--store=") + row.stored);
            portal.emplace(env, code, picture.toStdString(), options);
            ASSERT_TRUE(portal->ready()) << "the fake portal did not start";
        }
        ToolRun tool;
        ASSERT_TRUE(tool.start({{}, 0, 2}, "", env));
        const bool refused = row.portal == Portal::Refuses || std::string(row.stored) == "no";
        if (refused) {
            // The prompt: a window of the tool's that has the focus (not the one shown while
            // the portal asks); the user closes it.
            ASSERT_TRUE(waitUntil([&] {
                const auto title = focusedWindowOf(swayTree(session), tool.pid());
                return !tool.running() || (title && *title != kPermissionTitle);
            })) << tool.standardError();
            ASSERT_TRUE(tool.running()) << "no prompt\n" << tool.standardError();
            if (const char* dir = std::getenv("QUILLET_SCREENSHOT_DIR")) {
                session.grim().save(QString::fromLocal8Bit(dir) + "/prompt-" + row.name + ".png");
            }
            ASSERT_TRUE(input.key(row.promptKey));
        }
        ASSERT_TRUE(tool.waitForExit(30s)) << tool.standardError();
        EXPECT_EQ(tool.exitStatus(), row.exitStatus) << tool.standardError();
        EXPECT_NE(tool.standardError().find(row.line), std::string::npos) << tool.standardError();
        QFile reported(report);
        EXPECT_EQ(reported.open(QIODevice::ReadOnly) ? reported.readAll().toStdString() : "",
                  row.focus);
        const QImage pasted = session.pastedImage();
        if (row.portal == Portal::Picture) {
            EXPECT_EQ(pasted, session.wallpaper(0).mirrored(false, true));
            EXPECT_FALSE(QFile::exists(picture)) << "the portal's file is deleted";
        } else {
            EXPECT_TRUE(pasted.isNull()) << "nothing on the clipboard";
            EXPECT_FALSE(tool.result().has_value()) << "unable to record: no record";
        }
    }
}

TEST(PortalScreenshot, TheAnswerAndTheRequestPath) {
    struct Case {
        const char* name;
        uint response;
        QVariantMap results;
        std::optional<QString> file;
        bool refused = false;
    };
    const Case cases[] = {
        {"a picture", 0, {{"uri", "file:///tmp/Screenshot%20one.png"}}, "/tmp/Screenshot one.png"},
        {"refused", 1, {}, std::nullopt, true},
        {"failed", 2, {{"uri", "file:///tmp/x.png"}}, std::nullopt},
        {"no file", 0, {{"uri", "https://example.test/x.png"}}, std::nullopt},
        {"no uri", 0, {}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PortalAnswer answer = portalAnswer(c.response, c.results);
        EXPECT_EQ(answer.file, c.file);
        EXPECT_EQ(answer.problem.isEmpty(), c.file.has_value());
        EXPECT_EQ(answer.refused, c.refused);
    }
    // The store's entry for unsandboxed programs (application id "").
    const std::pair<QMap<QString, QStringList>, StoredPermission> stored[] = {
        {{}, StoredPermission::Unknown},
        {{{"", {"yes"}}}, StoredPermission::Yes},
        {{{"", {"no"}}}, StoredPermission::No},
        {{{"org.example.Other", {"yes"}}}, StoredPermission::Unknown},
        {{{"", {}}}, StoredPermission::Unknown},
        {{{"", {"ask"}}}, StoredPermission::Unknown},
    };
    for (const auto& [permissions, expected] : stored)
        EXPECT_EQ(storedPermissionOf(permissions), expected);
    EXPECT_EQ(portalRequestPath(":1.42", "quillet7_1"),
              "/org/freedesktop/portal/desktop/request/1_42/quillet7_1");
}

// An interactive capture on a one-output session, with input.
class WaylandCaptureE2E : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(session.ok()) << session.error(); }

    void startInteractive(const std::vector<std::string>& moreEnvironment = {}) {
        ASSERT_TRUE(input.ok());
        ::startInteractive(session, tool, moreEnvironment);
    }
    QJsonObject finish(int expectedStatus) { return finishedResult(tool, expectedStatus); }
    QImage pasted() const { return session.pastedImage(); }

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

// Where no program may own the clipboard for us (GNOME), the image is offered from the capture's
// own focused window and the capture ends once the compositor's keeper of the clipboard has read
// it (GNOME's reads at once); read here by a paste while the capture waits.
TEST_F(WaylandCaptureE2E, AClipboardOfferedFromTheWindowEndsOnceRead) {
    const struct {
        const char* name;
        bool read;
        int exitStatus;
    } rows[] = {{"read at once", true, kExitFinished}, {"never read", false, 2}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        startInteractive({"QUILLET_WAYLAND_CLIPBOARD=toolkit"});
        ASSERT_TRUE(input.drag({150, 120}, {750, 520}));
        ASSERT_TRUE(input.key("Return"));
        QImage read;
        if (row.read) {
            ASSERT_TRUE(waitUntil([&] {
                read = pasted();
                return !tool.running() || !read.isNull();
            }));
        }
        const QJsonObject r = finish(row.exitStatus);
        if (row.read) {
            EXPECT_EQ(read, session.wallpaper(0).copy(150, 120, 600, 400));
            EXPECT_EQ(resultGeometry(r), (Rect{150, 120, 600, 400}));
        } else {
            EXPECT_NE(tool.standardError().find("no image: the clipboard could not be taken"),
                      std::string::npos)
                << tool.standardError();
        }
    }
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

// The rectangle sway gives the window titled `title` (its content and borders, `key` "rect";
// or its title bar, "deco_rect", relative to the window), once it is visible.
std::optional<Rect> windowRect(const QJsonObject& node, const QString& title,
                               const char* key = "rect") {
    if (node["name"].toString() == title && node["visible"].toBool() && node.contains("pid")) {
        const QJsonObject r = node[key].toObject();
        return Rect{r["x"].toDouble(), r["y"].toDouble(), r["width"].toDouble(),
                    r["height"].toDouble()};
    }
    for (const char* children : {"nodes", "floating_nodes"}) {
        for (const QJsonValue& child : node[children].toArray()) {
            if (auto found = windowRect(child.toObject(), title, key)) return found;
        }
    }
    return std::nullopt;
}

// The window sway reports under the pointer is taken with its frame: after a click on it, or
// with Return before the pointer has moved at all since the capture began (the left window,
// which the screen's centre is not over: sway splits at the centre, giving it to the right one).
TEST_F(WaylandCaptureE2E, TheWindowSwayReportsUnderThePointerIsTaken) {
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
    for (Window& w : windows) {
        ASSERT_TRUE(waitUntil([&] {
            const auto frame = windowRect(swayTree(session), w.title);
            if (!frame) return false;
            w.frame = *frame;
            const QImage shown = session.grim();
            const QPoint centre(int(w.frame.x + w.frame.width / 2),
                                int(w.frame.y + w.frame.height / 2));
            return !shown.isNull() && shown.pixelColor(centre) == w.colour;
        })) << "window "
            << w.title.toStdString();
    }
    const struct {
        const char* name;
        int window;
        bool click;  // else the pointer is over it before the capture begins, and stays
    } rows[] = {{"a click", 1, true}, {"Return without motion", 0, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const Window& target = windows[row.window];
        const QPoint inside(int(target.frame.x + 20), int(target.frame.y + 40));
        if (!row.click) {
            ASSERT_TRUE(input.move(inside.x(), inside.y()));
        }
        // As the pointer left it: sway draws the focused window's title bar in other colours.
        const QImage screen = session.grim();
        startInteractive();
        if (row.click) {
            ASSERT_TRUE(input.click(inside.x(), inside.y()));
        }
        ASSERT_TRUE(input.key("Return"));
        const QJsonObject r = finish(kExitFinished);
        // The window is taken with its frame: the title bar sway draws above it.
        const auto titleBar = windowRect(swayTree(session), target.title, "deco_rect");
        ASSERT_TRUE(titleBar && titleBar->height > 0) << "sway shows a title bar";
        Rect frame = target.frame;
        frame.y -= titleBar->height;
        frame.height += titleBar->height;
        EXPECT_NE(screen.pixelColor(int(frame.x + frame.width / 2), int(frame.y + 2)),
                  target.colour);
        // A window that reaches the screen's right or top edge is offered one point short.
        Rect offered = frame;
        if (offered.x + offered.width >= 1280) offered.width = 1280 - offered.x - 1;
        if (offered.y <= 0) {
            offered.height += offered.y - 1;
            offered.y = 1;
        }
        EXPECT_EQ(resultGeometry(r), offered);
        // Headless sway draws its pointer into every picture (it has no cursor plane), and
        // whether grim saw it depends on when the window under it set its cursor: the
        // pointer's place is left out of the comparison.
        const QRect taken(int(offered.x), int(offered.y), int(offered.width), int(offered.height));
        const QImage image = pasted();
        ASSERT_EQ(image.size(), taken.size());
        const QRect pointer =
            QRect(inside - QPoint(32, 32), QSize(64, 64)).translated(-taken.topLeft());
        EXPECT_TRUE(
            test_images::changedPixels(image, screen.copy(taken)).subtracted(pointer).isEmpty());
    }
    for (const Window& w : windows) stopProgram(w.pid);
}

// A selection on a turned output is cut from the output as the user sees it.
TEST(WaylandTurnedE2E, ASelectionOnATurnedOutputHoldsWhatItShows) {
    WaylandSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    ASSERT_TRUE(session.transformOutput(0, "270"));
    const QImage shown = session.grim();
    ASSERT_EQ(shown.size(), QSize(800, 1280));
    WaylandInput input(session, 800, 1280);
    ASSERT_TRUE(input.ok());
    ToolRun tool;
    startInteractive(session, tool);
    ASSERT_TRUE(input.drag({150, 700}, {650, 1000}, {{400, 800}}));
    ASSERT_TRUE(input.key("Return"));
    EXPECT_EQ(resultGeometry(finishedResult(tool, kExitFinished)), (Rect{150, 700, 500, 300}));
    EXPECT_EQ(session.pastedImage(), shown.copy(150, 700, 500, 300));
}

// A capture on one output at scale 2: a selection, a rectangle drawn with the toolbar's tool
// and then moved by its outline, finished with Return. The pasted image keeps the device
// pixels, and only the pixels around the moved rectangle's outline differ from the screen.
TEST(WaylandScaledE2E, ARectangleDrawnAtScaleTwoKeepsTheDevicePixels) {
    WaylandSession session({{1280, 800, 2}});
    ASSERT_TRUE(session.ok()) << session.error();
    WaylandInput input(session, 640, 400);
    ASSERT_TRUE(input.ok());
    ToolRun tool;
    startInteractive(session, tool);
    constexpr double kHeight = 400;           // points
    const Rect selection{100, 60, 400, 220};  // top-left, points
    ASSERT_TRUE(input.drag({100, 60}, {500, 280}, {{300, 200}}));
    // The toolbar's rectangle tool, where the tool places the toolbar.
    const Rect selectionView{selection.x, kHeight - selection.y - selection.height, selection.width,
                             selection.height};
    const Rect toolbar = placeStrips(selectionView, kHeight, false, false).toolbar;
    for (const StripItem& item : toolbarItems()) {
        if (item.member != QLatin1String("rectButton")) continue;
        const double x = toolbar.x + item.frame.x + item.frame.width / 2;
        const double y = kHeight - (toolbar.y + item.frame.y + item.frame.height / 2);
        ASSERT_TRUE(input.click(int(x), int(y)));
    }
    QRect drawn(200, 120, 150, 100);  // points, inside the selection
    ASSERT_TRUE(input.drag({drawn.left(), drawn.top()},
                           {drawn.left() + drawn.width(), drawn.top() + drawn.height()},
                           {{260, 160}}));
    // Then taken by its left edge, away from its handles, and moved.
    ASSERT_TRUE(input.drag({200, 150}, {230, 170}, {{215, 160}}));
    drawn.translate(30, 20);
    ASSERT_TRUE(input.key("Return"));
    finishedResult(tool, kExitFinished);
    const QImage pasted = session.pastedImage();
    ASSERT_EQ(pasted.size(), QSize(800, 440)) << "device pixels";
    const QImage screen = session.wallpaper(0).copy(200, 120, 800, 440);
    // The outline in the pasted image's pixels, with room for the pen and its smoothing.
    const QRect outline(2 * (drawn.left() - int(selection.x)), 2 * (drawn.top() - int(selection.y)),
                        2 * drawn.width(), 2 * drawn.height());
    const int band = 8;
    const QRegion strokeArea = QRegion(outline.adjusted(-band, -band, band, band)) -
                               QRegion(outline.adjusted(band, band, -band, -band));
    int changedOnOutline = 0;
    for (int y = 0; y < pasted.height(); ++y) {
        for (int x = 0; x < pasted.width(); ++x) {
            const bool same = pasted.pixel(x, y) == screen.pixel(x, y);
            if (strokeArea.contains(QPoint(x, y))) {
                changedOnOutline += same ? 0 : 1;
            } else if (!same) {
                FAIL() << "pixel " << x << "," << y << " changed away from the rectangle";
            }
        }
    }
    // The outline's length in pixels, a stroke at least two pixels wide.
    EXPECT_GT(changedOnOutline, 2 * 2 * (outline.width() + outline.height()));
}

// The windows of process `pid` that sway shows full-screen: their node ids by output name.
void fullScreenWindowsOf(const QJsonObject& node, qint64 pid, std::map<QString, qint64>& found,
                         const QString& output = {}) {
    const QString here =
        node["type"].toString() == QLatin1String("output") ? node["name"].toString() : output;
    if (node["pid"].toInteger() == pid && node["fullscreen_mode"].toInt() != 0) {
        found[here] = node["id"].toInteger();
    }
    for (const char* key : {"nodes", "floating_nodes"}) {
        for (const QJsonValue& child : node[key].toArray()) {
            fullScreenWindowsOf(child.toObject(), pid, found, here);
        }
    }
}

// sway's window events ("new", "close", ...) in the order sway sent them, from the
// construction on: a subscription over sway's IPC socket.
class SwayWindowEvents {
public:
    explicit SwayWindowEvents(const WaylandSession& session) {
        std::string path;
        for (const std::string& entry : session.clientEnvironment()) {
            if (entry.starts_with("SWAYSOCK=")) path = entry.substr(9);
        }
        m_socket = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (m_socket < 0 || path.empty() || path.size() >= sizeof address.sun_path) return;
        path.copy(address.sun_path, path.size());
        if (connect(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return;
        const std::string payload = R"(["window"])";
        const uint32_t header[2] = {uint32_t(payload.size()), 2};  // 2: subscribe
        std::string message = "i3-ipc";
        message.append(reinterpret_cast<const char*>(header), sizeof header).append(payload);
        if (write(m_socket, message.data(), message.size()) != ssize_t(message.size())) return;
        // The subscription holds once sway has answered it.
        m_listening =
            waitUntil([&] { return !messages().empty(); }) && messages().front().contains("true");
    }
    ~SwayWindowEvents() {
        if (m_socket >= 0) close(m_socket);
    }
    bool listening() const { return m_listening; }
    // The place among the events of the first `change` of the window with node id `id`; -1 if
    // none.
    int indexOf(const QString& change, qint64 id) {
        const std::vector<QByteArray>& all = messages();
        for (std::size_t i = 1; i < all.size(); ++i) {
            const QJsonObject event = QJsonDocument::fromJson(all[i]).object();
            if (event["change"].toString() == change &&
                event["container"].toObject()["id"].toInteger() == id) {
                return int(i) - 1;
            }
        }
        return -1;
    }
    std::string summary() {
        std::string text;
        for (const QByteArray& m : messages()) {
            const QJsonObject event = QJsonDocument::fromJson(m).object();
            text += event["change"].toString().toStdString() + " " +
                    std::to_string(event["container"].toObject()["id"].toInteger()) + "; ";
        }
        return text;
    }

private:
    // Every message so far: the subscription's answer, then the events.
    const std::vector<QByteArray>& messages() {
        char chunk[65536];
        ssize_t n;
        while ((n = recv(m_socket, chunk, sizeof chunk, MSG_DONTWAIT)) > 0)
            m_bytes.append(chunk, n);
        constexpr qsizetype kHeader = 14;  // "i3-ipc", length, type
        while (m_bytes.size() >= kHeader) {
            uint32_t length = 0;
            std::memcpy(&length, m_bytes.constData() + 6, sizeof length);
            if (m_bytes.size() < kHeader + qsizetype(length)) break;
            m_messages.push_back(m_bytes.mid(kHeader, length));
            m_bytes.remove(0, kHeader + length);
        }
        return m_messages;
    }

    int m_socket = -1;
    bool m_listening = false;
    QByteArray m_bytes;
    std::vector<QByteArray> m_messages;
};

// Two outputs, the pointer over the second (at scale 2, so that no part of the first could pass
// for it): an automatic capture takes that output, whole or in part, its geometry in the
// output's own points and its pixels as grim reads them.
TEST(WaylandTwoOutputsE2E, AnAutomaticCaptureTakesTheOutputUnderThePointer) {
    WaylandSession session({{1280, 800}, {2048, 1536, 2, 1280, 0}});
    ASSERT_TRUE(session.ok()) << session.error();
    WaylandInput input(session, 1280 + 1024, 800);
    ASSERT_TRUE(input.ok());
    ASSERT_TRUE(input.move(1280 + 500, 300));
    const QImage second = session.grimOutput("HEADLESS-2");
    ASSERT_EQ(second.size(), QSize(2048, 1536));
    const struct {
        const char* name;
        ToolLaunch launch;
        Rect reported;
    } rows[] = {{"whole screen", {{}, 0, 2}, {0, 0, 1024, 768}},
                {"rectangle", {{}, 0, 1, 100, 50, 300, 200}, {100, 50, 300, 200}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const AutomaticRun run = captureAutomatically(session, row.launch);
        ASSERT_EQ(run.exitStatus, kExitFinished) << run.standardError;
        ASSERT_TRUE(run.result) << run.standardError;
        EXPECT_EQ(resultGeometry(*run.result), row.reported);
        const Rect& r = row.reported;
        EXPECT_EQ(run.pasted,
                  second.copy(int(r.x) * 2, int(r.y) * 2, int(r.width) * 2, int(r.height) * 2)
                      .convertToFormat(QImage::Format_RGB32));
    }
}

// Two outputs: the capture starts on the main one and covers the other with its frozen
// picture; once the pointer is over the other, the capture moves there and selects from the
// other output's pixels.
TEST(WaylandTwoOutputsE2E, TheCaptureFollowsThePointerToTheOtherOutput) {
    WaylandSession session({{1280, 800}, {1024, 768, 1, 1280, 0}});
    ASSERT_TRUE(session.ok()) << session.error();
    WaylandInput input(session, 1280 + 1024, 800);
    ASSERT_TRUE(input.ok());
    ASSERT_TRUE(input.move(600, 400));  // on the main output
    ToolRun tool;
    ASSERT_TRUE(tool.start({{}, 0, 0}, "", session.clientEnvironment()));
    // The tool's full-screen windows by output, as sway's node ids.
    const auto windowsOnBothOutputs = [&](std::map<QString, qint64>& windows) {
        windows.clear();
        fullScreenWindowsOf(swayTree(session), tool.pid(), windows);
        return windows.size() == 2;
    };
    // The capture window is made after the other output's cover, so it has the larger id.
    std::map<QString, qint64> before;
    ASSERT_TRUE(waitUntil([&] { return windowsOnBothOutputs(before); })) << tool.standardError();
    ASSERT_GT(before["HEADLESS-1"], before["HEADLESS-2"]) << "the capture on the main output";
    // The other output comes to show its frozen picture, darkened.
    const QImage wallpaper = session.wallpaper(1);
    ASSERT_TRUE(waitUntil([&] {
        const QImage shown = session.grimOutput("HEADLESS-2");
        return shown.size() == wallpaper.size() &&
               shown.pixelColor(500, 400).value() < wallpaper.pixelColor(500, 400).value() &&
               shown.pixelColor(20, 700).value() < wallpaper.pixelColor(20, 700).value();
    })) << "the other output is not covered\n"
        << tool.standardError();

    // The capture moves: the other output gets a window made anew, and the main one a cover.
    // sway's window events tell in which order windows came and went.
    SwayWindowEvents events(session);
    ASSERT_TRUE(events.listening());
    ASSERT_TRUE(input.move(1280 + 300, 200));
    ASSERT_TRUE(input.move(1280 + 310, 210));
    std::map<QString, qint64> after;
    ASSERT_TRUE(waitUntil([&] {
        return windowsOnBothOutputs(after) && after["HEADLESS-2"] != before["HEADLESS-2"] &&
               after["HEADLESS-1"] != before["HEADLESS-1"];
    })) << tool.standardError()
        << events.summary();
    ASSERT_GT(after["HEADLESS-2"], after["HEADLESS-1"]) << "the capture on the other output";
    // Neither output showed the live desktop meanwhile: on each, our new window came before the
    // old one went.
    for (const char* output : {"HEADLESS-1", "HEADLESS-2"}) {
        SCOPED_TRACE(output);
        ASSERT_TRUE(waitUntil([&] { return events.indexOf("close", before[output]) >= 0; }));
        EXPECT_LT(events.indexOf("new", after[output]), events.indexOf("close", before[output]))
            << events.summary();
    }
    // A window made anew gets the pointer with the first move after it is mapped: moves until
    // its magnifier shows beside the pointer (its dark readout panel where the darkened screen
    // is bright), so that the drag that follows reaches it whole.
    const Point probe{100, 100};  // on the other output, top-left points
    const MagnifierLayout magnifier =
        magnifierLayout({probe.x, 768 - probe.y}, {}, {1024, 768}, true, false);
    const QPoint panel(int(magnifier.textPanel.x + magnifier.textPanel.width / 2),
                       int(768 - (magnifier.textPanel.y + magnifier.textPanel.height / 2)));
    int step = 0;
    ASSERT_TRUE(waitUntil([&] {
        if (!input.move(1280 + int(probe.x) + step++ % 2, int(probe.y))) return false;
        const QImage shown = session.grimOutput("HEADLESS-2");
        return !shown.isNull() && shown.pixelColor(panel).value() < 60;
    })) << "the capture never showed the pointer";
    ASSERT_TRUE(input.drag({1280 + 100, 100}, {1280 + 500, 400}, {{1280 + 300, 250}}));
    ASSERT_TRUE(input.key("Return"));
    EXPECT_EQ(resultGeometry(finishedResult(tool, kExitFinished)), (Rect{100, 100, 400, 300}));
    const QImage pasted = session.pastedImage();
    EXPECT_EQ(pasted, session.wallpaper(1).copy(100, 100, 400, 300));
}

}  // namespace
