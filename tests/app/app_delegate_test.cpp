#include "app/app_delegate.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "capture/capture_window.h"
#include "support/fake_platform.h"
#include "support/result_file.h"

namespace {

class AppDelegateTest : public ::testing::Test {
protected:
    QString launchArgument(const QByteArray& params) {
        QFile f(dir.filePath("params.json"));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(params);
        return "startfromlocal," + f.fileName() + "," + resultPath() + ",,0,0,0,0,0,0";
    }
    QString resultPath() const { return dir.filePath("result.json"); }
    QJsonObject result() const { return readResultFile(resultPath()).value_or(QJsonObject()); }

    QTemporaryDir dir;
    FakePlatform platform;
};

TEST_F(AppDelegateTest, StartTimeIsTheLaunchTime) {
    platform.clock.time = {1700000000, 987654};
    AppDelegate delegate(platform.services());
    delegate.applicationDidFinishLaunching({"/bin/q", launchArgument("{}")});
    platform.clock.time = {1800000000, 0};
    delegate.captureWindow().onCancel();
    EXPECT_EQ(platform.processExit.status, 2);
    EXPECT_EQ(result()["StartTime"].toInteger(), 1700000000987);
    EXPECT_TRUE(platform.log.has("Cancel..."));
}

TEST_F(AppDelegateTest, LosingTheActiveStateCancels) {
    AppDelegate delegate(platform.services());
    delegate.applicationDidFinishLaunching({"/bin/q", launchArgument("{}")});

    delegate.onApplicationStateChanged(Qt::ApplicationInactive);
    EXPECT_FALSE(platform.processExit.status) << "never active yet: nothing to lose";

    delegate.onApplicationStateChanged(Qt::ApplicationActive);
    delegate.onApplicationStateChanged(Qt::ApplicationInactive);
    EXPECT_EQ(platform.processExit.status, 2);
    EXPECT_EQ(result()["Type"].toInt(), 2);
    EXPECT_EQ(result()["Width"].toInt(), 1440) << "the offered selection: the whole screen";
}

TEST_F(AppDelegateTest, IgnoredCommandShowsNothing) {
    AppDelegate delegate(platform.services());
    delegate.applicationDidFinishLaunching(
        {"/bin/q", launchArgument(R"({"CmdType": -1, "PriviledgeTitle": "T", "Ex": 1})")});
    EXPECT_FALSE(delegate.captureWindow().isVisible());
    EXPECT_FALSE(platform.processExit.status);
    EXPECT_EQ(delegate.texts().permission.permissionTitleText, "T")
        << "the launch takes the prompt texts before the check";
    EXPECT_FALSE(delegate.texts().isEnglishUI) << "parameters are not applied";
    EXPECT_FALSE(delegate.captureWindow().resultPath());
}

}  // namespace
