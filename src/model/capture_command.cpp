#include "model/capture_command.h"

#include <QStringList>

#include "model/launch_request.h"
#include "model/value_reading.h"

namespace {

struct LanguageDefaults {
    QString magnifierLogo;
    QString saveName;
    QString prepareButton;
    QString prepareTitle;
    QString prepareInfo;
    QString prepareInfo2;
    QString saveFolderPrompt;
    std::array<QString, 12> labels;
};

const LanguageDefaults& defaultsFor(bool english) {
    static const LanguageDefaults en{
        QStringLiteral("Tovaro-") + kWebDomain,
        QStringLiteral("Tovaro_"),
        QStringLiteral("Start Capture"),
        QStringLiteral("Tovaro[") + kWebAddress + QStringLiteral("]"),
        QStringLiteral("Please adjust the window to show the area,"),
        QStringLiteral("then click the button to start capture..."),
        QStringLiteral("Please select the directory to save to"),
        {QStringLiteral("Rectangle"), QStringLiteral("Circle"), QStringLiteral("Arrow"),
         QStringLiteral("Brush"), QStringLiteral("Glitter"), QStringLiteral("Mosaic"),
         QStringLiteral("Text"), QStringLiteral("Undo"), QStringLiteral("Save"),
         QStringLiteral("Exit"), QStringLiteral("Finish"), QStringLiteral("Finish")},
    };
    static const LanguageDefaults zh{
        QStringLiteral(" Quillet截图  [") + kWebDomain + QStringLiteral("]"),
        QStringLiteral("Quillet截图_"),
        QStringLiteral("开始截图"),
        QStringLiteral("Quillet截图[") + kWebAddress + QStringLiteral("]"),
        QStringLiteral("请先调整窗口将需要截图的区域显示出来，"),
        QStringLiteral("再点击截图按钮开始截图..."),
        QStringLiteral("请选择要保存到的目录"),
        {QStringLiteral("矩形工具"), QStringLiteral("椭圆工具"), QStringLiteral("箭头工具"),
         QStringLiteral("画刷工具"), QStringLiteral("荧光笔工具"), QStringLiteral("马赛克工具"),
         QStringLiteral("文字工具"), QStringLiteral("撤销"), QStringLiteral("保存"),
         QStringLiteral("结束截图"), QStringLiteral("完成截图"), QStringLiteral("完成")},
    };
    return english ? en : zh;
}

void setInt(const QJsonObject& c, const QString& key, int32_t& field) {
    if (auto v = integerValue(c, key)) field = *v;
}

void setText(const QJsonObject& c, const QString& key, QString& field) {
    if (auto v = textValue(c, key)) field = *v;
}

void setText(const QJsonObject& c, const QString& key, std::optional<QString>& field) {
    if (auto v = textValue(c, key)) field = *v;
}

// Returns whether the toolbar text carried the twelve labels.
bool applyToolbarText(const QString& toolbarText, UiTexts& texts) {
    const QStringList items = toolbarText.split(u'|');
    if (items.size() < 12) return false;
    for (size_t i = 0; i < kToolKeys.size(); ++i) {
        texts.m_dicTooltips[kToolKeys[i]] = items[static_cast<qsizetype>(i)];
    }
    if (items.size() >= 17) {
        texts.prepareButtonText = items[12];
        texts.prepareTitleText = items[13];
        texts.prepareInfoText = items[14];
        texts.prepareInfoText2 = items[15];
        texts.saveFolderPrompt = items[16];
    }
    return true;
}

}  // namespace

