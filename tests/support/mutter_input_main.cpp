// quillet_mutter_input: pointer and keys for the Mutter tests, through a remote-desktop session
// (org.gnome.Mutter.RemoteDesktop). A headless Mutter's seat has neither keyboard nor pointer
// until such a session sends input, and without a keyboard no Wayland client may read the
// clipboard. The session lives as long as this program's bus connection. It speaks the
// protocol of quillet_kwin_input, a command a line on standard input:
//   move X Y   position in the workspace, in logical points
//   down / up  left button pressed / released
//   key CODE   a key (a Linux input event code) pressed and released
// and answers each with "ok" once Mutter has taken it. Absolute motion needs a screen-cast
// stream (and so PipeWire): the pointer is moved relatively, from the top-left corner where a
// long move up and left leaves it at the start (Mutter keeps the pointer on its monitors and
// does not accelerate a virtual device).

#include <linux/input-event-codes.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <cstdio>
#include <cstring>

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
    const QDBusReply<QDBusObjectPath> created =
        call("/org/gnome/Mutter/RemoteDesktop", kService, "CreateSession");
    if (!created.isValid()) {
        std::fprintf(stderr, "no remote-desktop session: %s\n",
                     qPrintable(created.error().message()));
        return 1;
    }
    const QString path = created.value().path();
    const QString interface = QStringLiteral("org.gnome.Mutter.RemoteDesktop.Session");
    const auto send = [&](const char* method, const QVariantList& arguments = {}) {
        const QDBusMessage reply = call(path, interface, method, arguments);
        if (reply.type() == QDBusMessage::ErrorMessage) {
            std::fprintf(stderr, "remote desktop: %s: %s\n", method,
                         qPrintable(reply.errorMessage()));
            return false;
        }
        return true;
    };
    // Shift pressed and released makes the keyboard appear (that first key itself is lost); the
    // long move brings the pointer in and to the top-left corner.
    double x = 0, y = 0;
    if (!send("Start") || !send("NotifyKeyboardKeycode", {uint(KEY_LEFTSHIFT), true}) ||
        !send("NotifyKeyboardKeycode", {uint(KEY_LEFTSHIFT), false}) ||
        !send("NotifyPointerMotionRelative", {-100000.0, -100000.0})) {
        return 1;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    char line[256];
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
        int toX = 0, toY = 0;
        unsigned code = 0;
        bool ok = false;
        if (std::sscanf(line, "move %d %d", &toX, &toY) == 2) {
            ok = send("NotifyPointerMotionRelative", {toX - x, toY - y});
            x = toX, y = toY;
        } else if (std::strncmp(line, "down", 4) == 0 || std::strncmp(line, "up", 2) == 0) {
            ok = send("NotifyPointerButton", {int(BTN_LEFT), line[0] == 'd'});
        } else if (std::sscanf(line, "key %u", &code) == 1) {
            ok = send("NotifyKeyboardKeycode", {code, true}) &&
                 send("NotifyKeyboardKeycode", {code, false});
        } else {
            std::printf("unknown\n");
            continue;
        }
        if (!ok) return 1;
        std::printf("ok\n");
    }
    return 0;
}
