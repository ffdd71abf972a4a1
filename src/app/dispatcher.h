#pragma once
// Hands the launch's one command to what it starts: nothing (CmdType -1), the prepare
// window (AutoCaptureFlag % 10 == 3, the remainder with the dividend's sign), or a capture.

#include "model/launch_request.h"

class CaptureStarter {
public:
    virtual ~CaptureStarter() = default;
    virtual void setCaptureParam(const LaunchRequest& request) = 0;
    virtual void doCapture() = 0;
    virtual void showPrepare() = 0;
};

bool showsPrepareWindow(int32_t autoCaptureFlag);

void runInMain(const LaunchRequest& request, CaptureStarter& starter);
