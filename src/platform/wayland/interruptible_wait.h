#pragma once
// A wait in a local event loop that ends when its caller's event comes (quit()), at a time-out,
// or when the process is asked to end from outside (a termination request), whichever is
// first: no wait for another process's answer outlives a signal. Needs a QCoreApplication.

#include <QEventLoop>

class Termination;

class InterruptibleWait {
public:
    enum class End { Quit, TimedOut, Terminated };

    // `termination` may be null: only quit() and the time-out then end the wait.
    explicit InterruptibleWait(const Termination* termination) : m_termination(termination) {}

    // Runs the loop until one of the ends; at once when quit() or a termination came before.
    End run(int timeoutMs);
    void quit();

private:
    const Termination* m_termination;
    QEventLoop m_loop;
    bool m_quit = false;
};
