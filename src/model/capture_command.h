#pragma once
// Applying a capture command: writes the parameter record, the process-wide texts and the
// result file path. Only keys the command carries change their fields; texts that the
// command leaves out fall back to the defaults of the chosen language.

#include <QJsonObject>
#include <QString>
#include <optional>

#include "model/capture_param.h"
#include "model/ui_texts.h"

void applyCaptureCommand(const QJsonObject& command, CaptureParam& param, UiTexts& texts,
                         std::optional<QString>& resultPath);

// Sets each prompt text that the command carries; the others keep their values.
void takePermissionTexts(const QJsonObject& command, PermissionTexts& texts);
