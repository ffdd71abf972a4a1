#include "platform/wayland/portal_screenshot.h"

#include <unistd.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <QUrl>
#include <algorithm>

#include "platform/display_crop.h"
#include "platform/pixels_image.h"
#include "platform/wayland/portal_permission_store.h"

namespace {

constexpr char kService[] = "org.freedesktop.portal.Desktop";
constexpr char kPath[] = "/org/freedesktop/portal/desktop";
// The portal may ask the user before it answers.
constexpr int kAnswerTimeoutMs = 120000;

// Receives the one Response of a request.
class ResponseWaiter : public QObject {
    Q_OBJECT
public:
    std::optional<PortalAnswer> answer;
    QEventLoop loop;

public slots:
    void response(uint code, const QVariantMap& results) {
        answer = portalAnswer(code, results);
        loop.quit();
    }
};

}  // namespace

PortalAnswer portalAnswer(uint response, const QVariantMap& results) {
    if (response == 1) return {std::nullopt, QStringLiteral("the screenshot was refused"), true};
    if (response != 0) {
        return {std::nullopt, QStringLiteral("the screenshot portal failed (%1)").arg(response)};
    }
    const QUrl uri(results.value(QStringLiteral("uri")).toString());
    if (!uri.isLocalFile()) {
        return {std::nullopt,
                QStringLiteral("the screenshot portal gave no file (%1)").arg(uri.toString())};
    }
    return {uri.toLocalFile(), {}};
}

QString portalRequestPath(const QString& sender, const QString& token) {
    QString name = sender.startsWith(u':') ? sender.mid(1) : sender;
    name.replace(u'.', u'_');
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(name, token);
}

PortalScreenshot::PortalScreenshot(std::shared_ptr<WaylandDisplay> display)
    : m_display(std::move(display)) {}

bool PortalScreenshot::takeDesktop() {
    if (!m_asked) {
        m_asked = true;
        m_desktop = takeScreenshot();
    }
    return !m_desktop.isNull();
}

Pixels PortalScreenshot::takeScreenshot() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        m_error = QStringLiteral("no session bus for the screenshot portal");
        return {};
    }
    static int requests = 0;
    const QString token = QStringLiteral("quillet%1_%2").arg(getpid()).arg(++requests);
    const QString requestPath = portalRequestPath(bus.baseService(), token);
    // Listening before the call, so that an answer that comes at once is not missed.
    ResponseWaiter waiter;
    bus.connect(QString::fromLatin1(kService), requestPath,
                QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"),
                &waiter, SLOT(response(uint, QVariantMap)));
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(kService), QString::fromLatin1(kPath),
        QStringLiteral("org.freedesktop.portal.Screenshot"), QStringLiteral("Screenshot"));
    call << QString()
         << QVariantMap{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("interactive"), false}};
    const QDBusMessage reply = bus.call(call, QDBus::Block, 10000);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        m_error = QStringLiteral("no screenshot portal: ") + reply.errorMessage();
        return {};
    }
    if (!waiter.answer) {
        QTimer::singleShot(kAnswerTimeoutMs, &waiter.loop, &QEventLoop::quit);
        waiter.loop.exec();
    }
    bus.disconnect(QString::fromLatin1(kService), requestPath,
                   QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"),
                   &waiter, SLOT(response(uint, QVariantMap)));
    if (!waiter.answer) {
        m_error = QStringLiteral("the screenshot portal did not answer");
        return {};
    }
    if (!waiter.answer->file) {
        m_error = waiter.answer->problem;
        // The portal answers a refusal the user gave (or gave before) as a failure: the
        // permission store tells the two apart.
        m_refused = waiter.answer->refused || storedScreenshotPermission() == StoredPermission::No;
        if (m_refused) m_error = QStringLiteral("the screenshot was refused");
        return {};
    }
    QImage picture(*waiter.answer->file);
    // The file was written for us alone.
    QFile::remove(*waiter.answer->file);
    if (picture.isNull()) {
        m_error = QStringLiteral("the screenshot portal's file is not a picture: ") +
                  *waiter.answer->file;
        return {};
    }
    return pixelsOf(picture.convertToFormat(QImage::Format_RGB32));
}

Pixels PortalScreenshot::grab(const Rect& displayRect) {
    if (!takeDesktop()) return {};
    m_error.clear();
    // The picture covers the outputs' bounding box in the compositor's logical space.
    const std::vector<WaylandOutput> outputs = m_display->outputs();
    if (outputs.empty()) {
        m_error = QStringLiteral("the compositor has no output");
        return {};
    }
    double left = outputs.front().logical.x, top = outputs.front().logical.y;
    double right = left, bottom = top;
    for (const WaylandOutput& o : outputs) {
        left = std::min(left, o.logical.x);
        top = std::min(top, o.logical.y);
        right = std::max(right, o.logical.x + o.logical.width);
        bottom = std::max(bottom, o.logical.y + o.logical.height);
    }
    const Rect& main = outputs.front().logical;
    return cropDisplayRect(m_desktop, {left - main.x, top - main.y, right - left, bottom - top},
                           displayRect);
}

#include "portal_screenshot.moc"
