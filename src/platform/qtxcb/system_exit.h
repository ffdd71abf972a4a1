#pragma once
// Ends the process at once: standard streams are flushed, but no destructors run, so that
// nothing (Qt's teardown included) can delay or change the exit status the host waits for.

#include "platform/process_exit.h"

class SystemExit : public ProcessExit {
public:
    [[noreturn]] void exit(int status) override;
};
