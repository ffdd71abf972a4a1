#include "model/capture_command.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <limits>

namespace {

QJsonObject obj(const char* text) {
    return QJsonDocument::fromJson(text).object();
}

struct Applied {
    CaptureParam param = CaptureParam::initDefaultValue();
    UiTexts texts;
    std::optional<QString> resultPath = QStringLiteral("previous");
};

Applied apply(const char* command) {
    Applied a;
    applyCaptureCommand(obj(command), a.param, a.texts, a.resultPath);
    return a;
}

QString toolbar(int items) {
    QStringList parts;
    for (int i = 0; i < items; ++i) parts << QStringLiteral("t%1").arg(i);
    return parts.join(u'|');
}

Applied applyToolbar(int items, bool english) {
    QJsonObject c{{"SetToolbarText", toolbar(items)}};
    if (english) c.insert("Ex", 1);
    Applied a;
    applyCaptureCommand(c, a.param, a.texts, a.resultPath);
    return a;
}

TEST(CaptureCommand, LanguageSelection) {
    struct Row {
        const char* command;
        bool english;
    };
    const Row rows[] = {
        {R"({"Ex": 1})", true},     {R"({"Ex": "1"})", true}, {R"({"Ex": 1.9})", true},
        {R"({"Ex": true})", true},  {R"({"Ex": 2})", false},  {R"({"Ex": "one"})", false},
        {R"({"Ex": null})", false}, {R"({})", false},
    };
    for (const Row& row : rows) {
        const Applied a = apply(row.command);
        EXPECT_EQ(a.texts.isEnglishUI, row.english) << row.command;
        EXPECT_EQ(a.texts.m_dicTooltips.value("rectangle"), row.english ? "Rectangle" : "矩形工具")
            << row.command;
        EXPECT_EQ(a.param.SetSaveName, row.english ? "Tovaro_" : "Quillet截图_") << row.command;
    }
}

TEST(CaptureCommand, DefaultsOfAnEmptyCommand) {
    const Applied a = apply(R"({"x": 10})");
    EXPECT_EQ(a.param.xPos, 10);
    EXPECT_EQ(a.param.yPos, 0);
    EXPECT_EQ(a.param.Transparent, 255.0f);
    EXPECT_EQ(a.param.nMosaicType, 1);
    EXPECT_EQ(a.param.TrackColor, (Color{1, 0, 0, 1}));
    EXPECT_EQ(a.param.EditBorderColor, (Color{0, 0, 1, 0.2}));
    EXPECT_FALSE(a.resultPath) << "a command without DataSavePath clears the result path";
    EXPECT_EQ(a.param.SetMagnifierLogoText, " Quillet截图  [quillet.test]");
    EXPECT_EQ(a.texts.prepareButtonText, "开始截图");
    EXPECT_EQ(a.texts.prepareTitleText, "Quillet截图[www.quillet.test]");
    EXPECT_EQ(a.texts.saveFolderPrompt, "请选择要保存到的目录");
    ASSERT_EQ(a.texts.m_dicTooltips.size(), 12);
    EXPECT_EQ(a.texts.m_dicTooltips.value("finish_text"), "完成");
    EXPECT_EQ(a.texts.m_dicTooltips.value("glitter"), "荧光笔工具");
    EXPECT_FALSE(a.param.SetToolbarText);
}

TEST(CaptureCommand, EnglishDefaultTexts) {
    const Applied a = apply(R"({"Ex": 1})");
    EXPECT_EQ(a.param.SetMagnifierLogoText, "Tovaro-quillet.test");
    EXPECT_EQ(a.texts.prepareTitleText, "Tovaro[www.quillet.test]");
    EXPECT_EQ(a.texts.prepareInfoText2, "then click the button to start capture...");
    EXPECT_EQ(a.texts.m_dicTooltips.value("exit"), "Exit");
    EXPECT_EQ(a.texts.m_dicTooltips.value("finish_text"), "Finish");
}

TEST(CaptureCommand, ToolbarTextItemCounts) {
    {  // 11 items: stored, but every label and text takes the language default
        const Applied a = applyToolbar(11, false);
        EXPECT_EQ(a.param.SetToolbarText, toolbar(11));
        EXPECT_EQ(a.texts.m_dicTooltips.value("rectangle"), "矩形工具");
    }
    {  // 12 items: labels only; the five texts keep their initial Chinese values even in English
        const Applied a = applyToolbar(12, true);
        EXPECT_EQ(a.texts.m_dicTooltips.value("rectangle"), "t0");
        EXPECT_EQ(a.texts.m_dicTooltips.value("finish_text"), "t11");
        EXPECT_EQ(a.texts.prepareButtonText, "开始截图");
        EXPECT_EQ(a.texts.saveFolderPrompt, "请选择要保存到的目录");
    }
    {  // 20 items: items 12 to 16 are the five texts, the rest is ignored
        const Applied a = applyToolbar(20, false);
        EXPECT_EQ(a.texts.prepareButtonText, "t12");
        EXPECT_EQ(a.texts.prepareTitleText, "t13");
        EXPECT_EQ(a.texts.prepareInfoText, "t14");
        EXPECT_EQ(a.texts.prepareInfoText2, "t15");
        EXPECT_EQ(a.texts.saveFolderPrompt, "t16");
    }
    {  // two bars in a row give an empty item
        const Applied a = apply(R"({"SetToolbarText": "a||c|d|e|f|g|h|i|j|k|l"})");
        EXPECT_EQ(a.texts.m_dicTooltips.value("rectangle"), "a");
        EXPECT_EQ(a.texts.m_dicTooltips.value("circle"), "");
        EXPECT_EQ(a.texts.m_dicTooltips.value("arrow"), "c");
    }
}

TEST(CaptureCommand, ColoursAndNumbers) {
    EXPECT_EQ(apply(R"({"TrackColor": 255})").param.TrackColor, (Color{1, 0, 0, 1}));
    EXPECT_EQ(apply(R"({"TrackColor": "65280"})").param.TrackColor, (Color{0, 1, 0, 1}));
    EXPECT_EQ(apply(R"({"TrackColor": "0xFF00"})").param.TrackColor, (Color{0, 0, 0, 1}));
    EXPECT_EQ(apply(R"({"EditBorderColor": -1})").param.EditBorderColor, (Color{1, 1, 1, 1}));
    {  // unsigned colour numbers keep their colour; other integers still clamp
        const Applied a = apply(R"({"TrackColor": 4278190335, "EditBorderColor": "4294967040",
                                    "Width": 4278190335})");
        EXPECT_EQ(a.param.TrackColor, (Color{1, 0, 0, 1}));
        EXPECT_EQ(a.param.EditBorderColor, (Color{0, 1, 1, 1}));
        EXPECT_EQ(a.param.nWidth, std::numeric_limits<int32_t>::max());
    }
    EXPECT_EQ(apply(R"({"Transparent": "200"})").param.Transparent, 200.0f);
    EXPECT_EQ(apply(R"({"Transparent": "abc"})").param.Transparent, 0.0f);
    EXPECT_EQ(apply(R"({"Transparent": 100.7})").param.Transparent, 100.0f);
    EXPECT_EQ(apply(R"({"Transparent": null})").param.Transparent, 255.0f);

