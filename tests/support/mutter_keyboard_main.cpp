// quillet_mutter_keyboard: gives a headless Mutter's seat a keyboard, which it has not until a
// remote-desktop session sends a key: without one, no Wayland client may read the clipboard.
// The session lives as long as this program's bus connection: it prints "ready" once the key
// is sent and runs until SIGTERM.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <cstdio>

namespace {

constexpr char kService[] = "org.gnome.Mutter.RemoteDesktop";

QDBusMessage call(const QString& path, const QString& interface, const QString& method,
                  const QVariantList& arguments = {}) {
    QDBusMessage message = QDBusMessage::createMethodCall(kService, path, interface, method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, 10000);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QDBusReply<QDBusObjectPath> session =
        call("/org/gnome/Mutter/RemoteDesktop", kService, "CreateSession");
    if (!session.isValid()) {
        std::fprintf(stderr, "no remote-desktop session: %s\n",
                     qPrintable(session.error().message()));
        return 1;
    }
    const QString path = session.value().path();
    const QString interface = QStringLiteral("org.gnome.Mutter.RemoteDesktop.Session");
    for (const QDBusMessage& reply :
         {call(path, interface, "Start"),
          // Shift, pressed and released: the keyboard appears with it.
          call(path, interface, "NotifyKeyboardKeycode", {42u, true}),
          call(path, interface, "NotifyKeyboardKeycode", {42u, false})}) {
        if (reply.type() == QDBusMessage::ErrorMessage) {
            std::fprintf(stderr, "remote desktop: %s\n", qPrintable(reply.errorMessage()));
            return 1;
        }
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}
