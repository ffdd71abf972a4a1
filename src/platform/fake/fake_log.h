#pragma once

#include <QStringList>

#include "platform/log.h"

class FakeLog : public Log {
public:
    void write(const QString& line) override { lines.append(line); }
    bool has(const QString& line) const { return lines.contains(line); }
    QStringList lines;
};
