#include "capture/screen_recording_permission.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_dialogs.h"
#include "platform/fake/fake_log.h"
#include "platform/fake/fake_permission_probe.h"

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

TEST_F(Permission, PromptAndItsAnswers) {
    probe.hasPermissionSystem = true;
    probe.windows = {{std::nullopt, 0, 42, "Dock"}};
    PermissionTexts texts;
    texts.permissionTitleText = "Allow recording";

    ScreenRecordingPermission p(services());
    EXPECT_FALSE(p.ScreeningPermissionCheck(texts));
    EXPECT_EQ(log.lines, QStringList{"windowInfo get Fail pid:42 appName:Dock"});
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(dialogs.alerts[0].message, "Allow recording");
    EXPECT_EQ(dialogs.alerts[0].firstButton, "确定");
    EXPECT_EQ(dialogs.openedUrls, QStringList{kScreenRecordingSettingsUrl});

    dialogs.answerFirstButton = false;
    EXPECT_FALSE(p.ScreeningPermissionCheck(texts)) << "tested again: still missing";
    EXPECT_EQ(dialogs.alerts.size(), 2u);
    EXPECT_EQ(dialogs.openedUrls.size(), 1) << "the second button opens nothing";
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
