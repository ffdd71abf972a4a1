// The real binary on GNOME's compositor: a private headless Mutter, which has neither data
// control nor a screenshot service of its own. The picture comes from a portal of the test's
// own; the clipboard outlives the tool through the X11 clipboard of Mutter's Xwayland, read
// here by a Wayland client after the tool has gone.
#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>
#include <memory>

#include "e2e/wayland_e2e_fixture.h"
#include "support/geometry_printers.h"
#include "support/mutter_session.h"
#include "support/test_images.h"
#include "support/tool_outcome.h"

namespace {

using namespace wayland_e2e;

constexpr int kWidth = 1280, kHeight = 800;

// A session whose portal hands each capture the same desktop picture.
class MutterE2E : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(session.ok()) << session.error(); }

    // Starts the tool with a portal of its own (the tool removes the portal's file once read).
    bool startTool(ToolRun& tool, const ToolLaunch& launch) {
        const QString picture = pictures.filePath("Screenshot.png");
        if (!desktop.save(picture, "PNG")) return false;
        portal.reset();  // the bus name is free for the next one
        portal =
            std::make_unique<FakePortal>(session.clientEnvironment(), "0", picture.toStdString(),
                                         std::vector<std::string>{"--store=yes"});
        return portal->ready() && tool.start(launch, "", session.clientEnvironment());
    }
    static void expectThePortalRoute(const ToolRun& tool) {
        EXPECT_NE(tool.standardError().find(
                      "the screen is read through the desktop portal: KWin's screenshot "
                      "interface is not offered: org.freedesktop.DBus.Error.ServiceUnknown"),
                  std::string::npos)
            << tool.standardError();
        EXPECT_EQ(tool.standardError().find("QString::"), std::string::npos)
            << tool.standardError();
    }

    MutterSession session{kWidth, kHeight};
    const QImage desktop = test_images::positionImage(kWidth, kHeight);
    QTemporaryDir pictures;
    std::unique_ptr<FakePortal> portal;
};

TEST_F(MutterE2E, AutomaticCapturesStayOnTheClipboardThroughXwayland) {
    const struct {
        const char* name;
        ToolLaunch launch;
        Rect reported;
    } rows[] = {
        {"whole screen", {{}, 0, 2}, {0, 0, kWidth, kHeight}},
        {"rectangle", {{}, 0, 1, 100, 50, 300, 200}, {100, 50, 300, 200}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ToolRun tool;
        ASSERT_TRUE(startTool(tool, row.launch));
        const QJsonObject result = finishedResult(tool, kExitFinished);
        EXPECT_EQ(resultGeometry(result), row.reported);
        expectThePortalRoute(tool);
        const Rect& r = row.reported;
        EXPECT_EQ(session.pastedImage(),
                  desktop.copy(int(r.x), int(r.y), int(r.width), int(r.height)));
    }
}

// The capture with windows on Mutter: once Mutter has given the overlay the keyboard focus, a
// dragged selection finished with Return is pasted after the tool has gone; Escape cancels.
TEST_F(MutterE2E, InteractiveCapturesOnMutter) {
    WaylandInput& input = session.input();
    const struct {
        const char* name;
        bool select;
    } rows[] = {{"a drag finished with Return", true}, {"Escape", false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(input.move(kWidth - 1, kHeight - 1));
        const int before = session.newestFocusedWindow();
        ToolRun tool;
        ASSERT_TRUE(startTool(tool, {{}, 0, 0}));
        ASSERT_TRUE(waitUntil([&] {
            return !tool.running() || session.newestFocusedWindow() > before;
        })) << "the overlay never had the focus\n"
            << tool.standardError();
        ASSERT_TRUE(tool.running()) << tool.standardError();
        cancelOrSelect(input, tool, row.select);
        if (HasFatalFailure()) return;
        if (!row.select) continue;
        expectThePortalRoute(tool);
        EXPECT_EQ(session.pastedImage(),
                  desktop.copy(int(kDraggedArea.x), int(kDraggedArea.y), int(kDraggedArea.width),
                               int(kDraggedArea.height)));
    }
}

}  // namespace
