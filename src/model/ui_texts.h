#pragma once
// Process-wide texts of the user interface: the language, the tool labels, the prepare
// window's and save panel's texts, and the screen-recording prompt.

#include <QMap>
#include <QString>
#include <array>

inline const QString kWebAddress = QStringLiteral("www.quillet.test");
inline const QString kWebDomain = QStringLiteral("quillet.test");

// The twelve tool keys, in the order the toolbar text lists their labels.
inline const std::array<QString, 12> kToolKeys = {
    QStringLiteral("rectangle"), QStringLiteral("circle"),  QStringLiteral("arrow"),
    QStringLiteral("brush"),     QStringLiteral("glitter"), QStringLiteral("mosaic"),
    QStringLiteral("text"),      QStringLiteral("undo"),    QStringLiteral("save"),
    QStringLiteral("exit"),      QStringLiteral("finish"),  QStringLiteral("finish_text"),
};

struct PermissionTexts {
    QString permissionOKText = QStringLiteral("确定");
    QString permissionCancelText = QStringLiteral("取消");
    QString permissionTitleText = QStringLiteral("打开截图权限");
    QString permissionInfoText = QStringLiteral(
        "由于macOS 10.15系统要求，请在\"系统偏好设置-安全性与隐私-屏幕录制\"勾选QuilletCapture");
    // Whether the host gave the informative text: the default above describes another system,
    // so where it did not, the desktop's own explanation stands in for it.
    bool permissionInfoGiven = false;
};

struct UiTexts {
    bool isEnglishUI = false;
    QMap<QString, QString> m_dicTooltips;
    QString prepareButtonText = QStringLiteral("开始截图");
    QString prepareTitleText = QStringLiteral("Quillet截图[") + kWebAddress + QStringLiteral("]");
    QString prepareInfoText = QStringLiteral("请先调整窗口将需要截图的区域显示出来，");
    QString prepareInfoText2 = QStringLiteral("再点击截图按钮开始截图...");
    QString saveFolderPrompt = QStringLiteral("请选择要保存到的目录");
    PermissionTexts permission;

    static QString windowTitleText() { return QStringLiteral("Tovaro截图"); }
    static QString logoToolTipText() { return QStringLiteral("Tovaro截图-") + kWebAddress; }
};

// The title the prepare window shows, whatever the language.
inline QString preWindowTitleString() {
    return UiTexts::windowTitleText();
}
