#pragma once
// The one full-screen window in which a capture takes place. It applies the command's
// parameters, runs the capture and reports its result, which ends the process.

#include <QJsonObject>
#include <QWidget>
#include <optional>

#include "model/capture_param.h"
#include "model/ui_texts.h"
#include "platform/geometry.h"
#include "platform/platform_services.h"

class CaptureWindow : public QWidget {
    Q_OBJECT
public:
    CaptureWindow(const PlatformServices& platform, UiTexts& texts, uint64_t launchTimeMs);

    void setCaptureParam(const QJsonObject& command);
    void doCapture();
    void onCancel();
    void NoticeCaptureResult(int32_t kind);

    const CaptureParam& captureParam() const { return m_captureParam; }
    const std::optional<QString>& resultPath() const { return m_savePath; }
    Rect captureWindowRect;
    Rect rectScreen;

private:
    PlatformServices m_platform;
    UiTexts& m_texts;
    uint64_t m_launchTimeMs;
    CaptureParam m_captureParam;
    std::optional<QString> m_savePath;
    QString m_savePathWhenSaveToLocal;
};
