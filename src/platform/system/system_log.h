#pragma once
// Writes each line to syslog(3) and to standard error.

#include "platform/log.h"

class SystemLog : public Log {
public:
    SystemLog();
    ~SystemLog() override;
    void write(const QString& line) override;
};
