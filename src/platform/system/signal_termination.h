#pragma once
// Turns SIGTERM, SIGINT and SIGHUP into a termination request instead of the default death,
// which would leave the host without a result: a flag and a byte in a pipe (the only things
// a signal handler may safely do). One instance per process.

#include "platform/termination.h"

class SignalTermination : public Termination {
public:
    // Installs the handlers; the first call does it, later ones find them there. Worth calling
    // first thing in main: until then the signals still kill.
    static void install();

    SignalTermination();
    SignalTermination(const SignalTermination&) = delete;
    SignalTermination& operator=(const SignalTermination&) = delete;

    bool requested() const override;
    int notifierFd() const override;
};
