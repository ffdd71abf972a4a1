#include "platform/wayland/kwin_screenshot.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>
#include <QElapsedTimer>
#include <QImage>
#include <QVariantMap>
#include <cerrno>
#include <cstring>
#include <optional>

#include "platform/display_crop.h"
#include "platform/pixels_image.h"
#include "platform/termination.h"
#include "platform/wayland/interruptible_wait.h"
#include "platform/wayland/output_choice.h"

namespace {

constexpr char kService[] = "org.kde.KWin.ScreenShot2";
constexpr char kPath[] = "/org/kde/KWin/ScreenShot2";
constexpr char kInterface[] = "org.kde.KWin.ScreenShot2";
// KWin answers at once (a locked screen's refusal took 6.5 s); the pixels follow on the pipe.
constexpr int kAnswerTimeoutMs = 4000;
constexpr int kPixelsTimeoutMs = 10000;
// Far above any output's picture (16384 x 16384 x 4 bytes).
constexpr qint64 kLargestPicture = qint64(1) << 30;

// The read end of a pipe, closed when it goes out of scope.
struct ReadEnd {
    int fd = -1;
    ~ReadEnd() {
        if (fd >= 0) close(fd);
    }
};

// Reads exactly `size` bytes, each piece within the answer's time, ending early on a
// termination request; false when they do not all come.
bool readPixels(int fd, char* into, qint64 size, const Termination* termination) {
    qint64 have = 0;
    const int stop = termination ? termination->notifierFd() : -1;
    QElapsedTimer waited;
    waited.start();
    while (have < size) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {stop, POLLIN, 0}};
        const int left = int(kPixelsTimeoutMs - waited.elapsed());
        if (left <= 0) return false;
        const int ready = poll(fds, stop >= 0 ? 2 : 1, left);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0 || (termination && termination->requested())) return false;
        const ssize_t n = read(fd, into + have, size_t(size - have));
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return false;
        have += n;
    }
    return true;
}

}  // namespace

KWinScreenshot::KWinScreenshot(std::shared_ptr<WaylandDisplay> display,
                               const Termination* termination)
    : m_display(std::move(display)), m_termination(termination) {}

bool KWinScreenshot::probe() {
    const std::vector<WaylandOutput> outputs = m_display->outputs();
    if (outputs.empty()) {
        m_error = QStringLiteral("the compositor has no output");
        return false;
    }
    // A one-pixel area: the cheapest question KWin answers as it answers a screen's.
    return !capture(QStringLiteral("CaptureArea"), {0, 0, 1u, 1u}).isNull();
}

Pixels KWinScreenshot::grab(const Rect& displayRect) {
    m_error.clear();
    const std::vector<WaylandOutput> outputs = m_display->outputs();
    const WaylandOutput* output = outputUnder(outputs, displayRect);
    if (output == nullptr) {
        m_error = QStringLiteral("the compositor has no output");
        return {};
    }
    // The output's pixels as the user sees them: a turned output's sides swapped.
    const bool turned = output->transform % 2 == 1;
    const QSize pixels = turned ? QSize(output->pixelHeight, output->pixelWidth)
                                : QSize(output->pixelWidth, output->pixelHeight);
    const Pixels whole =
        capture(QStringLiteral("CaptureScreen"), {QString::fromStdString(output->name)}, pixels);
    if (whole.isNull()) return {};
    return cropDisplayRect(whole, displayRectOf(*output, outputs), displayRect);
}

Pixels KWinScreenshot::capture(const QString& method, const QVariantList& arguments,
                               std::optional<QSize> expected) {
    m_notServed = false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        m_notServed = true;
        m_error = QStringLiteral("no session bus for KWin's screenshot interface");
        return {};
    }
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        m_error = QStringLiteral("no pipe for KWin's screenshot: ") +
                  QString::fromLocal8Bit(std::strerror(errno));
        return {};
    }
    ReadEnd readEnd{ends[0]};
    const std::optional<QVariantMap> layout = answer(ask(bus, method, arguments, ends[1]));
    return layout ? readPicture(*layout, readEnd.fd, expected) : Pixels();
}

std::unique_ptr<QDBusPendingCallWatcher> KWinScreenshot::ask(QDBusConnection& bus,
                                                             const QString& method,
                                                             const QVariantList& arguments,
                                                             int writeEnd) const {
    // The message holds a copy of the write end: both go before the pixels are read, so that a
    // KWin that stops writing is an end of file rather than a wait.
    QDBusMessage call =
        QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                       QString::fromLatin1(kInterface), method);
    call.setArguments(arguments);
    call << QVariantMap{{QStringLiteral("native-resolution"), true},
                        {QStringLiteral("include-cursor"), false}}
         << QVariant::fromValue(QDBusUnixFileDescriptor(writeEnd));
    close(writeEnd);
    return std::make_unique<QDBusPendingCallWatcher>(bus.asyncCall(call, kAnswerTimeoutMs));
}

