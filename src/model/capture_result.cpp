#include "model/capture_result.h"

#include <QJsonDocument>
#include <cmath>

#include "platform/log.h"
#include "platform/process_exit.h"
#include "platform/whole_file_writer.h"

namespace {

qint64 truncated(double v) {
    return static_cast<qint64>(std::trunc(v));
}

}  // namespace

QJsonObject buildResultMessage(const CaptureResultInput& in) {
    const Rect& sel = in.captureWindowRect;
    const double topY = in.rectScreen.height - std::trunc(sel.y) - sel.height;
    QJsonObject m;
    m.insert(QStringLiteral("Type"), in.kind);
    m.insert(QStringLiteral("x"), truncated(sel.x));
    m.insert(QStringLiteral("y"), truncated(topY));
    m.insert(QStringLiteral("Width"), truncated(sel.width));
    m.insert(QStringLiteral("Height"), truncated(sel.height));
    m.insert(QStringLiteral("Info"), in.kind == kResultSaved ? in.savedImagePath : QString());
    m.insert(QStringLiteral("StartTime"), static_cast<qint64>(in.launchTimeMs));
    return m;
}

std::optional<QString> writeResultFile(const QString& path, const QJsonObject& message) {
    if (path.isEmpty()) return QStringLiteral("no result file path given");
    return writeWholeFile(path, QJsonDocument(message).toJson(QJsonDocument::Indented));
}

void recordCaptureResult(const CaptureResultInput& input, const std::optional<QString>& path,
                         Log& log) {
    const auto error = writeResultFile(path.value_or(QString()), buildResultMessage(input));
    log.write(error ? QStringLiteral("save failed:") + *error : QStringLiteral("save success."));
}

void deliverLostDisplay(CaptureResultInput input, const std::optional<QString>& path, Log& log,
                        ProcessExit& processExit) {
    input.kind = kResultCancelled;
    recordCaptureResult(input, path, log);
    log.write(lostDisplayLine());
    processExit.exit(kExitCannotRecord);
}

void deliverCaptureResult(const CaptureResultInput& input, const std::optional<QString>& path,
                          Log& log, ProcessExit& processExit) {
    recordCaptureResult(input, path, log);
    processExit.exit(input.kind);
}

namespace {
QString& lostDisplayName() {
    static QString name = QStringLiteral("the X display");
    return name;
}
}  // namespace

void setLostDisplayName(const QString& name) {
    lostDisplayName() = name;
}

QString lostDisplayLine() {
    return QStringLiteral("cannot record the screen: %1 was lost").arg(lostDisplayName());
}
