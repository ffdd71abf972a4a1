#pragma once
// The result of a capture: the message the host reads from the result file, and its
// delivery (written atomically, then the process ends with the result kind).

#include <QJsonObject>
#include <QString>
#include <cstdint>
#include <optional>

#include "platform/geometry.h"

class Log;
class ProcessExit;

enum ResultKind : int32_t { kResultFinished = 1, kResultCancelled = 2, kResultSaved = 3 };

struct CaptureResultInput {
    int32_t kind = kResultCancelled;
    Rect captureWindowRect;  // the selection, view coordinates (bottom-left origin)
    Rect rectScreen;         // frame of the captured screen
    QString savedImagePath;  // reported for kind 3 only
    uint64_t launchTimeMs = 0;
};

// Type, x, y (top-left origin), Width, Height, Info, StartTime.
QJsonObject buildResultMessage(const CaptureResultInput& input);

// Replaces the file as a whole: a temporary file in the same folder, then a rename.
// Leaves no temporary file behind on failure. Returns the error text on failure.
std::optional<QString> writeResultFile(const QString& path, const QJsonObject& message);

// Writes the result, logs "save success." or "save failed:<error>", and ends the process
// with the result kind whether or not the write succeeded.
void deliverCaptureResult(const CaptureResultInput& input, const std::optional<QString>& path,
                          Log& log, ProcessExit& processExit);
