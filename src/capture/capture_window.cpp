#include "capture/capture_window.h"

#include "model/capture_command.h"
#include "model/capture_result.h"
#include "platform/log.h"

CaptureWindow::CaptureWindow(const PlatformServices& platform, UiTexts& texts,
                             uint64_t launchTimeMs)
    : m_platform(platform), m_texts(texts), m_launchTimeMs(launchTimeMs) {
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
}

void CaptureWindow::setCaptureParam(const QJsonObject& command) {
    applyCaptureCommand(command, m_captureParam, m_texts, m_savePath);
}

void CaptureWindow::doCapture() {}

void CaptureWindow::onCancel() {
    m_platform.log->write(QStringLiteral("Cancel..."));
    hide();
    NoticeCaptureResult(kResultCancelled);
}

void CaptureWindow::NoticeCaptureResult(int32_t kind) {
    const CaptureResultInput input{kind, captureWindowRect, rectScreen, m_savePathWhenSaveToLocal,
                                   m_launchTimeMs};
    deliverCaptureResult(input, m_savePath, *m_platform.log, *m_platform.processExit);
}
