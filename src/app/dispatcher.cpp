#include "app/dispatcher.h"

#include "model/capture_command.h"
#include "model/value_reading.h"

bool showsPrepareWindow(int32_t autoCaptureFlag) {
    return autoCaptureFlag % 10 == 3;
}

void runInMain(const QJsonObject& command, PermissionTexts& permissionTexts,
               CaptureStarter& starter) {
    if (integerValue(command, QStringLiteral("CmdType")).value_or(0) == -1) return;
    takePermissionTexts(command, permissionTexts);
    const int32_t flag = integerValue(command, QStringLiteral("AutoCaptureFlag")).value_or(0);
    starter.setCaptureParam(command);
    if (showsPrepareWindow(flag)) {
        starter.showPrepare();
    } else {
        starter.doCapture();
    }
}
