#include "capture/capture_window.h"

#include <QBackingStore>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>
#include <cmath>
#include <system_error>

#include "capture/capture_annotations.h"
#include "capture/capture_view.h"
#include "capture/image_composition.h"
#include "capture/key_command.h"
#include "capture/screen_geometry.h"
#include "model/capture_result.h"
#include "platform/clipboard.h"
#include "platform/clock.h"
#include "platform/log.h"
#include "platform/pixels_image.h"
#include "platform/prefault.h"
#include "platform/process_exit.h"
#include "platform/screen_grabber.h"
#include "platform/screens.h"
#include "platform/view_transform.h"
#include "platform/window_list.h"
#include "platform/window_state.h"

using enum CaptureState;

namespace {

constexpr int kArtworkDelayMs = 100;
// After the first selection, once its toolbar is on the screen.
constexpr int kSavePanelDelayMs = 150;
// The longest the capture waits, when it moves to another screen, for the cover of the
// screen it leaves (a compositor that shows nothing new would otherwise hold it).
constexpr int kCoverPaintWaitMs = 500;

}  // namespace

CaptureWindow::CaptureWindow(const PlatformServices& platform, UiTexts& texts,
                             uint64_t launchTimeMs)
    : m_platform(platform),
      m_texts(texts),
      m_launchTimeMs(launchTimeMs),
      m_outcome(*platform.log, *platform.processExit),
      m_permission(platform),
      m_model(platform.log),
      myView(new CaptureView(m_model, m_canvas, platform.log, this)),
      m_annotations(std::make_unique<CaptureAnnotations>(
          m_model, m_canvas, *myView, this, texts, *platform.log,
          CaptureAnnotations::WindowHooks{[this](StripAction action) { onWindowCommand(action); },
                                          [this] { return m_saveFlow.isOpen(); }})),
      m_interaction(m_model, *this, *m_annotations),
      m_follower(*platform.screens,
                 {[this] { return isVisible() && m_model.captureState() == CAPTURE_STATE_CHOOSE; },
                  [this] { return rectScreen; }, [this] { recaptureOnPointersScreen(); }}),
      m_covers(platform),
      m_saveFlow(this, platform, texts,
                 {[this](QString* problem) { return finishedImage(problem); },
                  [this](const QString& path, const QByteArray& png) { savedTo(path, png); },
                  [this] { resumeAfterSaving(); }}) {
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    myView->setFocusPolicy(Qt::NoFocus);
    myView->installEventFilter(this);
    m_windowrctList.reserve(100);
    // Nothing is captured yet: rectScreen and the selection stay zero until doCapture.
}

CaptureWindow::~CaptureWindow() {
    if (m_prefault.joinable()) m_prefault.join();
}

void CaptureWindow::setCaptureParam(const LaunchRequest& request) {
    m_model.captureParam() = request.param;
    m_texts = request.texts;
    m_outcome.setResultPath(request.resultPath);
}

bool CaptureWindow::ScreeningPermissionCheck() {
    return m_permission.ScreeningPermissionCheck(m_texts.permission);
}

void CaptureWindow::reset() {
    myView->reset();
    m_canvas.clear();
    const std::vector<ScreenInfo> screens = m_platform.screens->screens();
    const Point pointer = m_platform.screens->pointerPosition();
    rectScreen = getScreensRect(screens, true, pointer);
    screenHeightDiff = getScreenHeightDiff(screens, pointer);
    m_model.reset(rectScreen.size());
    m_interaction.reset();
    m_annotations->reset();
    myView->setScreenRect(rectScreen);
}

void CaptureWindow::doCapture() {
    m_outcome.begin();
    m_windowrctList = m_platform.windowList->onScreenWindows();
    m_platform.windowList->notifyChanges([this] { windowsArrived(); });
    doCaptureInner();
}

