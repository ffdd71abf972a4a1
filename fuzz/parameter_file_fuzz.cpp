// Fuzzes the parameter file on its way to a complete capture: the input is the file's bytes,
// read by readParameterFile, dispatched by runInMain to a starter that applies the command to
// a CaptureParam and the texts, followed by the automatic rectangle and the result message.
//
// Checked: every tool has a label, colours are opaque 0..1 components and numeric colours
// keep their low 24 bits, the result path is there exactly when DataSavePath is a string, and
// the automatic rectangle comes back unchanged through the result message's coordinates.

#include <sys/mman.h>
#include <unistd.h>

#include <QJsonObject>
#include <cmath>
#include <cstdint>

#include "app/dispatcher.h"
#include "app/launch_request.h"
#include "capture/screen_geometry.h"
#include "fuzz_check.h"
#include "model/capture_command.h"
#include "model/capture_result.h"
#include "model/value_reading.h"

namespace {

class ApplyingStarter : public CaptureStarter {
public:
    void setCaptureParam(const LaunchRequest& request) override {
        param = request.param;
        texts = request.texts;
        resultPath = request.resultPath;
        ++applied;
    }
    void doCapture() override { ++started; }
    void showPrepare() override { ++started; }

    CaptureParam param = CaptureParam::initDefaultValue();
    UiTexts texts;
    std::optional<QString> resultPath;
    int applied = 0;
    int started = 0;
};

bool isUnit(double v) {
    return v >= 0.0 && v <= 1.0;
}

void checkColour(const Color& c, const QJsonValue& given) {
    FUZZ_CHECK(isUnit(c.red) && isUnit(c.green) && isUnit(c.blue) && isUnit(c.alpha));
    if (!given.isDouble()) return;
    FUZZ_CHECK(c.alpha == 1.0);
    const double d = given.toDouble();
    if (std::fabs(d) > 9007199254740992.0) return;  // up to 2^53 the whole part is exact
    const auto bits = static_cast<uint64_t>(static_cast<int64_t>(d)) & 0xFFFFFF;
    FUZZ_CHECK(c == int2NSColor(static_cast<int32_t>(bits)));
}

// The file the reader opens: an in-memory file, rewritten for every input.
QString parameterFile(const uint8_t* data, size_t size) {
    static const int fd = memfd_create("params.json", 0);
    FUZZ_CHECK(fd >= 0);
    FUZZ_CHECK(ftruncate(fd, 0) == 0);
    for (size_t done = 0; done < size;) {
        const ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        FUZZ_CHECK(n > 0);
        done += static_cast<size_t>(n);
    }
    return QStringLiteral("/proc/self/fd/%1").arg(fd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QJsonObject command = readParameterFile(parameterFile(data, size));

    ApplyingStarter starter;
    runInMain(launchRequestFrom(command, 0), starter);
    const bool idle = integerValue(command, QStringLiteral("CmdType")) == -1;
    FUZZ_CHECK(starter.applied == (idle ? 0 : 1));
    FUZZ_CHECK(starter.started == starter.applied);
    if (idle) return 0;

    const CaptureParam& p = starter.param;
    FUZZ_CHECK(starter.texts.m_dicTooltips.size() == static_cast<qsizetype>(kToolKeys.size()));
    for (const QString& key : kToolKeys) FUZZ_CHECK(starter.texts.m_dicTooltips.contains(key));
    FUZZ_CHECK(starter.resultPath.has_value() ==
               command.value(QStringLiteral("DataSavePath")).isString());
    checkColour(p.TrackColor, command.value(QStringLiteral("TrackColor")));
    checkColour(p.EditBorderColor, command.value(QStringLiteral("EditBorderColor")));
    FUZZ_CHECK(p.Transparent == std::trunc(p.Transparent));

    // The result message reports the automatic rectangle in the host's top-left coordinates.
    const Rect screen{0, 0, 1440, 900};
    const Rect rect = automaticCaptureRect(p, screen);
    CaptureResultInput in;
    in.kind = kResultFinished;
    in.captureWindowRect = rect;
    in.rectScreen = screen;
    const QJsonObject message = buildResultMessage(in);
    if (p.autoCaptureFlag == 1) {
        FUZZ_CHECK(message.value(QStringLiteral("x")).toInteger() == p.xPos);
        FUZZ_CHECK(message.value(QStringLiteral("y")).toInteger() == p.yPos);
        FUZZ_CHECK(message.value(QStringLiteral("Width")).toInteger() == p.nWidth);
        FUZZ_CHECK(message.value(QStringLiteral("Height")).toInteger() == p.nHeight);
    }
    return 0;
}
