#include "app/launch_request.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QJsonDocument>
#include <algorithm>
#include <cerrno>

#include "model/value_reading.h"
#include "platform/local_path.h"
#include "platform/log.h"

namespace {

const QString kMarker = QStringLiteral("startfromlocal");
constexpr qsizetype kFieldCount = 10;
constexpr qint64 kMaxParameterFileBytes = 16 * 1024 * 1024;

// The whole file, or nothing when it is not a regular file of at most `limit` bytes. Opened
// without blocking, because a FIFO without a writer would block open() forever; what the path
// names is judged by fstat on the opened descriptor, so that nothing swapped in after a check
// gets read; a file that grows while it is read stops at one byte over the limit.
std::optional<QByteArray> readSmallRegularFile(const QString& path, qint64 limit) {
    const QByteArray name = localPathBytes(path);
    const int fd = open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::optional<QByteArray> text;
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= limit) {
        // One byte more than announced, to see the end without a second buffer.
        QByteArray bytes(qsizetype(info.st_size) + 1, Qt::Uninitialized);
        qsizetype size = 0;
        for (;;) {
            const ssize_t n = read(fd, bytes.data() + size, size_t(bytes.size() - size));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) break;
            if (n == 0) {
                bytes.truncate(size);
                text = std::move(bytes);
                break;
            }
            size += n;
            if (size > limit) break;
            if (size == bytes.size()) bytes.resize(std::min<qsizetype>(size * 2, limit + 1));
        }
    }
    close(fd);
    return text;
}

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

bool launchAsksForAutomaticCapture(const QStringList& arguments) {
    const std::optional<QStringList> fields = findLaunchFields(arguments, nullptr);
    return fields && isAutomaticCapture(parseLeadingInt(fields->at(5)));
}

QJsonObject readParameterFile(const QString& path) {
    const std::optional<QByteArray> text =
        path.isEmpty() ? std::nullopt : readSmallRegularFile(path, kMaxParameterFileBytes);
    const QJsonDocument doc = QJsonDocument::fromJson(text.value_or("{}"));
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

LaunchRequest readLaunchRequest(const QStringList& arguments, Log& log, uint64_t launchTimeMs) {
    return launchRequestFrom(buildCommandObject(arguments, log), launchTimeMs);
}
