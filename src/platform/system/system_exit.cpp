#include "platform/system/system_exit.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QThread>
#include <cstdio>

void SystemExit::exit(int status) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() == app->thread() &&
        QThread::currentThread()->loopLevel() > 0) {
        QCoreApplication::exit(status);
        return;
    }
    exitNow(status);
}

void SystemExit::exitNow(int status) {
    std::fflush(nullptr);
    ::_exit(status);
}
