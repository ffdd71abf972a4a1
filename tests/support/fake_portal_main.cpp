// quillet_fake_portal: a desktop portal that answers every screenshot request with one given
// response, for the tests of what the capture does with answers a real portal gives rarely
// (a refusal, a failure). It owns org.freedesktop.portal.Desktop on the session bus and prints
// "ready" once it does.
// Usage: quillet_fake_portal <response code> [picture file to answer with]

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QTimer>
#include <QUrl>
#include <QVariantMap>
#include <cstdio>

class FakeScreenshot : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Screenshot")
public:
    FakeScreenshot(uint response, QString file) : m_response(response), m_file(std::move(file)) {}

public slots:
    QDBusObjectPath Screenshot(const QString&, const QVariantMap& options,
                               const QDBusMessage& call) {
        QString sender = call.service().mid(1);
        sender.replace(u'.', u'_');
        const QString path =
            QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                .arg(sender, options.value(QStringLiteral("handle_token")).toString());
        // The answer follows the reply, as a real portal's does.
        QTimer::singleShot(50, this, [this, path] {
            QDBusMessage response = QDBusMessage::createSignal(
                path, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
            QVariantMap results;
            if (!m_file.isEmpty()) {
                results.insert(QStringLiteral("uri"), QUrl::fromLocalFile(m_file).toString());
            }
            response << m_response << results;
            QDBusConnection::sessionBus().send(response);
        });
        return QDBusObjectPath(path);
    }

private:
    uint m_response;
    QString m_file;
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) return 2;
    FakeScreenshot screenshot(QString::fromLocal8Bit(argv[1]).toUInt(),
                              argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString());
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &screenshot,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"))) {
        std::fprintf(stderr, "quillet_fake_portal: cannot own the portal's name\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

#include "fake_portal_main.moc"
