#include "app/dispatcher.h"

#include <gtest/gtest.h>

#include <QJsonDocument>

namespace {

class RecordingStarter : public CaptureStarter {
public:
    void setCaptureParam(const LaunchRequest&) override { calls << "param"; }
    void doCapture() override { calls << "capture"; }
    void showPrepare() override { calls << "prepare"; }
    QStringList calls;
};

QStringList dispatch(const char* command) {
    RecordingStarter starter;
    runInMain(launchRequestFrom(QJsonDocument::fromJson(command).object(), 0), starter);
    return starter.calls;
}

TEST(Dispatcher, WhatACommandStarts) {
    struct Row {
        const char* command;
        QStringList calls;
    };
    const QStringList capture{"param", "capture"};
    const QStringList prepare{"param", "prepare"};
    const Row rows[] = {
        {R"({"CmdType": -1, "AutoCaptureFlag": 3})", {}},  // ignored entirely
        {R"({"CmdType": "-1"})", {}},                      // the string reads the same
        {R"({"CmdType": -1.5})", {}},                      // truncates to -1
        {R"({"CmdType": -2})", capture},
        {R"({})", capture},
        {R"({"AutoCaptureFlag": 3})", prepare},
        {R"({"AutoCaptureFlag": 13})", prepare},
        {R"({"AutoCaptureFlag": "23"})", prepare},
        {R"({"AutoCaptureFlag": -3})", capture},  // the remainder keeps the dividend's sign
        {R"({"AutoCaptureFlag": -7})", capture},
        {R"({"AutoCaptureFlag": 1})", capture},
        {R"({"AutoCaptureFlag": 2})", capture},
        {R"({"AutoCaptureFlag": "abc"})", capture},
    };
    for (const Row& row : rows) EXPECT_EQ(dispatch(row.command), row.calls) << row.command;
}

// The launch takes the prompt texts the command gives, whatever it asks for, and keeps the
// defaults of the others.
TEST(Dispatcher, RequestTakesOnlyThePromptTextsGiven) {
    for (const char* command :
         {R"({"PriviledgeTitle": "T"})", R"({"CmdType": -1, "PriviledgeTitle": "T"})"}) {
        const LaunchRequest r = launchRequestFrom(QJsonDocument::fromJson(command).object(), 0);
        EXPECT_EQ(r.texts.permission.permissionTitleText, "T") << command;
        EXPECT_EQ(r.texts.permission.permissionOKText, PermissionTexts{}.permissionOKText);
    }
}

}  // namespace
