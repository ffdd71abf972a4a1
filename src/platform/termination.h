#pragma once
// Whether the process has been asked to end from outside (SIGTERM, SIGINT, SIGHUP). Such a
// request cancels the capture: the result is written (kind 2) and the clipboard left alone.

class Termination {
public:
    virtual ~Termination() = default;
    virtual bool requested() const = 0;
    // Readable once a request has come, for an event loop to wait on; -1 when there is none.
    virtual int notifierFd() const = 0;
};
