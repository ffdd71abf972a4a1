#include "app/launch_request.h"

#include <QFile>
#include <QJsonDocument>

#include "model/value_reading.h"
#include "platform/log.h"

namespace {

const QString kMarker = QStringLiteral("startfromlocal");
constexpr qsizetype kFieldCount = 10;

}  // namespace

std::optional<QStringList> findLaunchFields(const QStringList& arguments, Log* log) {
    std::optional<QStringList> found;
    for (const QString& argument : arguments) {
        if (log) log->write(QStringLiteral("PARAMS:") + argument);
        if (!argument.contains(kMarker + u',')) continue;
        const QStringList fields = argument.split(u',');
        if (log) log->write(QStringLiteral("splitArray.count:%1").arg(fields.size()));
        if (fields.size() >= kFieldCount && fields[0] == kMarker) found = fields;
    }
    return found;
}

int32_t launchAutoCaptureFlag(const QStringList& arguments) {
    const auto fields = findLaunchFields(arguments, nullptr);
    return fields ? parseLeadingInt(fields->at(5)) : 0;
}

QJsonObject readParameterFile(const QString& path) {
    QByteArray text = "{}";
    QFile file(path);
    if (!path.isEmpty() && file.open(QIODevice::ReadOnly)) text = file.readAll();
    const QJsonDocument doc = QJsonDocument::fromJson(text);
    return doc.isObject() ? doc.object() : QJsonObject();
}

QJsonObject buildCommandObject(const QStringList& arguments, Log& log) {
    log.write(QStringLiteral("arguments.count:%1").arg(arguments.size()));
    const std::optional<QStringList> fields = findLaunchFields(arguments, &log);

    QJsonObject command;
    QString resultPath;
    std::array<int32_t, 6> numbers{};
    if (fields) {
        log.write(QStringLiteral("local capture enter."));
        command = readParameterFile(fields->at(1));
        resultPath = fields->at(2);
        for (size_t i = 0; i < numbers.size(); ++i) {
            numbers[i] = parseLeadingInt(fields->at(static_cast<qsizetype>(i) + 4));
        }
    } else {
        log.write(QStringLiteral("local capture enter1."));
    }
    command.insert(QStringLiteral("DataSavePath"), resultPath);
    const std::array<QString, 6> keys = {QStringLiteral("HideCurrentWindow"),
                                         QStringLiteral("AutoCaptureFlag"),
                                         QStringLiteral("x"),
                                         QStringLiteral("y"),
                                         QStringLiteral("Width"),
                                         QStringLiteral("Height")};
    for (size_t i = 0; i < keys.size(); ++i) command.insert(keys[i], numbers[i]);
    return command;
}
