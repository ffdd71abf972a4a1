#pragma once
// One diagnostic line per call. The real log writes to syslog(3) and standard error.

#include <QString>

class Log {
public:
    virtual ~Log() = default;
    virtual void write(const QString& line) = 0;
};
