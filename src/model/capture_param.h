#pragma once
// The parameter record of one capture, written by applying a command and read by the
// capture, its overlay, toolbar and saving. Fields keep the names of the command keys.

#include <QString>
#include <cstdint>
#include <optional>

#include "model/ui_texts.h"
#include "platform/color.h"

struct CaptureParam {
    int32_t CmdType = 0;
    int32_t IsGBK = 0;
    int32_t Pensize = 0;
    int32_t DrawType = 0;
    float Transparent = 255.0f;
    int32_t nMosaicType = 1;
    int32_t hideCurrentWindow = 0;
    int32_t autoCaptureFlag = 0;
    int32_t xPos = 0;
    int32_t yPos = 0;
    int32_t nWidth = 0;
    int32_t nHeight = 0;
    Color TrackColor{1, 0, 0, 1};
    Color EditBorderColor{0, 0, 1, 0.2};
    QString SetSaveName = QStringLiteral("Quillet截图_");
    QString SetMagnifierLogoText =
        QStringLiteral("Quillet截图  [") + kWebDomain + QStringLiteral("]");
    std::optional<QString> SetWatermarkPictureType;
    std::optional<QString> SetWatermarkPicturePath;
    std::optional<QString> SetWatermarkTextType;
    std::optional<QString> SetWatermarkTextValue;
    std::optional<QString> SetToolbarText;
    std::optional<QString> MoreInfo;
    std::optional<QString> strDefaultPath;

    static CaptureParam initDefaultValue() { return CaptureParam{}; }
};

// Flags 1 (a given rectangle) and 2 (the whole screen) capture without showing anything.
inline bool isAutomaticCapture(int32_t autoCaptureFlag) {
    return autoCaptureFlag == 1 || autoCaptureFlag == 2;
}

// Colour integers are 0x00BBGGRR; the top byte is ignored and alpha is always 1.
Color int2NSColor(int32_t value);
