#pragma once
// The one full-screen window in which a capture takes place: it applies the command's
// parameters, freezes the screen under the pointer, offers the window under the pointer,
// follows the pointer to another screen until a selection starts, turns mouse and keys into
// the selection's steps, and finishes, saves to a file or cancels; its CaptureOutcome reports
// the result and asks the process to end. While the save dialog is open the capture takes no input.
// What the capture is lives in its CaptureModel; the CaptureView paints it.

#include <QJsonObject>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "capture/capture_canvas.h"
#include "capture/capture_model.h"
#include "capture/cursor_set.h"
#include "capture/pointer_follower.h"
#include "capture/save_flow.h"
#include "capture/screen_covers.h"
#include "capture/screen_recording_permission.h"
#include "capture/selection_interaction.h"
#include "controls/strip_items.h"
#include "model/capture_outcome.h"
#include "model/capture_result.h"
#include "model/launch_request.h"
#include "model/ui_texts.h"
#include "platform/geometry.h"
#include "platform/platform_services.h"

class CaptureAnnotations;
class CaptureView;
class NSCostomSavePanel;

class CaptureWindow : public QWidget, private SelectionView {
    Q_OBJECT
public:
    CaptureWindow(const PlatformServices& platform, UiTexts& texts, uint64_t launchTimeMs);
    ~CaptureWindow() override;

    // The launch's parameters, texts and result path for this capture.
    void setCaptureParam(const LaunchRequest& request);
    bool ScreeningPermissionCheck();

    void reset();
    void doCapture();
    void doCaptureInner();
    // The window list has more to tell (it came from another process after the capture began).
    void windowsArrived();
    void onOK() override;
    void onCancel() override;
    // Cancels even while the save dialog is open, for a process that must end.
    void cancelNow();
    void onUndo();
    // Opens the save dialog; a confirmed name writes the image there and ends the capture.
    void onSave();
    bool savePanelOpen() const { return m_saveFlow.isOpen(); }
    NSCostomSavePanel* savePanel() const { return m_saveFlow.panel(); }
    // Restores the shape the last undo removed, until a new shape is drawn.
    void onRedo();
    void NoticeCaptureResult(int32_t kind);
    // The display (X server or compositor) has gone: records a cancelled result (once a command has
    // been applied) and ends the process as unable to record.
    void displayLost();
    // The same without ending the process, for a caller that ends it; touches no widget, so
    // that another thread may call it.
    void recordLostDisplay();

    // The screen under the pointer is grabbed and the view's images are made from it.
    // False, with the reason logged, when the screen could not be read.
    bool captureScreen();
    // Offers the window under the pointer (or the whole screen) as the selection.
    void captureAppScreen();
    // Every 0.1 s: moves the capture to the screen under the pointer while nothing is selected.
    void followMouseStep();

    const CaptureModel& model() const { return m_model; }
    const ScreenCovers& covers() const { return m_covers; }
    CaptureView& view() { return *myView; }
    CaptureAnnotations& annotations() { return *m_annotations; }
    const Rect& captureWindowRect() const { return m_model.captureWindowRect(); }
    const std::optional<QString>& resultPath() const { return m_outcome.resultPath(); }
    bool followTimerActive() const { return m_follower.active(); }
    CursorKind lastCursor() const { return m_lastCursor; }

    Rect rectScreen;
    float screenHeightDiff = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    // The window manager asked us to close (Alt+F4, say): a cancel.
    void closeEvent(QCloseEvent* event) override;
    // The capture is over or moves on: the other screens' covers go too.
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    struct KeyInputs keyInputs(const QKeyEvent& event) const;
    // The pointer went to another screen before a selection started: the capture moves there.
    void recaptureOnPointersScreen();
    QRect windowArea() const;
    CaptureResultInput resultInput(int32_t kind) const;
    void placeOverScreen();
    void prefaultWindowPixels();
    Point pointerInView() const;
    void setCursorKind(CursorKind kind);
    // Finish, cancel and save from the toolbar.
    void onWindowCommand(StripAction action);
    void finishWithoutImage(const QString& reason);
    // The selection cut from the flattened history, a text being typed included.
    QImage finishedImage(QString* problem);
    // The save flow wrote `path`: the capture ends with kind 3.
    void savedTo(const QString& path, const QByteArray& png);
    void resumeAfterSaving();

    // SelectionView
    Rect windowSelectionAt(Point p) const override;
    void updateCursor(Point p) override;
    void log(const QString& line) override;
    void selectionRestarted() override;

    PlatformServices m_platform;
    UiTexts& m_texts;
    uint64_t m_launchTimeMs;
    // Once it is delivered, until the process has ended (the event loop first runs out),
    // nothing more is done, so that no second result or clipboard hand-over follows.
    CaptureOutcome m_outcome;
    ScreenRecordingPermission m_permission;
    CaptureModel m_model;
    CaptureCanvas m_canvas;
    CaptureView* myView;
    std::unique_ptr<CaptureAnnotations> m_annotations;
    SelectionInteraction m_interaction;
    CursorSet m_cursors;
    CursorKind m_lastCursor = CursorKind::Arrow;
    std::vector<Rect> m_windowrctList;
    PointerFollower m_follower;
    ScreenCovers m_covers;
    bool m_changingScreen = false;  // the window goes to another screen
    bool m_dropLeftCoversOnPaint = false;
    SaveFlow m_saveFlow;
    QString m_savePathWhenSaveToLocal;
    std::thread m_prefault;  // see prefaultWindowPixels()
};
