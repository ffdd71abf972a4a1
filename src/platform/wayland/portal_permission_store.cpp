#include "platform/wayland/portal_permission_store.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>

#include "platform/wayland/interruptible_wait.h"

StoredPermission storedPermissionOf(const QMap<QString, QStringList>& permissions) {
    const QStringList answer = permissions.value(QString());
    if (answer.isEmpty()) return StoredPermission::Unknown;
    if (answer.front() == QLatin1String("yes")) return StoredPermission::Yes;
    if (answer.front() == QLatin1String("no")) return StoredPermission::No;
    return StoredPermission::Unknown;
}

StoredPermission storedScreenshotPermission(const Termination* termination) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return StoredPermission::Unknown;
    qDBusRegisterMetaType<QMap<QString, QStringList>>();
    QDBusMessage lookup = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.impl.portal.PermissionStore"),
        QStringLiteral("/org/freedesktop/impl/portal/PermissionStore"),
        QStringLiteral("org.freedesktop.impl.portal.PermissionStore"), QStringLiteral("Lookup"));
    lookup << QStringLiteral("screenshot") << QStringLiteral("screenshot");
    constexpr int kTimeoutMs = 5000;
    QDBusPendingCallWatcher pending(bus.asyncCall(lookup, kTimeoutMs));
    InterruptibleWait wait(termination);
    QObject::connect(&pending, &QDBusPendingCallWatcher::finished, [&wait] { wait.quit(); });
    if (!pending.isFinished() && wait.run(kTimeoutMs) != InterruptibleWait::End::Quit) {
        return StoredPermission::Unknown;
    }
    // A missing table or entry is an error reply: nothing stored.
    const QDBusMessage reply = pending.reply();
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return StoredPermission::Unknown;
    }
    const auto permissions =
        qdbus_cast<QMap<QString, QStringList>>(reply.arguments().front().value<QDBusArgument>());
    return storedPermissionOf(permissions);
}
