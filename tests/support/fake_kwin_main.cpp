// quillet_fake_kwin: a stand-in for KWin's D-Bus services on a test's session bus, for what the
// real KWin does rarely or never on demand: pictures of other sizes or layouts, answers that
// never come, and another program answering the window list first. It owns
// org.kde.KWin.ScreenShot2 (CaptureScreen, CaptureArea) and org.kde.KWin (/Scripting: loadScript,
// unloadScript, isScriptLoaded; /<id>: run), and prints "ready" once it does.
// Options:
//   --picture=WxH[,stride,format]  CaptureScreen's picture (default: the asked output's size is
//                                  not known here, so 640x480, stride 2560, format 5)
//   --hold=probe|screen|windows    never answer that call (the one-pixel probe, a screen's
//                                  picture, or the script's window list)
//   --refuse=<error name>          answer every picture with that error (a locked screen)
//   --windows=<json>               the script's answer (default "[]")
//   --impostor=<json>              before that, another connection calls the tool with this
//   --report=<file>                append a line per call: "area", "screen", "load <path> <name>",
//                                  "run", "unload <name>", and "answered" once the tool has taken
//                                  the window list

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <QThread>
#include <QTimer>
#include <QVariantMap>
#include <cstdio>
#include <thread>

#include "support/bus_name.h"

namespace {

// Where the script sends its answer: callDBus("<service>", "<path>", ...).
constexpr char kCallPattern[] = R"re(callDBus\("([^"]+)", "([^"]+)")re";

struct Options {
    int width = 640, height = 480, format = 5;
    qint64 stride = 2560;
    QString hold, refuse, windows = QStringLiteral("[]"), impostor, report;
};

void report(const Options& o, const QString& line) {
    if (o.report.isEmpty()) return;
    QFile f(o.report);
    if (f.open(QIODevice::Append)) f.write((line + u'\n').toUtf8());
}

// Writes `size` bytes of one grey to `fd` on a thread of its own (more than a pipe holds), then
// closes it.
void writePixels(int fd, qint64 size) {
    std::thread([fd, size] {
        QByteArray chunk(65536, char(0x80));
        for (qint64 left = size; left > 0;) {
            const ssize_t n = write(fd, chunk.constData(), size_t(std::min<qint64>(left, 65536)));
            if (n <= 0) break;
            left -= n;
        }
        close(fd);
    }).detach();
}

}  // namespace

class FakeScreenShot2 : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.KWin.ScreenShot2")
public:
    explicit FakeScreenShot2(const Options& o) : m_o(o) {}

public slots:
    QVariantMap CaptureScreen(const QString&, const QVariantMap&,
                              const QDBusUnixFileDescriptor& pipe, const QDBusMessage& call) {
        report(m_o, QStringLiteral("screen"));
        return answer(m_o.hold == QLatin1String("screen"), m_o.width, m_o.height, m_o.stride,
                      m_o.format, pipe, call);
    }
    QVariantMap CaptureArea(int, int, uint, uint, const QVariantMap&,
                            const QDBusUnixFileDescriptor& pipe, const QDBusMessage& call) {
        report(m_o, QStringLiteral("area"));
        return answer(m_o.hold == QLatin1String("probe"), 1, 1, 4, 5, pipe, call);
    }

private:
    QVariantMap answer(bool hold, int width, int height, qint64 stride, int format,
                       const QDBusUnixFileDescriptor& pipe, const QDBusMessage& call) {
        call.setDelayedReply(true);
        if (hold) {
            m_held.append(call);  // never answered; the pipe's end stays with the message
            return {};
        }
        if (!m_o.refuse.isEmpty()) {
            QDBusConnection::sessionBus().send(
                call.createErrorReply(m_o.refuse, QStringLiteral("refused by the stand-in")));
            return {};
        }
        QDBusMessage reply = call.createReply();
        reply << QVariantMap{{"type", "raw"},    {"width", width},   {"height", height},
                             {"stride", stride}, {"format", format}, {"scale", 1.0}};
        QDBusConnection::sessionBus().send(reply);
        if (stride > 0 && height > 0 && stride < (qint64(1) << 31) / height) {
            writePixels(fcntl(pipe.fileDescriptor(), F_DUPFD_CLOEXEC, 0), stride * height);
        }
        return {};
    }

    const Options& m_o;
    QList<QDBusMessage> m_held;
};

