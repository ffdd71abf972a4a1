#include "app/dispatcher.h"

bool showsPrepareWindow(int32_t autoCaptureFlag) {
    return autoCaptureFlag % 10 == 3;
}

void runInMain(const LaunchRequest& request, CaptureStarter& starter) {
    if (request.cmdType == -1) return;
    starter.setCaptureParam(request);
    if (showsPrepareWindow(request.autoCaptureFlag)) {
        starter.showPrepare();
    } else {
        starter.doCapture();
    }
}