void CaptureWindow::windowsArrived() {
    m_windowrctList = m_platform.windowList->onScreenWindows();
    // Offered at once where nothing is selected yet, as if the pointer had just moved there.
    if (m_outcome.delivered() || !isVisible() || m_model.captureState() != CAPTURE_STATE_CHOOSE) {
        return;
    }
    m_interaction.offerWindowAt(m_model.pointLocation());
    myView->refresh();
}

void CaptureWindow::doCaptureInner() {
    reset();
    // The other screens' covers come first: a window shown later takes the keyboard from
    // them, and the desktop is frozen at its first grab, so their pictures and the capture's
    // are of one moment whatever the order. The capture's own grab is thus the last one taken.
    // When the capture moves, the screen it leaves is covered before its window goes there.
    m_covers.coverAllBut(rectScreen);
    prefaultWindowPixels();
    if (!captureScreen()) {
        m_covers.hideAll();
        if (m_platform.grabber->displayLost()) {
            displayLost();
            return;
        }
        finishWithoutImage(QString());
        return;
    }

    showFullScreen();
    m_dropLeftCoversOnPaint = m_covers.leaving();
    captureAppScreen();
    myView->refresh();
    setCursorKind(CursorKind::Arrow);
    raise();
    activateWindow();
    setFocus();
    m_follower.start();
    // The strips' artwork is drawn on another thread once the first frame is out, long
    // before a selection can be finished.
    QTimer::singleShot(kArtworkDelayMs, this,
                       [this] { m_annotations->prepareArtwork(devicePixelRatioF()); });
}

QRect CaptureWindow::windowArea() const {
    WindowPlacement placement = m_platform.screens->windowPlacement();
    // Without a known main screen the captured one stands for it.
    if (placement.mainScreenHeight <= 0) placement.mainScreenHeight = rectScreen.height;
    const Rect area = placement.desktopRect(rectScreen);
    return {static_cast<int>(area.x), static_cast<int>(area.y), static_cast<int>(area.width),
            static_cast<int>(area.height)};
}

void CaptureWindow::placeOverScreen() {
    const QRect target = windowArea();
    QScreen* screen = QGuiApplication::screenAt(target.center());
    // A Wayland window cannot be moved: another output takes a window made anew.
    if (screen && isVisible() && windowHandle() && windowHandle()->screen() != screen &&
        !m_platform.screens->pointerSeenEverywhere()) {
        // The screen left is bare from the window's end until its cover is painted.
        m_covers.waitUntilPainted(kCoverPaintWaitMs);
        m_changingScreen = true;  // the covers stay
        hide();
        destroy();
        m_changingScreen = false;
        // The new window is asked to go full-screen again when shown.
        setWindowState(windowState() & ~Qt::WindowFullScreen);
    }
    setGeometry(target);
    if (screen) {
        if (!windowHandle()) create();
        windowHandle()->setScreen(screen);
    }
}

void CaptureWindow::prefaultWindowPixels() {
    // The window's pixels live in fresh shared memory, and the first frame would pay a page
    // fault for every page of it (about 10 ms at 3840 x 2160). Another thread maps them in
    // while the screen is grabbed and the window mapped; it writes nothing.
    placeOverScreen();
    // Only X11's backing store has its image before the first paint; Wayland's makes its
    // buffer when painting begins.
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return;
    QBackingStore* store = backingStore();
    if (store == nullptr || m_prefault.joinable()) return;
    store->resize(size());
    QPaintDevice* device = store->paintDevice();
    if (device == nullptr || device->devType() != QInternal::Image) return;
    const auto* image = static_cast<const QImage*>(device);
    try {
        m_prefault = std::thread([data = image->constBits(), size = size_t(image->sizeInBytes())] {
            prefaultPages(data, size);
        });
    } catch (const std::system_error&) {
        // The first frame maps them itself.
    }
}

