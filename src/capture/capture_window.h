#pragma once
// The one full-screen window in which a capture takes place: it applies the command's
// parameters, freezes the screen under the pointer, offers the window under the pointer,
// follows the pointer to another screen until a selection starts, and finishes or cancels,
// reporting the result (which ends the process).

#include <QJsonObject>
#include <QTimer>
#include <QWidget>
#include <optional>
#include <vector>

#include "capture/screen_recording_permission.h"
#include "model/ui_texts.h"
#include "platform/geometry.h"
#include "platform/platform_services.h"

class CaptureView;

class CaptureWindow : public QWidget {
    Q_OBJECT
public:
    CaptureWindow(const PlatformServices& platform, UiTexts& texts, uint64_t launchTimeMs);
    ~CaptureWindow() override;

    void setCaptureParam(const QJsonObject& command);
    bool ScreeningPermissionCheck();

    void reset();
    void doCapture();
    void doCaptureInner();
    void onOK();
    void onCancel();
    void NoticeCaptureResult(int32_t kind);

    // The screen under the pointer is grabbed and the view's images are made from it.
    void captureScreen();
    // Offers the window under the pointer (or the whole screen) as the selection.
    void captureAppScreen();

    // Every 0.1 s: moves the capture to the screen under the pointer while nothing is selected.
    void followMouseStep();

    CaptureView& view() { return *myView; }
    const std::optional<QString>& resultPath() const { return m_savePath; }
    const std::vector<Rect>& windowRects() const { return m_windowrctList; }
    bool followTimerActive() const { return m_timer.isActive(); }

    Rect rectScreen;
    float screenHeightDiff = 0;
    Rect captureWindowRect;
    Point startLocation;
    Point currentLocation;

private:
    void placeOverScreen();
    Point pointerInView() const;

    PlatformServices m_platform;
    UiTexts& m_texts;
    uint64_t m_launchTimeMs;
    ScreenRecordingPermission m_permission;
    CaptureView* myView;
    std::vector<Rect> m_windowrctList;
    QTimer m_timer;
    struct {
        int x = -1000000;
        int y = -1000000;
    } m_lastTimerMousePoint;
    std::optional<QString> m_savePath;
    QString m_savePathWhenSaveToLocal;
};
