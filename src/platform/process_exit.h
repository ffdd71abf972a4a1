#pragma once
// Ends the process with a status. The real one does not return; a fake records the status
// and returns, so callers must not rely on anything after the call running or not.

class ProcessExit {
public:
    virtual ~ProcessExit() = default;
    virtual void exit(int status) = 0;
};
