#include "platform/system/signal_termination.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace {

std::atomic<bool> g_requested{false};
int g_pipe[2] = {-1, -1};

void onTerminationSignal(int) {
    const int saved = errno;
    g_requested.store(true);
    if (g_pipe[1] >= 0) {
        [[maybe_unused]] const ssize_t n = write(g_pipe[1], "T", 1);
    }
    errno = saved;
}

}  // namespace

void SignalTermination::install() {
    static const bool installed = [] {
        if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) g_pipe[0] = g_pipe[1] = -1;
        struct sigaction action {};
        action.sa_handler = onTerminationSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (const int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
        return true;
    }();
    static_cast<void>(installed);
}

SignalTermination::SignalTermination() {
    install();
}

bool SignalTermination::requested() const {
    return g_requested.load();
}

int SignalTermination::notifierFd() const {
    return g_pipe[0];
}
