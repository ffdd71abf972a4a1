#pragma once
// Ends the process with a status. Inside the toolkit's event loop it asks the loop to end and
// returns: main then ends the process with that status once exec() has returned, so the
// handler that decided the outcome is never cut short. Without a running loop (the automatic
// capture, the start-up) it ends the process at once. Either way standard streams are flushed
// and no destructors run, so that nothing (Qt's teardown included) can delay or change the
// exit status the host waits for.

#include "platform/process_exit.h"

class SystemExit : public ProcessExit {
public:
    void exit(int status) override;
    // Ends the process now, whatever runs.
    [[noreturn]] static void exitNow(int status);
};