bool CaptureWindow::captureScreen() {
    QImage grab =
        imageOf(m_platform.grabber->grab(grabRectForScreen(rectScreen, screenHeightDiff)));
    if (grab.isNull()) {
        m_platform.log->write(QStringLiteral("no image: the screen could not be grabbed: ") +
                              m_platform.grabber->lastError());
        return false;
    }
    m_model.setCaptureState(CAPTURE_STATE_CHOOSE);
    m_canvas.freeze(grab);
    return true;
}

Point CaptureWindow::pointerInView() const {
    return globalToView(m_platform.screens->pointerPosition(), rectScreen);
}

void CaptureWindow::captureAppScreen() {
    m_interaction.offerWindowAt(pointerInView());
}

void CaptureWindow::followMouseStep() {
    m_follower.step();
}

void CaptureWindow::recaptureOnPointersScreen() {
    const uint64_t start = m_platform.clock->now().milliseconds();
    m_platform.log->write(QStringLiteral("start recapture"));
    doCaptureInner();
    const uint64_t elapsed = m_platform.clock->now().milliseconds() - start;
    m_platform.log->write(QStringLiteral("end recapture, time:%1").arg(elapsed));
}

void CaptureWindow::onOK() {
    if (m_saveFlow.isOpen() || m_outcome.delivered()) return;
    QString problem;
    const QImage image = finishedImage(&problem);
    if (image.isNull()) {
        finishWithoutImage(problem);
        return;
    }
    m_follower.stop();
    if (!m_platform.clipboard->needsFocusedWindow()) hide();
    const bool onClipboard = m_platform.clipboard->setImage(pixelsOf(image));
    hide();
    if (!onClipboard) {
        m_platform.log->write(QStringLiteral("no image: the clipboard could not be taken"));
        NoticeCaptureResult(kResultCancelled);
        return;
    }
    NoticeCaptureResult(kResultFinished);
}

void CaptureWindow::finishWithoutImage(const QString& reason) {
    m_follower.stop();
    hide();
    if (!reason.isEmpty()) m_platform.log->write(QStringLiteral("no image: ") + reason);
    NoticeCaptureResult(kResultCancelled);
}

void CaptureWindow::onCancel() {
    if (m_saveFlow.isOpen() || m_outcome.delivered()) return;
    m_follower.stop();
    m_platform.log->write(QStringLiteral("Cancel..."));
    hide();
    NoticeCaptureResult(kResultCancelled);
}

void CaptureWindow::cancelNow() {
    m_saveFlow.abandon();
    onCancel();
}

void CaptureWindow::displayLost() {
    m_follower.stop();
    m_outcome.deliverLostDisplay(resultInput(kResultCancelled));
}

void CaptureWindow::recordLostDisplay() {
    // May run on another thread (see watchForDisplayLoss): no timer or widget is touched.
    m_outcome.recordLostDisplay(resultInput(kResultCancelled));
}

CaptureResultInput CaptureWindow::resultInput(int32_t kind) const {
    return {kind, m_model.captureWindowRect(), rectScreen, m_savePathWhenSaveToLocal,
            m_launchTimeMs};
}

void CaptureWindow::NoticeCaptureResult(int32_t kind) {
    m_outcome.deliver(resultInput(kind));
}

void CaptureWindow::onUndo() {
    if (m_saveFlow.isOpen()) return;
    m_annotations->onUndo();
    myView->refresh();
}

void CaptureWindow::onRedo() {
    if (m_saveFlow.isOpen()) return;
    m_annotations->onRedo();
    myView->refresh();
}

void CaptureWindow::onWindowCommand(StripAction action) {
    switch (action) {
        case StripAction::onOK:
            onOK();
            return;
        case StripAction::onCancel:
            onCancel();
            return;
        case StripAction::onSave:
            onSave();
            return;
        default:
            return;
    }
}

