#include "app/app_delegate.h"

#include <QGuiApplication>
#include <QSocketNotifier>

#include "app/launch_request.h"
#include "capture/capture_window.h"
#include "model/capture_command.h"
#include "model/capture_result.h"
#include "platform/clock.h"
#include "platform/log.h"
#include "platform/process_exit.h"
#include "platform/termination.h"
#include "prepare/prepare_window.h"

AppDelegate::AppDelegate(const PlatformServices& platform) : m_platform(platform) {}

AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching(const QStringList& arguments) {
    const uint64_t launchTimeMs = m_platform.clock->now().milliseconds();
    applicationDidFinishLaunching(readLaunchRequest(arguments, *m_platform.log, launchTimeMs));
}

void AppDelegate::applicationDidFinishLaunching(const LaunchRequest& request) {
    if (m_platform.termination && m_platform.termination->notifierFd() >= 0) {
        m_terminationNotifier = std::make_unique<QSocketNotifier>(
            m_platform.termination->notifierFd(), QSocketNotifier::Read);
        connect(m_terminationNotifier.get(), &QSocketNotifier::activated, this,
                &AppDelegate::onTerminationRequested);
    }
    m_launchTimeMs = request.launchTimeMs;
    m_texts.permission = request.texts.permission;
    // The result file is known before the permission check, which may wait long (a portal
    // asking the user): a signal meanwhile writes the cancelled result there.
    if (request.cmdType != -1) captureWindow().setCaptureParam(request);
    const bool permitted = captureWindow().ScreeningPermissionCheck();
    if (m_platform.termination && m_platform.termination->requested()) {
        // Ended from outside during the check. Its cancel may have run inside the check's own
        // event loop, which took the request to end: the process ends here.
        onTerminationRequested();
        m_platform.processExit->exit(kResultCancelled);
        return;
    }
    if (!permitted) {
        m_platform.processExit->exit(kExitCannotRecord);
        return;
    }
    // Only now: a window the permission check showed (and closed) is no application of ours
    // becoming active and then inactive.
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
            &AppDelegate::onApplicationStateChanged);
    runInMain(request, *this);
}

void AppDelegate::onApplicationStateChanged(Qt::ApplicationState state) {
    if (state == Qt::ApplicationActive) {
        m_wasActive = true;
        m_handingOverToCapture = false;
    } else if (m_handingOverToCapture) {
        // The prepare panel has gone and the capture has not yet taken the keyboard: losing
        // the active state now is our own doing, not another application's.
        m_wasActive = false;
    } else if (m_wasActive) {
        m_wasActive = false;
        onKillFocusEvent();
    }
}

void AppDelegate::onKillFocusEvent() {
    // Ignored while the save dialog is open: the user may look elsewhere for a folder or a
    // name, and the annotations must not be lost meanwhile.
    if (captureWindow().savePanelOpen()) {
        m_platform.log->write(QStringLiteral("inactive while the save dialog is open: going on"));
    }
    captureWindow().onCancel();
}

void AppDelegate::onTerminationRequested() {
    if (m_cancelledFromOutside) return;
    m_cancelledFromOutside = true;
    if (m_terminationNotifier) m_terminationNotifier->setEnabled(false);
    m_platform.log->write(QStringLiteral("ended from outside (a signal): cancelling"));
    if (m_prepareWindow) m_prepareWindow->hide();
    captureWindow().cancelNow();
}

void AppDelegate::displayLost() {
    if (m_captureWindow) m_captureWindow->recordLostDisplay();
}

CaptureWindow& AppDelegate::captureWindow() {
    if (!m_captureWindow) {
        m_captureWindow = std::make_unique<CaptureWindow>(m_platform, m_texts, m_launchTimeMs);
    }
    return *m_captureWindow;
}

PrepareWindow& AppDelegate::prepareWindow() {
    if (!m_prepareWindow) {
        PrepareActions actions;
        actions.startRequested = [this] { m_handingOverToCapture = true; };
        actions.doCapture = [this] { doCapture(); };
        actions.cancel = [this] { captureWindow().NoticeCaptureResult(2); };
        m_prepareWindow =
            std::make_unique<PrepareWindow>(m_texts, std::move(actions), m_platform.windowState);
    }
    return *m_prepareWindow;
}

void AppDelegate::setCaptureParam(const LaunchRequest& request) {
    captureWindow().setCaptureParam(request);
}

void AppDelegate::doCapture() {
    captureWindow().doCapture();
}

void AppDelegate::showPrepare() {
    prepareWindow().showPrepare();
}