    const Applied a = apply(
        R"({"Pensize": 2, "DrawType": 1, "MosaicType": 3, "AutoCaptureFlag": 13,
            "HideCurrentWindow": 1, "x": "5", "y": 6.5, "Width": 7, "Height": [8]})");
    EXPECT_EQ(a.param.Pensize, 2);
    EXPECT_EQ(a.param.DrawType, 1);
    EXPECT_EQ(a.param.nMosaicType, 3);
    EXPECT_EQ(a.param.autoCaptureFlag, 13);
    EXPECT_EQ(a.param.hideCurrentWindow, 1);
    EXPECT_EQ(a.param.xPos, 5);
    EXPECT_EQ(a.param.yPos, 6);
    EXPECT_EQ(a.param.nWidth, 7);
    EXPECT_EQ(a.param.nHeight, 0) << "an array counts as absent";
}

TEST(CaptureCommand, StoredTexts) {
    const Applied a = apply(
        R"({"SetSaveName": "", "SetMagnifierLogoText": "", "DataSavePath": "/tmp/r.json",
            "SetWatermarkPictureTypeEx": "p", "SetWatermarkTextTypeEx": "t",
            "SetWatermarkPicturePath": "pp", "SetWatermarkTextValue": "tv",
            "MoreInfo": "m", "DefaultPath": "/home", "SetSaveName2": "ignored"})");
    EXPECT_EQ(a.param.SetSaveName, "") << "an empty prefix is kept";
    EXPECT_EQ(a.param.SetMagnifierLogoText, "");
    EXPECT_EQ(a.resultPath, "/tmp/r.json");
    EXPECT_EQ(a.param.SetWatermarkPictureType, "p");
    EXPECT_EQ(a.param.SetWatermarkTextType, "t");
    EXPECT_EQ(a.param.SetWatermarkPicturePath, "pp");
    EXPECT_EQ(a.param.SetWatermarkTextValue, "tv");
    EXPECT_EQ(a.param.MoreInfo, "m");
    EXPECT_EQ(a.param.strDefaultPath, "/home");

    EXPECT_FALSE(apply(R"({"DataSavePath": 5})").resultPath) << "a number is not a path";
    EXPECT_EQ(apply(R"({"SetSaveName": 5})").param.SetSaveName, "Quillet截图_");
}

TEST(CaptureCommand, ColourIntegers) {
    EXPECT_EQ(int2NSColor(0xFF), (Color{1, 0, 0, 1}));
    EXPECT_EQ(int2NSColor(0xFF00), (Color{0, 1, 0, 1}));
    EXPECT_EQ(int2NSColor(0xFF0000), (Color{0, 0, 1, 1}));
    EXPECT_EQ(int2NSColor(0x7F000000), (Color{0, 0, 0, 1})) << "the top byte is ignored";
    EXPECT_EQ(int2NSColor(-1), (Color{1, 1, 1, 1}));
    EXPECT_DOUBLE_EQ(int2NSColor(0x80).red, 128.0 / 255.0);
}

TEST(CaptureCommand, PermissionTexts) {
    PermissionTexts texts;
    takePermissionTexts(obj(R"({"PriviledgeTitle": "Allow", "PriviledgeOK": null})"), texts);
    EXPECT_EQ(texts.permissionTitleText, "Allow");
    EXPECT_EQ(texts.permissionOKText, "确定");
    EXPECT_EQ(texts.permissionCancelText, "取消");
    EXPECT_TRUE(texts.permissionInfoText.contains("\"系统偏好设置-安全性与隐私-屏幕录制\""));
}

}  // namespace
