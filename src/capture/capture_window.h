#pragma once
// The one full-screen window in which a capture takes place: it applies the command's
// parameters, freezes the screen under the pointer, offers the window under the pointer,
// follows the pointer to another screen until a selection starts, turns mouse and keys into
// the selection's steps, and finishes or cancels, reporting the result (which ends the
// process).

#include <QJsonObject>
#include <QTimer>
#include <QWidget>
#include <optional>
#include <vector>

#include "capture/cursor_set.h"
#include "capture/screen_recording_permission.h"
#include "capture/selection_interaction.h"
#include "model/ui_texts.h"
#include "platform/geometry.h"
#include "platform/platform_services.h"

class CaptureView;

class CaptureWindow : public QWidget, private SelectionHost {
    Q_OBJECT
public:
    CaptureWindow(const PlatformServices& platform, UiTexts& texts, uint64_t launchTimeMs);
    ~CaptureWindow() override;

    void setCaptureParam(const QJsonObject& command);
    bool ScreeningPermissionCheck();

    void reset();
    void doCapture();
    void doCaptureInner();
    void onOK() override;
    void onCancel() override;
    void onUndo();
    void NoticeCaptureResult(int32_t kind);

    // The screen under the pointer is grabbed and the view's images are made from it.
    void captureScreen();
    // Offers the window under the pointer (or the whole screen) as the selection.
    void captureAppScreen();
    // Every 0.1 s: moves the capture to the screen under the pointer while nothing is selected.
    void followMouseStep();

    CaptureView& view() { return *myView; }
    SelectionInteraction& interaction() { return m_interaction; }
    const Rect& captureWindowRect() const { return m_interaction.captureWindowRect; }
    const std::optional<QString>& resultPath() const { return m_savePath; }
    bool followTimerActive() const { return m_timer.isActive(); }
    CursorKind lastCursor() const { return m_lastCursor; }

    Rect rectScreen;
    float screenHeightDiff = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void placeOverScreen();
    Point pointerInView() const;
    void setCursorKind(CursorKind kind);

    // SelectionHost
    int captureState() const override;
    void setCaptureState(int state) override;
    bool savePanelOpen() const override { return false; }
    bool isIntoolbar(Point) const override { return false; }
    bool textViewVisible() const override { return false; }
    int handleIndexAt(Point p) const override;
    Rect windowSelectionAt(Point p) const override;
    void setDrawImageRect(const Rect& selection) override;
    void setDrawDragPoints(bool on) override;
    void setImagePaint(bool on, Point p) override;
    void setPointLocation(Point p) override;
    void redraw() override;
    void updateCursor(Point p) override;
    void log(const QString& line) override;
    void appendText() override {}
    void selectionMade() override {}
    void selectionChanged() override {}
    void restartSelection() override;
    void toolPressed(int, Point) override {}
    void toolDragged(int, Point) override {}
    void commitShape() override {}

    PlatformServices m_platform;
    UiTexts& m_texts;
    uint64_t m_launchTimeMs;
    ScreenRecordingPermission m_permission;
    CaptureView* myView;
    SelectionInteraction m_interaction;
    CursorSet m_cursors;
    CursorKind m_lastCursor = CursorKind::Arrow;
    std::vector<Rect> m_windowrctList;
    QTimer m_timer;
    struct {
        int x = -1000000;
        int y = -1000000;
    } m_lastTimerMousePoint;
    std::optional<QString> m_savePath;
    QString m_savePathWhenSaveToLocal;
};