void applyCaptureCommand(const QJsonObject& c, CaptureParam& param, UiTexts& texts,
                         std::optional<QString>& resultPath) {
    resultPath = textValue(c, QStringLiteral("DataSavePath"));

    texts.isEnglishUI = integerValue(c, QStringLiteral("Ex")) == 1;
    const LanguageDefaults& defaults = defaultsFor(texts.isEnglishUI);

    setInt(c, QStringLiteral("Pensize"), param.Pensize);
    setInt(c, QStringLiteral("DrawType"), param.DrawType);
    if (auto v = integerValue(c, QStringLiteral("Transparent"))) {
        param.Transparent = static_cast<float>(*v);
    }
    if (auto v = colourValue(c, QStringLiteral("TrackColor"))) {
        param.TrackColor = int2NSColor(static_cast<int32_t>(*v));
    }
    if (auto v = colourValue(c, QStringLiteral("EditBorderColor"))) {
        param.EditBorderColor = int2NSColor(static_cast<int32_t>(*v));
    }

    const auto saveName = textValue(c, QStringLiteral("SetSaveName"));
    const auto logoText = textValue(c, QStringLiteral("SetMagnifierLogoText"));
    const auto toolbarText = textValue(c, QStringLiteral("SetToolbarText"));
    if (saveName) param.SetSaveName = *saveName;
    if (toolbarText) param.SetToolbarText = *toolbarText;
    if (logoText) param.SetMagnifierLogoText = *logoText;
    setText(c, QStringLiteral("SetWatermarkPictureTypeEx"), param.SetWatermarkPictureType);
    setText(c, QStringLiteral("SetWatermarkTextTypeEx"), param.SetWatermarkTextType);

    const bool labelsGiven = toolbarText && applyToolbarText(*toolbarText, texts);
    if (!logoText) param.SetMagnifierLogoText = defaults.magnifierLogo;
    if (!saveName) param.SetSaveName = defaults.saveName;
    if (!labelsGiven) {
        texts.prepareButtonText = defaults.prepareButton;
        texts.prepareTitleText = defaults.prepareTitle;
        texts.prepareInfoText = defaults.prepareInfo;
        texts.prepareInfoText2 = defaults.prepareInfo2;
        texts.saveFolderPrompt = defaults.saveFolderPrompt;
        for (size_t i = 0; i < kToolKeys.size(); ++i) {
            texts.m_dicTooltips[kToolKeys[i]] = defaults.labels[i];
        }
    }

    setText(c, QStringLiteral("SetWatermarkPicturePath"), param.SetWatermarkPicturePath);
    setText(c, QStringLiteral("SetWatermarkTextValue"), param.SetWatermarkTextValue);
    setText(c, QStringLiteral("MoreInfo"), param.MoreInfo);
    setText(c, QStringLiteral("DefaultPath"), param.strDefaultPath);

    setInt(c, QStringLiteral("MosaicType"), param.nMosaicType);
    setInt(c, QStringLiteral("AutoCaptureFlag"), param.autoCaptureFlag);
    setInt(c, QStringLiteral("HideCurrentWindow"), param.hideCurrentWindow);
    setInt(c, QStringLiteral("x"), param.xPos);
    setInt(c, QStringLiteral("y"), param.yPos);
    setInt(c, QStringLiteral("Width"), param.nWidth);
    setInt(c, QStringLiteral("Height"), param.nHeight);
}

void takePermissionTexts(const QJsonObject& c, PermissionTexts& texts) {
    setText(c, QStringLiteral("PriviledgeOK"), texts.permissionOKText);
    setText(c, QStringLiteral("PriviledgeCancel"), texts.permissionCancelText);
    setText(c, QStringLiteral("PriviledgeTitle"), texts.permissionTitleText);
    setText(c, QStringLiteral("PriviledgeInfo"), texts.permissionInfoText);
    texts.permissionInfoGiven = textValue(c, QStringLiteral("PriviledgeInfo")).has_value();
}

LaunchRequest launchRequestFrom(const QJsonObject& command, uint64_t launchTimeMs) {
    LaunchRequest request;
    request.cmdType = integerValue(command, QStringLiteral("CmdType")).value_or(0);
    applyCaptureCommand(command, request.param, request.texts, request.resultPath);
    request.autoCaptureFlag = request.param.autoCaptureFlag;
    takePermissionTexts(command, request.texts.permission);
    request.launchTimeMs = launchTimeMs;
    return request;
}
