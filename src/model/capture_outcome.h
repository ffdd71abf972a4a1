#pragma once
// How one capture ends, delivered once: the result file written (when the launch named one)
// and the process asked to end with the result's kind, which main returns once the event loop
// has run out. Everything after the first delivery is ignored, so that a late click or a lost
// display cannot write a second result.

#include <QString>
#include <optional>

#include "model/capture_result.h"

class Log;
class ProcessExit;

class CaptureOutcome {
public:
    CaptureOutcome(Log& log, ProcessExit& processExit) : m_log(log), m_exit(processExit) {}

    // The launch's result file (none: no file is written).
    void setResultPath(std::optional<QString> path) { m_path = std::move(path); }
    // A new capture, whose result is still to be delivered.
    void begin() { m_delivered = false; }
    const std::optional<QString>& resultPath() const { return m_path; }
    bool delivered() const { return m_delivered; }

    // The result, then the end of the process with its kind.
    void deliver(const CaptureResultInput& input);
    // The display has gone: a cancelled result, then the end as unable to record.
    void deliverLostDisplay(const CaptureResultInput& input);
    // The same result without ending the process, for a caller that ends it.
    void recordLostDisplay(const CaptureResultInput& input);

private:
    bool takeDelivery();

    Log& m_log;
    ProcessExit& m_exit;
    std::optional<QString> m_path;
    bool m_delivered = false;
};
