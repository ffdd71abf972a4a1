#include "capture/capture_window.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>
#include <future>

#include "annotate/capture_view.h"
#include "annotate/view_transform.h"
#include "capture/image_composition.h"
#include "capture/key_command.h"
#include "capture/screen_geometry.h"
#include "model/capture_command.h"
#include "model/capture_result.h"
#include "platform/clipboard.h"
#include "platform/clock.h"
#include "platform/log.h"
#include "platform/screen_grabber.h"
#include "platform/screens.h"
#include "platform/window_list.h"

namespace {

constexpr int kFollowMouseIntervalMs = 100;

}  // namespace

CaptureWindow::CaptureWindow(const PlatformServices& platform, UiTexts& texts,
                             uint64_t launchTimeMs)
    : m_platform(platform),
      m_texts(texts),
      m_launchTimeMs(launchTimeMs),
      m_permission(platform),
      myView(new CaptureView(platform.log, this)),
      m_interaction(*this) {
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    myView->setFocusPolicy(Qt::NoFocus);
    myView->installEventFilter(this);
    m_windowrctList.reserve(100);
    m_timer.setInterval(kFollowMouseIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &CaptureWindow::followMouseStep);
    // Nothing is captured yet: rectScreen and the selection stay zero until doCapture.
}

CaptureWindow::~CaptureWindow() = default;

void CaptureWindow::setCaptureParam(const QJsonObject& command) {
    applyCaptureCommand(command, myView->captureParam(), m_texts, m_savePath);
}

bool CaptureWindow::ScreeningPermissionCheck() {
    return m_permission.ScreeningPermissionCheck(m_texts.permission);
}

void CaptureWindow::reset() {
    myView->originImage = QImage();
    myView->currentImage = QImage();
    myView->colorImage = QImage();
    const std::vector<ScreenInfo> screens = m_platform.screens->screens();
    const Point pointer = m_platform.screens->pointerPosition();
    rectScreen = getScreensRect(screens, true, pointer);
    screenHeightDiff = getScreenHeightDiff(screens, pointer);
    myView->setCaptureState(CAPTURE_STATE_IDLE);
    myView->setScreenRect(rectScreen);
    myView->reset();
    m_interaction.screenSize = rectScreen.size();
    m_interaction.captureWindowRect = {};
    m_interaction.startLocation = {};
    m_interaction.currentLocation = {};
}

void CaptureWindow::doCapture() {
    m_windowrctList = m_platform.windowList->onScreenWindows();
    doCaptureInner();
}

void CaptureWindow::doCaptureInner() {
    const bool automatic = isAutomaticCapture(myView->captureParam().autoCaptureFlag);
    // The clipboard's slow start overlaps the grab when the result is known to follow.
    if (automatic) m_platform.clipboard->prepare();

    reset();
    captureScreen();
    myView->setDrawImageRect({});

    if (automatic) {
        m_interaction.captureWindowRect = automaticCaptureRect(myView->captureParam(), rectScreen);
        myView->setDrawDragPoints(true);
        myView->setImagePaint(false, m_interaction.currentLocation);
        myView->setDrawImageRect(m_interaction.captureWindowRect);
        myView->setCaptureState(CAPTURE_STATE_SELECTED);
        onOK();
        return;
    }

    myView->setDarkImage(std::async(std::launch::async, darkenedScreen, myView->originImage));
    placeOverScreen();
    captureAppScreen();
    myView->update();
    setCursorKind(CursorKind::Arrow);
    raise();
    activateWindow();
    setFocus();
    m_timer.start();
}

void CaptureWindow::placeOverScreen() {
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QRect main = primary ? primary->geometry() : QRect();
    const QRect target(
        static_cast<int>(main.x() + rectScreen.x),
        static_cast<int>(main.y() + main.height() - rectScreen.y - rectScreen.height),
        static_cast<int>(rectScreen.width), static_cast<int>(rectScreen.height));
    setGeometry(target);
    if (QScreen* screen = QGuiApplication::screenAt(target.center())) {
        if (!windowHandle()) create();
        windowHandle()->setScreen(screen);
    }
    showFullScreen();
}

void CaptureWindow::captureScreen() {
    myView->setCaptureState(CAPTURE_STATE_CHOOSE);
    QImage grab = m_platform.grabber->grab(grabRectForScreen(rectScreen, screenHeightDiff));
    // The three images share the one grab; drawing on one of them detaches only that one.
    myView->originImage = grab;
    myView->currentImage = grab;
    myView->colorImage = grab;
}

Point CaptureWindow::pointerInView() const {
    return globalToView(m_platform.screens->pointerPosition(), rectScreen);
}

void CaptureWindow::captureAppScreen() {
    m_interaction.offerWindowAt(pointerInView());
}

void CaptureWindow::followMouseStep() {
    if (!isVisible()) return;
    if (myView->captureState() != CAPTURE_STATE_CHOOSE) return;
    const Point pointer = m_platform.screens->pointerPosition();
    const int x = static_cast<int>(pointer.x);
    const int y = static_cast<int>(pointer.y);
    if (x == m_lastTimerMousePoint.x && y == m_lastTimerMousePoint.y) return;
    m_lastTimerMousePoint = {x, y};
    const Rect screen = getScreensRect(m_platform.screens->screens(), true, pointer);
    if (static_cast<int>(screen.x) == static_cast<int>(rectScreen.x) &&
        static_cast<int>(screen.y) == static_cast<int>(rectScreen.y)) {
        return;
    }
    const uint64_t start = m_platform.clock->now().milliseconds();
    m_platform.log->write(QStringLiteral("start recapture"));
    doCaptureInner();
    const uint64_t elapsed = m_platform.clock->now().milliseconds() - start;
    m_platform.log->write(QStringLiteral("end recapture, time:%1").arg(elapsed));
}

