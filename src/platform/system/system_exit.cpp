#include "platform/system/system_exit.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <cstdio>
#include <vector>

namespace {

constexpr int kNone = 0x7fffffff;
std::atomic<int> g_requested{kNone};

struct ExitAction {
    int token;
    std::function<void()> action;
};
std::vector<ExitAction>& exitActions() {
    static std::vector<ExitAction> actions;
    return actions;
}

}  // namespace

void SystemExit::exit(int status) {
    int none = kNone;
    g_requested.compare_exchange_strong(none, status);
    QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() == app->thread() &&
        QThread::currentThread()->loopLevel() > 0) {
        // Every loop of this thread, the nested ones of a wait included.
        QCoreApplication::exit(*requestedStatus());
        return;
    }
    exitNow(*requestedStatus());
}

void SystemExit::exitNow(int status) {
    // Once: an action that ends the process itself must not run the others again.
    std::vector<ExitAction> actions;
    actions.swap(exitActions());
    for (auto it = actions.rbegin(); it != actions.rend(); ++it) it->action();
    std::fflush(nullptr);
    ::_exit(status);
}

std::optional<int> SystemExit::requestedStatus() {
    const int status = g_requested.load();
    if (status == kNone) return std::nullopt;
    return status;
}

void SystemExit::endIfRequested() {
    if (const std::optional<int> status = requestedStatus()) exitNow(*status);
}

int SystemExit::beforeExit(std::function<void()> action) {
    static int tokens = 0;
    exitActions().push_back({++tokens, std::move(action)});
    return tokens;
}

void SystemExit::dropBeforeExit(int token) {
    std::erase_if(exitActions(), [token](const ExitAction& a) { return a.token == token; });
}
