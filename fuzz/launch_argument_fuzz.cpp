// Fuzzes the launch argument reader: the input is the process's argument list, one argument per
// NUL-separated piece, decoded as main() decodes argv; the result is the command object.
//
// Integer fields are checked against C's strtoll clamped to 32 bits. A parameter file is read
// only by a name without a slash, that is from the working directory (scripts/fuzz.sh runs
// the target in a folder holding a params.json), so no input reaches /dev or /proc.

#include <QByteArray>
#include <QJsonObject>
#include <QStringList>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <limits>

#include "app/launch_request.h"
#include "fuzz_check.h"
#include "platform/log.h"

namespace {

class NullLog : public Log {
public:
    void write(const QString& line) override { lines += line.size(); }
    qsizetype lines = 0;
};

int64_t strtolClamped(const QString& field) {
    const QByteArray text = field.toUtf8();
    const long long v = std::strtoll(text.constData(), nullptr, 10);
    return std::clamp<long long>(v, std::numeric_limits<int32_t>::min(),
                                 std::numeric_limits<int32_t>::max());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QStringList arguments;
    for (const QByteArray& piece : bytes.split('\0')) {
        arguments.append(QString::fromLocal8Bit(piece));
    }

    const std::optional<QStringList> fields = findLaunchFields(arguments, nullptr);
    if (fields && fields->at(1).contains(u'/')) return -1;  // keep out of the corpus

    NullLog log;
    const QJsonObject command = buildCommandObject(arguments, log);

    FUZZ_CHECK(command.value(QStringLiteral("DataSavePath")).isString());
    FUZZ_CHECK(command.value(QStringLiteral("DataSavePath")).toString() ==
               (fields ? fields->at(2) : QString()));
    const std::array<const char*, 6> keys = {
        "HideCurrentWindow", "AutoCaptureFlag", "x", "y", "Width", "Height"};
    for (size_t i = 0; i < keys.size(); ++i) {
        const QJsonValue v = command.value(QLatin1String(keys[i]));
        FUZZ_CHECK(v.isDouble());
        const int64_t expected =
            fields ? strtolClamped(fields->at(static_cast<qsizetype>(i) + 4)) : 0;
        FUZZ_CHECK(v.toInteger() == expected);
    }
    FUZZ_CHECK(launchRequestFrom(command, 0).autoCaptureFlag ==
               command.value(QStringLiteral("AutoCaptureFlag")).toInteger());
    return 0;
}