void CaptureWindow::onSave() {
    if (m_saveFlow.isOpen() || m_outcome.delivered()) return;
    m_annotations->appendText();
    // The clipboard's helper starts while the user chooses a name.
    m_platform.clipboard->prepare();
    m_saveFlow.open(rectScreen, m_model.captureParam().SetSaveName);
    myView->refresh();
}

void CaptureWindow::savedTo(const QString& path, const QByteArray& png) {
    m_savePathWhenSaveToLocal = path;
    m_follower.stop();
    if (!m_platform.clipboard->needsFocusedWindow()) hide();
    // The file is written: the capture is saved even if the clipboard cannot be taken.
    const bool onClipboard = m_platform.clipboard->setPng(png);
    hide();
    if (!onClipboard) {
        m_platform.log->write(QStringLiteral("the clipboard could not be taken"));
    }
    NoticeCaptureResult(kResultSaved);
}

void CaptureWindow::resumeAfterSaving() {
    // The keyboard back to the capture, which goes on where it was.
    activateWindow();
    setFocus();
    myView->refresh();
}

QImage CaptureWindow::finishedImage(QString* problem) {
    m_annotations->appendText();  // a text still being typed is part of the image
    return cutSelection(m_canvas.currentImage(), m_model.captureWindowRect(), rectScreen.height,
                        problem);
}

bool CaptureWindow::event(QEvent* event) {
    // On Wayland the activation comes with the configuration that shows the window, which the
    // compositor may hold back until it is confirmed.
    if (event->type() == QEvent::WindowActivate && m_platform.windowState != nullptr) {
        m_platform.windowState->confirmActivation(windowHandle());
    }
    return QWidget::event(event);
}

bool CaptureWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched != myView) return false;
    if (event->type() == QEvent::Paint && m_dropLeftCoversOnPaint) {
        // The covers the capture left go once its first frame here is out (a paint is
        // flushed before the timer runs): the screen it came to never shows the live desktop.
        m_dropLeftCoversOnPaint = false;
        QTimer::singleShot(0, this, [this] { m_covers.dropLeaving(); });
    }
    if (event->type() == QEvent::Enter) {
        // Where the pointer is when it comes over the window, before any motion, if that is not
        // where it was known to be: the compositor may have told no position before (GNOME).
        // Only then: a repaint as sway shows a new window kept one of the covers off the screen.
        const auto* enter = static_cast<QEnterEvent*>(event);
        const Point p = viewPointFromQt(enter->position(), rectScreen.height);
        const Point known = m_model.pointLocation();
        const bool news = std::abs(p.x - known.x) >= 1 || std::abs(p.y - known.y) >= 1;
        if (news && !m_outcome.delivered() && !m_saveFlow.isOpen() &&
            enter->buttons() == Qt::NoButton) {
            m_interaction.mouseMoved(p);
            myView->refresh();
        }
        return false;
    }
    const auto* mouse = dynamic_cast<QMouseEvent*>(event);
    if (mouse == nullptr) return false;
    if (m_outcome.delivered()) return true;
    const Point p = viewPointFromQt(mouse->position(), rectScreen.height);
    const bool left = mouse->button() == Qt::LeftButton;
    // While the save dialog is open only pointer moves reach the selection.
    if (m_saveFlow.isOpen() &&
        !(event->type() == QEvent::MouseMove && mouse->buttons() == Qt::NoButton)) {
        return true;
    }
    switch (event->type()) {
        case QEvent::MouseButtonPress:
            if (left) m_interaction.mouseDown(p, 1);
            break;
        case QEvent::MouseButtonDblClick:
            if (left) m_interaction.mouseDown(p, 2);
            break;
        case QEvent::MouseMove:
            if (mouse->buttons() & Qt::LeftButton) {
                m_interaction.mouseDragged(p);
            } else {
                m_interaction.mouseMoved(p);
            }
            break;
        case QEvent::MouseButtonRelease:
            if (left) {
                m_interaction.mouseUp(p);
                if (!m_saveFlow.prepared() && m_model.captureState() != CAPTURE_STATE_CHOOSE) {
                    QTimer::singleShot(kSavePanelDelayMs, &m_saveFlow, &SaveFlow::prepare);
                }
            } else if (mouse->button() == Qt::RightButton) {
                m_interaction.rightMouseUp(p);
            }
            break;
        default:
            return false;
    }
    // The view repaints whatever the step changed, and nothing else.
    myView->refresh();
    return true;
}

