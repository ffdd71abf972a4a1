// quillet_fake_portal: a desktop portal that answers every screenshot request with one given
// response, for the tests of what the capture does with answers a real portal gives rarely
// (a refusal, a failure) and of what the caller shows while it asks. It owns
// org.freedesktop.portal.Desktop on the session bus and prints "ready" once it does.
// Usage: quillet_fake_portal <response code, or "never"> [file to answer with] [options]
//   never            take the request and never answer it (a portal waiting for the user)
//   --store=yes|no   also be the permission store, holding that answer for screenshots
//   --store=none     also be the permission store, holding nothing (so that the bus does not
//                    start the desktop's own store, which would keep the name)
//   --report=<file>  for each request, append whether the caller's window had the focus in
//                    sway (SWAYSOCK), how many windows of the caller sway shows, and the
//                    focused one's title: "focused <0|1> shown <n> <title>"; and each
//                    answer the store forgets: "forgot <application id>"
//   --rewrite        before each answer after the first, write the picture's file again as it
//                    was (the caller deletes what it has read)

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QVariantMap>
#include <cstdio>
#include <optional>

#include "support/bus_name.h"

using Permissions = QMap<QString, QStringList>;

namespace {

// The title of the focused window of `pid` in sway's tree, if it has the focus.
std::optional<QString> focusedTitleOf(const QJsonObject& node, qint64 pid) {
    if (node["focused"].toBool() && node["pid"].toInteger() == pid) return node["name"].toString();
    for (const char* key : {"nodes", "floating_nodes"}) {
        for (const QJsonValue& child : node[key].toArray()) {
            if (auto title = focusedTitleOf(child.toObject(), pid)) return title;
        }
    }
    return std::nullopt;
}

// How many windows of `pid` sway's tree holds (mapped ones only: sway drops the others).
int windowsOf(const QJsonObject& node, qint64 pid) {
    int count = node["pid"].toInteger() == pid ? 1 : 0;
    for (const char* key : {"nodes", "floating_nodes"}) {
        for (const QJsonValue& child : node[key].toArray())
            count += windowsOf(child.toObject(), pid);
    }
    return count;
}

void reportFocus(const QString& reportFile, qint64 callerPid) {
    QProcess swaymsg;
    swaymsg.start(QStringLiteral("swaymsg"), {QStringLiteral("-t"), QStringLiteral("get_tree")});
    swaymsg.waitForFinished(5000);
    const QJsonObject tree = QJsonDocument::fromJson(swaymsg.readAllStandardOutput()).object();
    const auto title = focusedTitleOf(tree, callerPid);
    QFile report(reportFile);
    if (!report.open(QIODevice::Append)) return;
    report.write(QStringLiteral("focused %1 shown %2 %3\n")
                     .arg(title ? 1 : 0)
                     .arg(windowsOf(tree, callerPid))
                     .arg(title.value_or(QString()))
                     .toUtf8());
}

}  // namespace

class FakeScreenshot : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Screenshot")
public:
    FakeScreenshot(std::optional<uint> response, QString file, QString report, bool rewrite)
        : m_response(response), m_file(std::move(file)), m_report(std::move(report)) {
        QFile picture(m_file);
        if (rewrite && picture.open(QIODevice::ReadOnly)) m_picture = picture.readAll();
    }

public slots:
    QDBusObjectPath Screenshot(const QString&, const QVariantMap& options,
                               const QDBusMessage& call) {
        if (!m_report.isEmpty()) {
            reportFocus(m_report,
                        QDBusConnection::sessionBus().interface()->servicePid(call.service()));
        }
        QString sender = call.service().mid(1);
        sender.replace(u'.', u'_');
        const QString path =
            QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                .arg(sender, options.value(QStringLiteral("handle_token")).toString());
        // The answer follows the reply, as a real portal's does.
        if (!m_response) return QDBusObjectPath(path);
        if (!m_picture.isEmpty() && !QFile::exists(m_file)) {
            QFile again(m_file);
            if (again.open(QIODevice::WriteOnly)) again.write(m_picture);
        }
        QTimer::singleShot(50, this, [this, path] {
            QDBusMessage response = QDBusMessage::createSignal(
                path, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
            QVariantMap results;
            if (!m_file.isEmpty()) {
                results.insert(QStringLiteral("uri"), QUrl::fromLocalFile(m_file).toString());
            }
            response << *m_response << results;
            QDBusConnection::sessionBus().send(response);
        });
        return QDBusObjectPath(path);
    }

private:
    std::optional<uint> m_response;
    QString m_file;
    QString m_report;
    QByteArray m_picture;  // written again before each answer (--rewrite)
};

// The permission store, holding one answer for unsandboxed programs' screenshots.
class FakePermissionStore : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.impl.portal.PermissionStore")
public:
    FakePermissionStore(QString answer, QString report)
        : m_answer(std::move(answer)), m_report(std::move(report)) {}

public slots:
    void Lookup(const QString& table, const QString& id, const QDBusMessage& call) {
        call.setDelayedReply(true);
        Permissions permissions;
        if (table == QLatin1String("screenshot") && id == QLatin1String("screenshot") &&
            m_answer != QLatin1String("none")) {
            permissions.insert(QString(), {m_answer});
        }
        QDBusMessage reply = call.createReply();
        reply << QVariant::fromValue(permissions) << QVariant::fromValue(QDBusVariant(0u));
        QDBusConnection::sessionBus().send(reply);
    }

    // Forgets the answer of application `app` (reported as "forgot <app>").
    void DeletePermission(const QString& table, const QString& id, const QString& app) {
        if (table != QLatin1String("screenshot") || id != QLatin1String("screenshot")) return;
        if (app.isEmpty()) m_answer = QStringLiteral("none");
        QFile report(m_report);
        if (!m_report.isEmpty() && report.open(QIODevice::Append)) {
            report.write(QStringLiteral("forgot %1\n").arg(app).toUtf8());
        }
    }

private:
    QString m_answer;
    QString m_report;
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) return 2;
    qDBusRegisterMetaType<Permissions>();
    QString picture, store, report;
    bool rewrite = false;
    for (int i = 2; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        if (argument.startsWith(QLatin1String("--store="))) {
            store = argument.mid(8);
        } else if (argument.startsWith(QLatin1String("--report="))) {
            report = argument.mid(9);
        } else if (argument == QLatin1String("--rewrite")) {
            rewrite = true;
        } else {
            picture = argument;
        }
    }
    const QString code = QString::fromLocal8Bit(argv[1]);
    FakeScreenshot screenshot(
        code == QLatin1String("never") ? std::nullopt : std::optional<uint>(code.toUInt()), picture,
        report, rewrite);
    FakePermissionStore permissions(store, report);
    QDBusConnection bus = QDBusConnection::sessionBus();
    bool owned = bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &screenshot,
                                    QDBusConnection::ExportAllSlots) &&
                 ownBusName(bus, QStringLiteral("org.freedesktop.portal.Desktop"));
    if (!store.isEmpty()) {
        owned = owned &&
                bus.registerObject(QStringLiteral("/org/freedesktop/impl/portal/PermissionStore"),
                                   &permissions, QDBusConnection::ExportAllSlots) &&
                ownBusName(bus, QStringLiteral("org.freedesktop.impl.portal.PermissionStore"));
    }
    if (!owned) {
        std::fprintf(stderr, "quillet_fake_portal: cannot own the portal's names\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

#include "fake_portal_main.moc"
