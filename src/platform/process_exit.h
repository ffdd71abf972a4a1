#pragma once
// Ends the process with a status. The real one ends it at once, or, inside the toolkit's event
// loop, asks every loop to end and returns (the process then ends with the first status asked);
// a fake records the status and returns. Callers must not rely on anything after the call
// running or not.

class ProcessExit {
public:
    virtual ~ProcessExit() = default;
    virtual void exit(int status) = 0;
};