void CaptureWindow::closeEvent(QCloseEvent* event) {
    // The window stays until the result is delivered, which ends the process; while the save
    // dialog is open, cancelling does nothing, as for every other way to cancel.
    event->ignore();
    m_platform.log->write(QStringLiteral("asked to close"));
    onCancel();
}

void CaptureWindow::hideEvent(QHideEvent* event) {
    if (!m_changingScreen) m_covers.hideAll();
    QWidget::hideEvent(event);
}

void CaptureWindow::keyPressEvent(QKeyEvent* event) {
    if (m_outcome.delivered()) return;
    const KeyInputs in = keyInputs(*event);
    switch (keyDownAction(in)) {
        case KeyAction::Undo:
            onUndo();
            return;
        case KeyAction::Finish:
            onOK();
            return;
        case KeyAction::Cancel:
            onCancel();
            return;
        case KeyAction::Redo:
            onRedo();
            return;
        case KeyAction::Nudge:
            m_interaction.nudge(nudgeOffset(in));
            myView->refresh();
            return;
        case KeyAction::NudgeShape:
            m_annotations->nudgeSelectedShape(nudgeOffset(in));
            myView->refresh();
            return;
        case KeyAction::DeleteShape:
            m_annotations->deleteSelectedShape();
            myView->refresh();
            return;
        case KeyAction::UpdateCursor:
            updateCursor(pointerInView());
            return;
        case KeyAction::Swallow:
            return;
        case KeyAction::Default:
            QWidget::keyPressEvent(event);
            return;
    }
}

KeyInputs CaptureWindow::keyInputs(const QKeyEvent& event) const {
    return {event.key(),
            event.modifiers(),
            m_annotations->textViewVisible(),
            m_annotations->savePanelOpen(),
            m_model.captureState(),
            m_model.shapes().selected().has_value()};
}

void CaptureWindow::keyReleaseEvent(QKeyEvent* event) {
    const KeyInputs in = keyInputs(*event);
    if (keyUpAction(in) == KeyAction::UpdateCursor) updateCursor(pointerInView());
    QWidget::keyReleaseEvent(event);
}

Rect CaptureWindow::windowSelectionAt(Point p) const {
    return ::windowSelectionAt(m_windowrctList, p, rectScreen, screenHeightDiff);
}

void CaptureWindow::log(const QString& line) {
    m_platform.log->write(line);
}

void CaptureWindow::selectionRestarted() {
    setCursorKind(CursorKind::Arrow);
}

void CaptureWindow::updateCursor(Point p) {
    CursorInputs in;
    in.captureState = m_model.captureState();
    in.handleIndex = m_model.handleAt(p);
    in.currentLocation = m_interaction.currentLocation;
    in.onToolbar = m_annotations->isIntoolbar(p);
    in.inSaveDialog = m_annotations->savePanelOpen();
    in.penSize = m_model.shapes().currShape().m_penSize;
    if (!m_annotations->textViewVisible()) {
        if (const std::optional<ShapeHold> hold = m_model.shapes().holdAt(p)) {
            in.overShape = true;
            if (hold->grip.part == ShapeGrip::Part::Handle) in.shapeHandle = hold->grip.handle;
        }
    }
    setCursorKind(onSetCursor(in));
}

void CaptureWindow::setCursorKind(CursorKind kind) {
    if (kind == CursorKind::Unchanged) return;
    m_lastCursor = kind;
    myView->setCursor(m_cursors.cursor(kind, devicePixelRatioF()));
}
