#include "platform/wayland/interruptible_wait.h"

#include <QSocketNotifier>
#include <QTimer>
#include <memory>

#include "platform/termination.h"

InterruptibleWait::End InterruptibleWait::run(int timeoutMs) {
    const auto terminated = [this] { return m_termination && m_termination->requested(); };
    if (terminated()) return End::Terminated;
    if (m_quit) return End::Quit;
    // The request's pipe stays readable once written: a notifier made now fires for a signal
    // that came at any moment before.
    std::unique_ptr<QSocketNotifier> notifier;
    if (m_termination && m_termination->notifierFd() >= 0) {
        notifier =
            std::make_unique<QSocketNotifier>(m_termination->notifierFd(), QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, &m_loop, &QEventLoop::quit);
    }
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &m_loop, &QEventLoop::quit);
    timer.start(timeoutMs);
    m_loop.exec();
    if (terminated()) return End::Terminated;
    return m_quit ? End::Quit : End::TimedOut;
}

void InterruptibleWait::quit() {
    m_quit = true;
    m_loop.quit();
}
