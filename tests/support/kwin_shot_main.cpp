// quillet_kwin_shot: the reference picture of the KWin tests. Asks KWin's screenshot interface
// (org.kde.KWin.ScreenShot2) for the whole workspace at native resolution, without the cursor,
// and writes it to standard output as PNG. KWin serves it only through a .desktop entry naming
// this program (see KWinSession). Exit status 1 with KWin's error on standard error otherwise.

#include <fcntl.h>
#include <unistd.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#include <QImage>
#include <QVariantMap>
#include <cstdio>
#include <thread>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return 1;
    // KWin writes after it has answered, more than a pipe holds: read alongside.
    QByteArray bytes;
    std::thread reader([&] {
        char buffer[65536];
        ssize_t n;
        while ((n = read(ends[0], buffer, sizeof buffer)) > 0) bytes.append(buffer, n);
    });
    QDBusMessage call =
        QDBusMessage::createMethodCall("org.kde.KWin.ScreenShot2", "/org/kde/KWin/ScreenShot2",
                                       "org.kde.KWin.ScreenShot2", "CaptureWorkspace");
    call << QVariantMap{{"native-resolution", true}, {"include-cursor", false}}
         << QVariant::fromValue(QDBusUnixFileDescriptor(ends[1]));
    close(ends[1]);
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 10000);
    call = QDBusMessage();  // its copy of the write end, so that the reader meets the end
    reader.join();
    if (reply.type() != QDBusMessage::ReplyMessage) {
        std::fprintf(stderr, "%s\n", qPrintable(reply.errorName() + ": " + reply.errorMessage()));
        return 1;
    }
    const QVariantMap r = QDBusReply<QVariantMap>(reply).value();
    const int width = r["width"].toInt(), height = r["height"].toInt();
    const int stride = r["stride"].toInt();
    if (bytes.size() < qsizetype(stride) * height) return 1;
    const QImage shot(reinterpret_cast<const uchar*>(bytes.constData()), width, height, stride,
                      QImage::Format(r["format"].toInt()));
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    shot.convertToFormat(QImage::Format_RGB32).save(&png, "PNG");
    std::fwrite(png.data().constData(), 1, size_t(png.data().size()), stdout);
    return 0;
}
