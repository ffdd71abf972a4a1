#include "capture/capture_window.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include "annotate/capture_view.h"
#include "capture/image_composition.h"
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

QImage darkened(const QImage& screen) {
    QImage dark = screen.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&dark);
    painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    painter.fillRect(dark.rect(), QColor::fromRgbF(0, 0, 0, 0.33f));
    return dark;
}

}  // namespace

CaptureWindow::CaptureWindow(const PlatformServices& platform, UiTexts& texts,
                             uint64_t launchTimeMs)
    : m_platform(platform),
      m_texts(texts),
      m_launchTimeMs(launchTimeMs),
      m_permission(platform),
      myView(new CaptureView(this)) {
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_OpaquePaintEvent);
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
    myView->darkImage = QImage();
    myView->colorImage = QImage();
    const std::vector<ScreenInfo> screens = m_platform.screens->screens();
    const Point pointer = m_platform.screens->pointerPosition();
    rectScreen = getScreensRect(screens, true, pointer);
    screenHeightDiff = getScreenHeightDiff(screens, pointer);
    myView->setCaptureState(CAPTURE_STATE_IDLE);
    myView->setScreenRect(rectScreen);
    myView->reset();
}

void CaptureWindow::doCapture() {
    m_windowrctList = m_platform.windowList->onScreenWindows();
    doCaptureInner();
}

void CaptureWindow::doCaptureInner() {
    const int flag = myView->captureParam().autoCaptureFlag;
    const bool automatic = flag == 1 || flag == 2;
    // The clipboard's slow start overlaps the grab when the result is known to follow.
    if (automatic) m_platform.clipboard->prepare();

    reset();
    captureScreen();
    myView->setDrawImageRect({});

    if (automatic) {
        captureWindowRect = automaticCaptureRect(myView->captureParam(), rectScreen);
        myView->setDrawDragPoints(true);
        myView->setImagePaint(false, currentLocation);
        myView->setDrawImageRect(captureWindowRect);
        myView->setCaptureState(CAPTURE_STATE_SELECTED);
        onOK();
        return;
    }

    // Only a shown capture needs the darkened screen.
    myView->darkImage = darkened(myView->originImage);
    placeOverScreen();
    captureAppScreen();
    myView->update();
    raise();
    activateWindow();
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
    const Point p = pointerInView();
    myView->setImagePaint(true, p);
    captureWindowRect = windowSelectionAt(m_windowrctList, p, rectScreen, screenHeightDiff);
    myView->setDrawImageRect(captureWindowRect);
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
    const CaptureResultInput input{kind, captureWindowRect, rectScreen, m_savePathWhenSaveToLocal,
                                   m_launchTimeMs};
    deliverCaptureResult(input, m_savePath, *m_platform.log, *m_platform.processExit);
}
