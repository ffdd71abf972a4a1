#include "platform/wayland/portal_screenshot.h"

#include <unistd.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QUrl>
#include <algorithm>

#include "platform/display_crop.h"
#include "platform/log.h"
#include "platform/pixels_image.h"
#include "platform/wayland/interruptible_wait.h"
#include "platform/wayland/portal_permission_store.h"
#include "platform/wayland/portal_picture_file.h"

namespace {

constexpr char kService[] = "org.freedesktop.portal.Desktop";
constexpr char kPath[] = "/org/freedesktop/portal/desktop";
// The portal may ask the user before it answers.
constexpr int kAnswerTimeoutMs = 120000;
// The call itself is answered at once (with the request's path).
constexpr int kCallTimeoutMs = 10000;

// Receives the one Response of a request, ending the wait for it.
class ResponseWaiter : public QObject {
    Q_OBJECT
public:
    explicit ResponseWaiter(InterruptibleWait& wait) : m_wait(wait) {}
    std::optional<PortalAnswer> answer;

public slots:
    void response(uint code, const QVariantMap& results) {
        answer = portalAnswer(code, results);
        m_wait.quit();
    }

private:
    InterruptibleWait& m_wait;
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

PortalScreenshot::PortalScreenshot(std::shared_ptr<WaylandDisplay> display,
                                   const Termination* termination, Log& log)
    : m_display(std::move(display)), m_termination(termination), m_log(log) {}

bool PortalScreenshot::takeDesktop() {
    if (!m_asked) {
        m_asked = true;
        m_desktop = takeScreenshot();
    }
    return !m_desktop.isNull();
}

bool PortalScreenshot::takeDesktopAgain() {
    m_asked = true;
    m_desktop = takeScreenshot();
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
    InterruptibleWait wait(m_termination);
    ResponseWaiter waiter(wait);
    bus.connect(QString::fromLatin1(kService), requestPath,
                QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"),
                &waiter, SLOT(response(uint, QVariantMap)));
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(kService), QString::fromLatin1(kPath),
        QStringLiteral("org.freedesktop.portal.Screenshot"), QStringLiteral("Screenshot"));
    call << QString()
         << QVariantMap{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("interactive"), false}};
    // The call's reply and the answer are awaited in one wait, which a signal ends.
    QDBusPendingCallWatcher pending(bus.asyncCall(call, kCallTimeoutMs));
    QObject::connect(&pending, &QDBusPendingCallWatcher::finished, [&pending, &wait] {
        if (pending.isError()) wait.quit();
    });
    const InterruptibleWait::End end = wait.run(kAnswerTimeoutMs);
    bus.disconnect(QString::fromLatin1(kService), requestPath,
                   QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"),
                   &waiter, SLOT(response(uint, QVariantMap)));
    if (end == InterruptibleWait::End::Terminated) {
        m_error = QStringLiteral("ended from outside (a signal) while waiting for the portal");
        return {};
    }
    if (pending.isFinished() && pending.isError()) {
        m_error = QStringLiteral("no screenshot portal: ") + pending.error().message();
        return {};
    }
    if (!waiter.answer) {
        m_error = QStringLiteral("the screenshot portal did not answer");
        return {};
    }
    if (!waiter.answer->file) {
        m_error = waiter.answer->problem;
        // The portal answers a refusal the user gave (or gave before) as a failure: the
        // permission store tells the two apart.
        m_refusalStored = storedScreenshotPermission(m_termination) == StoredPermission::No;
        m_refused = waiter.answer->refused || m_refusalStored;
        if (m_refused) m_error = QStringLiteral("the screenshot was refused");
        return {};
    }
    const PortalPicture picture = takePortalPicture(*waiter.answer->file);
    if (picture.image.isNull()) {
        m_error = picture.problem;
        return {};
    }
    if (!picture.problem.isEmpty()) m_log.write(picture.problem);
    return pixelsOf(picture.image.convertToFormat(QImage::Format_RGB32));
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
