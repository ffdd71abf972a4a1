#include "platform/system/system_log.h"

#include <syslog.h>

#include <cstdio>

SystemLog::SystemLog() {
    openlog("quillet-capture", LOG_PID, LOG_USER);
}

SystemLog::~SystemLog() {
    closelog();
}

void SystemLog::write(const QString& line) {
    const QByteArray bytes = line.toUtf8();
    syslog(LOG_NOTICE, "%s", bytes.constData());
    std::fprintf(stderr, "%s\n", bytes.constData());
}
