#pragma once
// What one launch asks for, read once from the launch argument and the parameter file: the
// command type, the automatic-capture flag, the capture parameters, the texts of the user
// interface and the prompt, the result file's path and the launch time. A plain value, handed
// to whatever runs the capture.

#include <QJsonObject>
#include <QString>
#include <cstdint>
#include <optional>

#include "model/capture_param.h"
#include "model/ui_texts.h"

struct LaunchRequest {
    int32_t cmdType = 0;  // -1: do nothing and idle until ended from outside
    int32_t autoCaptureFlag = 0;
    CaptureParam param;
    UiTexts texts;
    std::optional<QString> resultPath;  // DataSavePath; nothing without one
    uint64_t launchTimeMs = 0;
};

// The typed request for a command object (the parameter file with the launch fields written
// into it), by the value rules of the parameters.
LaunchRequest launchRequestFrom(const QJsonObject& command, uint64_t launchTimeMs);