class FakeScripting : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.kwin.Scripting")
public:
    explicit FakeScripting(const Options& o) : m_o(o) {}
    QString caller, callerPath;  // where the loaded script sends its answer

public slots:
    int loadScript(const QString& path, const QString& name) {
        report(m_o, QStringLiteral("load %1 %2").arg(path, name));
        QFile script(path);
        if (!script.open(QIODevice::ReadOnly)) return -1;
        const auto match = QRegularExpression(QString::fromLatin1(kCallPattern))
                               .match(QString::fromUtf8(script.readAll()));
        if (!match.hasMatch()) return -1;
        caller = match.captured(1);
        callerPath = match.captured(2);
        m_loaded.insert(name);
        return 1;
    }
    bool unloadScript(const QString& name) {
        report(m_o, QStringLiteral("unload %1").arg(name));
        return m_loaded.remove(name);
    }
    bool isScriptLoaded(const QString& name) { return m_loaded.contains(name); }

private:
    const Options& m_o;
    QSet<QString> m_loaded;
};

class FakeScript : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.kwin.Script")
public:
    FakeScript(const Options& o, FakeScripting& scripting) : m_o(o), m_scripting(scripting) {}

public slots:
    void run() {
        report(m_o, QStringLiteral("run"));
        if (m_o.hold == QLatin1String("windows")) return;
        QTimer::singleShot(50, this, [this] {
            if (!m_o.impostor.isEmpty())
                send(QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                                   QStringLiteral("impostor")),
                     m_o.impostor);
            send(QDBusConnection::sessionBus(), m_o.windows);
            report(m_o, QStringLiteral("answered"));
        });
    }

private:
    void send(QDBusConnection bus, const QString& json) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            m_scripting.caller, m_scripting.callerPath, QStringLiteral("org.quillet.KWinWindows"),
            QStringLiteral("Windows"));
        call << json;
        bus.call(call, QDBus::Block, 2000);
    }

    const Options& m_o;
    FakeScripting& m_scripting;
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Options o;
    for (const QString& a : app.arguments().mid(1)) {
        const QString value = a.section(u'=', 1);
        if (a.startsWith(QLatin1String("--picture="))) {
            const QStringList parts = value.split(u',');
            const QStringList size = parts.value(0).split(u'x');
            o.width = size.value(0).toInt();
            o.height = size.value(1).toInt();
            o.stride = parts.size() > 1 ? parts[1].toLongLong() : o.width * 4;
            if (parts.size() > 2) o.format = parts[2].toInt();
        } else if (a.startsWith(QLatin1String("--hold="))) {
            o.hold = value;
        } else if (a.startsWith(QLatin1String("--refuse="))) {
            o.refuse = value;
        } else if (a.startsWith(QLatin1String("--windows="))) {
            o.windows = value;
        } else if (a.startsWith(QLatin1String("--impostor="))) {
            o.impostor = value;
        } else if (a.startsWith(QLatin1String("--report="))) {
            o.report = value;
        }
    }
    FakeScreenShot2 screenshot(o);
    FakeScripting scripting(o);
    FakeScript script(o, scripting);
    QDBusConnection bus = QDBusConnection::sessionBus();
    const auto all = QDBusConnection::ExportAllSlots;
    const bool owned =
        bus.registerObject(QStringLiteral("/org/kde/KWin/ScreenShot2"), &screenshot, all) &&
        bus.registerObject(QStringLiteral("/Scripting"), &scripting, all) &&
        bus.registerObject(QStringLiteral("/1"), &script, all) &&
        ownBusName(bus, QStringLiteral("org.kde.KWin.ScreenShot2")) &&
        ownBusName(bus, QStringLiteral("org.kde.KWin"));
    if (!owned) {
        std::fprintf(stderr, "quillet_fake_kwin: cannot own KWin's names\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

#include "fake_kwin_main.moc"
