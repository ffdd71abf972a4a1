#pragma once
// Reading a result file the way a host does: the whole file, parsed as one JSON object.

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <optional>

// The file's JSON object; nothing when the file cannot be read or holds no JSON object.
inline std::optional<QJsonObject> readResultFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    const QJsonDocument doc = QJsonDocument::fromJson(f.readAll());
    if (!doc.isObject()) return std::nullopt;
    return doc.object();
}
