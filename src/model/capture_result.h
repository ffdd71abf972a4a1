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

// Writes the file whole (see writeWholeFile: a regular file is replaced atomically, a FIFO or
// device written in place), or leaves it as it was. Returns the error text on failure.
std::optional<QString> writeResultFile(const QString& path, const QJsonObject& message);

// Writes the result and logs "save success." or "save failed:<error>".
void recordCaptureResult(const CaptureResultInput& input, const std::optional<QString>& path,
                         Log& log);

// Records the result and ends the process with the result kind whether or not the write
// succeeded.
void deliverCaptureResult(const CaptureResultInput& input, const std::optional<QString>& path,
                          Log& log, ProcessExit& processExit);

// The exit status when the screen cannot be recorded (no display, or the display was lost).
inline constexpr int kExitCannotRecord = -3;

// The display went away during a capture: records the result (as cancelled, with the geometry
// so far), says so ("cannot record the screen: <what was lost> was lost"), and ends the process
// as one that cannot record.
void deliverLostDisplay(CaptureResultInput input, const std::optional<QString>& path, Log& log,
                        ProcessExit& processExit);

// What the process's display is called in that line: "the X display" unless the process talks
// to another window system (one per process, set once at start).
void setLostDisplayName(const QString& name);
QString lostDisplayLine();
