#pragma once
// AppDelegate: the QObject that runs the application's start-up, as an application delegate
// does on macOS. Start-up of the one-shot tool: builds the command from the launch, checks that the
// screen may be recorded, dispatches the command, and cancels the capture when the application
// stops being the active one or the process is asked to end (SIGTERM, SIGINT, SIGHUP).

#include <QObject>
#include <QStringList>
#include <memory>

#include "app/dispatcher.h"
#include "model/ui_texts.h"
#include "platform/platform_services.h"

class CaptureWindow;
class QSocketNotifier;
class PrepareWindow;

class AppDelegate : public QObject, public CaptureStarter {
    Q_OBJECT
public:
    explicit AppDelegate(const PlatformServices& platform);
    ~AppDelegate() override;

    void applicationDidFinishLaunching(const QStringList& arguments);
    // The same with the launch already read.
    void applicationDidFinishLaunching(const LaunchRequest& request);
    void onKillFocusEvent();
    // Cancels when the application goes from active to any other state.
    void onApplicationStateChanged(Qt::ApplicationState state);
    // Cancels whatever is on the screen, the save dialog included: the process must end.
    void onTerminationRequested();
    // The display (X server or compositor) has gone: a capture under way records its result as
    // cancelled (the caller then ends the process as one that cannot record).
    void displayLost();

    CaptureWindow& captureWindow();  // created on first use, lives to the end
    PrepareWindow& prepareWindow();
    const UiTexts& texts() const { return m_texts; }
    uint64_t launchTimeMs() const { return m_launchTimeMs; }

    void setCaptureParam(const LaunchRequest& request) override;
    void doCapture() override;
    void showPrepare() override;

private:
    PlatformServices m_platform;
    UiTexts m_texts;
    uint64_t m_launchTimeMs = 0;
    bool m_wasActive = false;
    bool m_handingOverToCapture = false;  // from Start in the prepare panel to the capture
    bool m_cancelledFromOutside = false;  // a termination request has been handled
    std::unique_ptr<CaptureWindow> m_captureWindow;
    std::unique_ptr<PrepareWindow> m_prepareWindow;
    std::unique_ptr<QSocketNotifier> m_terminationNotifier;
};
