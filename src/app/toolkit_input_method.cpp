#include "app/toolkit_input_method.h"

#include <signal.h>

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QLibraryInfo>
#include <QPluginLoader>
#include <QString>

#include "app/input_method_choice.h"

namespace {

// The keys of the input-context plugins this Qt finds, read from their metadata without
// loading them.
std::vector<std::string> inputContextPlugins() {
    QStringList folders{QLibraryInfo::path(QLibraryInfo::PluginsPath)};
    const QByteArray extra = qgetenv("QT_PLUGIN_PATH");
    if (!extra.isEmpty()) folders += QString::fromLocal8Bit(extra).split(u':', Qt::SkipEmptyParts);
    std::vector<std::string> keys;
    for (const QString& folder : folders) {
        const QDir plugins(folder + QStringLiteral("/platforminputcontexts"));
        for (const QString& file : plugins.entryList(QDir::Files)) {
            const QJsonArray found = QPluginLoader(plugins.filePath(file))
                                         .metaData()
                                         .value(QStringLiteral("MetaData"))
                                         .toObject()
                                         .value(QStringLiteral("Keys"))
                                         .toArray();
            for (const QJsonValue& key : found)
                keys.push_back(key.toString().toLower().toStdString());
        }
    }
    return keys;
}

bool onSessionBus(const QString& name) {
    // A connection of its own: the toolkit's application object, which the session bus's
    // shared connection expects, does not exist yet.
    const QString connection = QStringLiteral("quillet-input-method");
    bool registered = false;
    {
        QDBusConnection bus =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, connection);
        registered = bus.isConnected() && bus.interface() != nullptr &&
                     bus.interface()->isServiceRegistered(name).value();
    }
    QDBusConnection::disconnectFromBus(connection);
    return registered;
}

bool ibusRuns() {
    const QByteArray file = qgetenv("IBUS_ADDRESS_FILE");
    if (!qgetenv("IBUS_ADDRESS").isEmpty()) return true;
    QFile address(QString::fromLocal8Bit(file));
    if (file.isEmpty() || !address.open(QIODevice::ReadOnly)) return false;
    const long pid = ibusDaemonPid(address.read(4096).toStdString());
    return pid > 0 && kill(pid_t(pid), 0) == 0;
}

}  // namespace

std::optional<std::string> nameRunningInputMethod() {
    InputMethodFacts facts;
    if (qEnvironmentVariableIsSet("QT_IM_MODULE")) {
        facts.configured = qgetenv("QT_IM_MODULE").toLower().toStdString();
    }
    facts.plugins = inputContextPlugins();
    // No question to the bus at start-up where the user's choice stands.
    if (userChoiceStands(facts)) return std::nullopt;
    facts.fcitxRunning = onSessionBus(QStringLiteral("org.fcitx.Fcitx5"));
    facts.ibusRunning = !facts.fcitxRunning && ibusRuns();
    const std::optional<std::string> chosen = chooseInputMethod(facts);
    if (chosen) qputenv("QT_IM_MODULE", QByteArray::fromStdString(*chosen));
    return chosen;
}
