#include "capture/screen_recording_permission.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_dialogs.h"
#include "platform/fake/fake_log.h"
#include "platform/fake/fake_permission_probe.h"
#include "platform/wayland/portal_permission_texts.h"

namespace {

class Permission : public ::testing::Test {
protected:
    PlatformServices services() {
        PlatformServices s;
        s.log = &log;
        s.dialogs = &dialogs;
        s.permissionProbe = &probe;
        return s;
    }
    FakeLog log;
    FakeDialogs dialogs;
    FakePermissionProbe probe;
};

TEST_F(Permission, SystemWithoutThePermissionPassesWithoutLooking) {
    probe.hasPermissionSystem = false;
    probe.windows = {{std::nullopt, 0, 7, "x"}};
    ScreenRecordingPermission p(services());
    EXPECT_TRUE(p.ScreeningPermissionCheck({}));
    EXPECT_EQ(probe.descriptionCalls, 0);
    EXPECT_TRUE(log.lines.isEmpty());
    EXPECT_TRUE(dialogs.alerts.empty());
}

TEST_F(Permission, WindowReadability) {
    struct Row {
        std::vector<WindowDescription> windows;
        bool granted;
        int logLines;
    };
    const Row rows[] = {
        {{}, true, 0},                                       // no windows at all
        {{{"Terminal", 0, 1, "term"}}, true, 0},             // a name
        {{{std::nullopt, 1, 1, "a"}}, true, 0},              // no name, sharing state 1
        {{{std::nullopt, std::nullopt, 1, "a"}}, false, 1},  // no name, no state
        {{{std::nullopt, 0, 42, "Dock"}, {"ok", 0, 1, "b"}, {std::nullopt, 0, 43, "Bar"}},
         false,
         2},
    };
    for (const Row& row : rows) {
        FakeLog rowLog;
        probe.windows = row.windows;
        probe.hasPermissionSystem = true;
        PlatformServices s = services();
        s.log = &rowLog;
        ScreenRecordingPermission p(s);
        EXPECT_EQ(p.ScreeningRecordPermissionCheck(), row.granted);
        EXPECT_EQ(rowLog.lines.size(), row.logLines);
    }
}

// The prompt shows the host's informative text, or where the host gave none the desktop's own
// explanation (the default describes another system's settings); its first button lets the
// desktop ask again, the second does nothing; no address is opened either way.
TEST_F(Permission, PromptAndItsAnswers) {
    probe.hasPermissionSystem = true;
    probe.windows = {{std::nullopt, 0, 42, "Dock"}};
    probe.howTo = "the desktop's way";
    PermissionTexts hostsTexts;
    hostsTexts.permissionTitleText = "Allow recording";
    hostsTexts.permissionInfoText = "the host's way";
    hostsTexts.permissionInfoGiven = true;
    const struct {
        const char* name;
        PermissionTexts texts;
        QString desktopsText;
        bool confirm;
        QString shown;
    } rows[] = {
        {"the host's text, confirmed", hostsTexts, "the desktop's way", true, "the host's way"},
        {"no host text, confirmed", PermissionTexts{}, "the desktop's way", true,
         "the desktop's way"},
        {"no host text, the desktop has none", PermissionTexts{}, "", false,
         PermissionTexts{}.permissionInfoText},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        FakeDialogs rowDialogs;
        rowDialogs.answerFirstButton = row.confirm;
        probe.howTo = row.desktopsText;
        probe.askedAgain = 0;
        PlatformServices s = services();
        s.dialogs = &rowDialogs;
        ScreenRecordingPermission p(s);
        EXPECT_FALSE(p.ScreeningPermissionCheck(row.texts));
        ASSERT_EQ(rowDialogs.alerts.size(), 1u);
        EXPECT_EQ(rowDialogs.alerts[0].message, row.texts.permissionTitleText);
        EXPECT_EQ(rowDialogs.alerts[0].informativeText, row.shown);
        EXPECT_EQ(rowDialogs.alerts[0].firstButton, "确定");
        EXPECT_EQ(probe.askedAgain, row.confirm ? 1 : 0);
        EXPECT_TRUE(rowDialogs.openedUrls.isEmpty());
    }
    EXPECT_EQ(log.lines.front(), "windowInfo get Fail pid:42 appName:Dock");
}

// The desktop's own explanations say nothing of another system.
TEST(PortalPermissionTexts, NameNoOtherSystem) {
    for (const QString& text :
         {whileTheDesktopAsks(), refusalTheDesktopKeeps(), refusalThisTime()}) {
        SCOPED_TRACE(text.toStdString());
        for (const char* foreign : {"macOS", "x-apple", "系统偏好设置", "10.15"}) {
            EXPECT_FALSE(text.contains(QString::fromUtf8(foreign))) << foreign;
        }
        EXPECT_TRUE(text.contains(QStringLiteral("允许")));
    }
}

TEST_F(Permission, OnceGrantedNeverAskedAgain) {
    probe.hasPermissionSystem = true;
    ScreenRecordingPermission p(services());
    EXPECT_TRUE(p.ScreeningRecordPermissionCheck());
    probe.windows = {{std::nullopt, 0, 1, "revoked"}};
    EXPECT_TRUE(p.ScreeningRecordPermissionCheck());
    EXPECT_EQ(probe.descriptionCalls, 1);
}

}  // namespace

TEST_F(Permission, ASystemThatCannotRecordAtAllSaysWhyWithoutPrompting) {
    probe.hasPermissionSystem = true;
    probe.unavailable = "no screenshot portal";
    ScreenRecordingPermission p(services());
    EXPECT_FALSE(p.ScreeningRecordPermissionCheck());
    EXPECT_FALSE(p.ScreeningPermissionCheck({}));
    EXPECT_EQ(log.lines, QStringList{"cannot record the screen: no screenshot portal"});
    EXPECT_TRUE(dialogs.alerts.empty());
}
