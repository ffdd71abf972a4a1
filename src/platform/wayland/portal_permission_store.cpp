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

namespace {

// The store's answer to `method` on the screenshot entry (with `more` arguments), waited for
// until it comes, a time-out or a termination request; an invalid message on failure.
QDBusMessage askStore(const QString& method, const QVariantList& more,
                      const Termination* termination) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return {};
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.impl.portal.PermissionStore"),
        QStringLiteral("/org/freedesktop/impl/portal/PermissionStore"),
        QStringLiteral("org.freedesktop.impl.portal.PermissionStore"), method);
    call << QStringLiteral("screenshot") << QStringLiteral("screenshot");
    for (const QVariant& argument : more) call << argument;
    constexpr int kTimeoutMs = 5000;
    QDBusPendingCallWatcher pending(bus.asyncCall(call, kTimeoutMs));
    InterruptibleWait wait(termination);
    QObject::connect(&pending, &QDBusPendingCallWatcher::finished, [&wait] { wait.quit(); });
    if (!pending.isFinished() && wait.run(kTimeoutMs) != InterruptibleWait::End::Quit) return {};
    return pending.reply();
}

}  // namespace

StoredPermission storedScreenshotPermission(const Termination* termination) {
    qDBusRegisterMetaType<QMap<QString, QStringList>>();
    // A missing table or entry is an error reply: nothing stored.
    const QDBusMessage reply = askStore(QStringLiteral("Lookup"), {}, termination);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return StoredPermission::Unknown;
    }
    const auto permissions =
        qdbus_cast<QMap<QString, QStringList>>(reply.arguments().front().value<QDBusArgument>());
    return storedPermissionOf(permissions);
}

bool forgetScreenshotPermission(const Termination* termination) {
    // The answer of unsandboxed programs, whose application id is empty.
    return askStore(QStringLiteral("DeletePermission"), {QString()}, termination).type() ==
           QDBusMessage::ReplyMessage;
}
