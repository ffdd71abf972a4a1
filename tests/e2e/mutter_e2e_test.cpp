// The real binary on GNOME's compositor: a private headless Mutter, which has neither data
// control nor a screenshot service of its own. The picture comes from a portal of the test's
// own; the clipboard outlives the tool through the X11 clipboard of Mutter's Xwayland, read
// here by a Wayland client after the tool has gone.
#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>

#include "e2e/wayland_e2e_fixture.h"
#include "support/geometry_printers.h"
#include "support/mutter_session.h"
#include "support/test_images.h"
#include "support/tool_outcome.h"

namespace {

using namespace wayland_e2e;

TEST(MutterE2E, AutomaticCapturesStayOnTheClipboardThroughXwayland) {
    constexpr int kWidth = 1280, kHeight = 800;
    MutterSession session(kWidth, kHeight);
    ASSERT_TRUE(session.ok()) << session.error();
    const QImage desktop = test_images::positionImage(kWidth, kHeight);
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
        QTemporaryDir dir;
        const QString picture = dir.filePath("Screenshot.png");
        ASSERT_TRUE(desktop.save(picture, "PNG"));
        const std::vector<std::string> env = session.clientEnvironment();
        FakePortal portal(env, "0", picture.toStdString(), {"--store=yes"});
        ASSERT_TRUE(portal.ready());
        ToolRun tool;
        ASSERT_TRUE(tool.start(row.launch, "", env));
        const QJsonObject result = finishedResult(tool, kExitFinished);
        EXPECT_EQ(resultGeometry(result), row.reported);
        EXPECT_NE(tool.standardError().find("read through the desktop portal"), std::string::npos)
            << tool.standardError();
        const Rect& r = row.reported;
        EXPECT_EQ(session.pastedImage(),
                  desktop.copy(int(r.x), int(r.y), int(r.width), int(r.height)));
    }
}

}  // namespace
