#pragma once
// Owning a well-known name on the session bus for a stand-in of a desktop service.

#include <QDBusConnection>
#include <QString>
#include <QThread>

// Takes `name` on `bus`, waiting up to 5 s: a stand-in the test stopped just before may still
// hold it until the bus has seen it go.
inline bool ownBusName(QDBusConnection& bus, const QString& name) {
    for (int attempt = 0; attempt < 250; ++attempt) {
        if (bus.registerService(name)) return true;
        QThread::msleep(20);
    }
    return false;
}