std::optional<QVariantMap> KWinScreenshot::answer(
    const std::unique_ptr<QDBusPendingCallWatcher>& pending) {
    InterruptibleWait wait(m_termination);
    QObject::connect(pending.get(), &QDBusPendingCallWatcher::finished, [&wait] { wait.quit(); });
    const InterruptibleWait::End end =
        pending->isFinished() ? InterruptibleWait::End::Quit : wait.run(kAnswerTimeoutMs);
    if (end == InterruptibleWait::End::Terminated) {
        m_error = QStringLiteral("ended from outside (a signal) while waiting for KWin");
        return std::nullopt;
    }
    const QDBusPendingReply<QVariantMap> reply = *pending;
    const bool timedOut =
        !reply.isFinished() || (reply.isError() && (reply.error().type() == QDBusError::NoReply ||
                                                    reply.error().type() == QDBusError::Timeout));
    if (timedOut) {
        m_error = QStringLiteral("KWin's screenshot interface did not answer within %1 s")
                      .arg(kAnswerTimeoutMs / 1000);
        return std::nullopt;
    }
    if (reply.isError()) {
        const QDBusError::ErrorType type = reply.error().type();
        const bool missing =
            type == QDBusError::ServiceUnknown || type == QDBusError::UnknownObject ||
            type == QDBusError::UnknownMethod || type == QDBusError::UnknownInterface;
        // Only a KWin that does not serve this program leaves the portal to ask; any other
        // refusal (a locked screen) is the screen's state, which the portal would not change.
        m_notServed = missing || reply.error().name().endsWith(QLatin1String(".NoAuthorized"));
        m_error = missing ? QStringLiteral("KWin's screenshot interface is not offered: %1")
                                .arg(reply.error().name())
                          : QStringLiteral("KWin's screenshot interface refused: %1 (%2)")
                                .arg(reply.error().name(), reply.error().message());
        return std::nullopt;
    }
    return reply.value();
}

namespace {

// The formats KWin sends (5 and 6 seen) and the other 32-bit ones Qt reads alike; none other
// is taken, and no number outside Qt's table is ever made a format.
std::optional<QImage::Format> pictureFormat(const QVariant& number) {
    bool known = false;
    const int value = number.toInt(&known);
    if (!known) return std::nullopt;
    for (const QImage::Format f :
         {QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_ARGB32_Premultiplied,
          QImage::Format_RGBX8888, QImage::Format_RGBA8888,
          QImage::Format_RGBA8888_Premultiplied}) {
        if (value == int(f)) return f;
    }
    return std::nullopt;
}

}  // namespace

Pixels KWinScreenshot::readPicture(const QVariantMap& layout, int readEnd,
                                   std::optional<QSize> expected) {
    const qint64 width = layout.value(QStringLiteral("width")).toLongLong();
    const qint64 height = layout.value(QStringLiteral("height")).toLongLong();
    const qint64 stride = layout.value(QStringLiteral("stride")).toLongLong();
    const std::optional<QImage::Format> format =
        pictureFormat(layout.value(QStringLiteral("format")));
    const QString described = QStringLiteral("%1x%2, stride %3, format %4")
                                  .arg(width)
                                  .arg(height)
                                  .arg(stride)
                                  .arg(layout.value(QStringLiteral("format")).toString());
    // Each bound before the product it guards: nothing here can overflow.
    if (layout.value(QStringLiteral("type")).toString() != QLatin1String("raw") || !format ||
        width <= 0 || height <= 0 || width > kLargestPicture / 4 || stride < width * 4 ||
        stride > kLargestPicture / height) {
        m_error = QStringLiteral("KWin's screenshot has an unknown layout (%1)").arg(described);
        return {};
    }
    if (expected && (width != expected->width() || height != expected->height())) {
        m_error = QStringLiteral("KWin's screenshot is %1x%2, not the output's %3x%4")
                      .arg(width)
                      .arg(height)
                      .arg(expected->width())
                      .arg(expected->height());
        return {};
    }
    QImage picture(int(width), int(height), *format);
    if (picture.isNull() || picture.bytesPerLine() != stride) picture = QImage();
    QByteArray bytes;
    if (picture.isNull()) bytes.resize(qsizetype(stride * height));
    char* into = picture.isNull() ? bytes.data() : reinterpret_cast<char*>(picture.bits());
    if (!readPixels(readEnd, into, stride * height, m_termination)) {
        m_error = m_termination && m_termination->requested()
                      ? QStringLiteral("ended from outside (a signal) while waiting for KWin")
                      : QStringLiteral("KWin's screenshot did not arrive whole");
        return {};
    }
    if (picture.isNull()) {
        picture = QImage(reinterpret_cast<const uchar*>(bytes.constData()), int(width), int(height),
                         qsizetype(stride), *format)
                      .copy();
    }
    // A screen's alpha means nothing: opaque, as the other grabs give it.
    return pixelsOf(picture.convertToFormat(QImage::Format_RGB32));
}