void CaptureWindow::onOK() {
    const Rect& captureWindowRect = m_interaction.captureWindowRect;
    const QImage image = cutSelection(myView->currentImage, captureWindowRect, rectScreen.height);
    m_timer.stop();
    hide();
    if (image.isNull()) {
        m_platform.log->write(QStringLiteral("no image: the selection %1x%2 has no area")
                                  .arg(captureWindowRect.width)
                                  .arg(captureWindowRect.height));
        NoticeCaptureResult(kResultCancelled);
        return;
    }
    if (!m_platform.clipboard->setImage(image)) {
        m_platform.log->write(QStringLiteral("no image: the clipboard could not be taken"));
        NoticeCaptureResult(kResultCancelled);
        return;
    }
    NoticeCaptureResult(kResultFinished);
}

void CaptureWindow::onCancel() {
    m_timer.stop();
    m_platform.log->write(QStringLiteral("Cancel..."));
    hide();
    NoticeCaptureResult(kResultCancelled);
}

void CaptureWindow::NoticeCaptureResult(int32_t kind) {
    const CaptureResultInput input{kind, m_interaction.captureWindowRect, rectScreen,
                                   m_savePathWhenSaveToLocal, m_launchTimeMs};
    deliverCaptureResult(input, m_savePath, *m_platform.log, *m_platform.processExit);
}

void CaptureWindow::onUndo() {
    m_platform.log->write(QStringLiteral("onUndo"));
}

bool CaptureWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched != myView) return false;
    const auto* mouse = dynamic_cast<QMouseEvent*>(event);
    if (mouse == nullptr) return false;
    const Point p = viewPointFromQt(mouse->position(), rectScreen.height);
    const bool left = mouse->button() == Qt::LeftButton;
    switch (event->type()) {
        case QEvent::MouseButtonPress:
            if (left) m_interaction.mouseDown(p, 1);
            return true;
        case QEvent::MouseButtonDblClick:
            if (left) m_interaction.mouseDown(p, 2);
            return true;
        case QEvent::MouseMove:
            if (mouse->buttons() & Qt::LeftButton) {
                m_interaction.mouseDragged(p);
            } else {
                m_interaction.mouseMoved(p);
            }
            return true;
        case QEvent::MouseButtonRelease:
            if (left) {
                m_interaction.mouseUp(p);
            } else if (mouse->button() == Qt::RightButton) {
                m_interaction.rightMouseUp(p);
            }
            return true;
        default:
            return false;
    }
}

void CaptureWindow::keyPressEvent(QKeyEvent* event) {
    const KeyInputs in{event->key(), event->modifiers(), textViewVisible(), savePanelOpen(),
                       captureState()};
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
        case KeyAction::UpdateCursor:
            updateCursor(viewPointFromQt(myView->mapFromGlobal(QCursor::pos()), rectScreen.height));
            return;
        case KeyAction::Swallow:
            return;
        case KeyAction::Default:
            QWidget::keyPressEvent(event);
            return;
    }
}

void CaptureWindow::keyReleaseEvent(QKeyEvent* event) {
    const KeyInputs in{event->key(), event->modifiers(), textViewVisible(), savePanelOpen(),
                       captureState()};
    if (keyUpAction(in) == KeyAction::UpdateCursor) {
        updateCursor(viewPointFromQt(myView->mapFromGlobal(QCursor::pos()), rectScreen.height));
    }
    QWidget::keyReleaseEvent(event);
}

int CaptureWindow::captureState() const {
    return myView->captureState();
}

void CaptureWindow::setCaptureState(int state) {
    myView->setCaptureState(state);
}

int CaptureWindow::handleIndexAt(Point p) const {
    return myView->isInDragPoints(p);
}

Rect CaptureWindow::windowSelectionAt(Point p) const {
    return ::windowSelectionAt(m_windowrctList, p, rectScreen, screenHeightDiff);
}

void CaptureWindow::setDrawImageRect(const Rect& selection) {
    myView->setDrawImageRect(selection);
}

void CaptureWindow::setDrawDragPoints(bool on) {
    myView->setDrawDragPoints(on);
}

void CaptureWindow::setImagePaint(bool on, Point p) {
    myView->setImagePaint(on, p);
}

void CaptureWindow::setPointLocation(Point p) {
    myView->setPointLocation(p);
}

void CaptureWindow::redraw() {
    myView->refresh();
}

void CaptureWindow::log(const QString& line) {
    m_platform.log->write(line);
}

void CaptureWindow::restartSelection() {
    myView->reset();
    setCursorKind(CursorKind::Arrow);
}

void CaptureWindow::updateCursor(Point p) {
    CursorInputs in;
    in.captureState = captureState();
    in.handleIndex = myView->isInDragPoints(p);
    in.currentLocation = m_interaction.currentLocation;
    in.onToolbar = isIntoolbar(p);
    in.inSaveDialog = false;
    setCursorKind(onSetCursor(in));
}

void CaptureWindow::setCursorKind(CursorKind kind) {
    if (kind == CursorKind::Unchanged) return;
    m_lastCursor = kind;
    myView->setCursor(m_cursors.cursor(kind, devicePixelRatioF()));
}
