#pragma once
// Ends the process with a status. Inside the toolkit's event loop it asks every running loop to
// end and returns: main then ends the process with that status once they have (see
// requestedStatus), so the handler that decided the outcome is never cut short, and an exit
// asked inside a loop nested in the start-up is not lost to the main loop that follows. Without
// a running loop (the automatic capture, the start-up) it ends the process at once. Either way
// standard streams are flushed and no destructors run, so that nothing (Qt's teardown
// included) can delay or change the exit status the host waits for.

#include <functional>
#include <optional>

#include "platform/process_exit.h"

class SystemExit : public ProcessExit {
public:
    void exit(int status) override;
    // Ends the process now, whatever runs.
    [[noreturn]] static void exitNow(int status);
    // The status of the first exit asked, if one has been.
    static std::optional<int> requestedStatus();
    // Ends the process with the status asked before, if any; returns otherwise.
    static void endIfRequested();
    // `action` runs when the process ends through here (every end of ours does), unless the
    // returned token is dropped with dropBeforeExit first: for what another process holds for
    // us, which no destructor would give back.
    static int beforeExit(std::function<void()> action);
    static void dropBeforeExit(int token);
};
