#include "controls/strip_items.h"

#include "controls/tool_table.h"
#include "model/ui_texts.h"

namespace {

constexpr Rect kIcon{0, 0, 16, 16};
constexpr Rect kSplit{0, 0, 1, 12};

StripItem toolButton(const char* member, double x, const char* image, StripAction action,
                     const QString& tooltipKey) {
    StripItem item;
    item.member = QString::fromLatin1(member);
    item.frame = {x, 10, 16, 16};
    item.fore = QString::fromLatin1(image);
    item.foreSrc = item.foreDst = kIcon;
    item.foreHover = item.fore + QStringLiteral("_h");
    item.action = action;
    item.tooltipKey = tooltipKey;
    return item;
}

// The toolbar's separator stands at y 10 like its buttons, the colour bar's at y 12.
StripItem separator(const char* member, double x, double y) {
    StripItem item;
    item.member = QString::fromLatin1(member);
    item.frame = {x, y, 1, 12};
    item.fore = QStringLiteral("split");
    item.foreSrc = item.foreDst = kSplit;
    item.drawnDisabled = true;
    return item;
}

StripItem sizeButton(const char* member, Rect frame, const char* image, Rect src, Rect dst,
                     StripAction action) {
    StripItem item;
    item.member = QString::fromLatin1(member);
    item.frame = frame;
    item.fore = QString::fromLatin1(image);
    item.foreSrc = src;
    item.foreDst = dst;
    item.foreHover = item.fore + QStringLiteral("_h");
    item.action = action;
    return item;
}

Color rgb(int r, int g, int b) {
    return {r / 255.0, g / 255.0, b / 255.0, 1};
}

}  // namespace

const std::vector<StripItem>& toolbarItems() {
    static const std::vector<StripItem> items = [] {
        using A = StripAction;
        std::vector<StripItem> v;
        // The tools 32 points apart from x 16, then the separator and the four commands.
        double x = 16;
        for (const ToolEntry& tool : kTools) {
            v.push_back(
                toolButton(tool.member, x, tool.artwork, tool.action, kToolKeys[tool.tooltipKey]));
            x += 32;
        }
        v.push_back(separator("splitLine", 240, 10));
        v.push_back(toolButton("undoButton", 257, "Undo", A::onUndo, kToolKeys[7]));
        v.push_back(toolButton("saveButton", 289, "Save", A::onSave, kToolKeys[8]));
        v.push_back(toolButton("cancelButton", 321, "Exit", A::onCancel, kToolKeys[9]));
        v.push_back(toolButton("okButton", 353, "Finish", A::onOK, kToolKeys[10]));
        v[8].disabledImage = QStringLiteral("Undo_disable");
        return v;
    }();
    return items;
}

const std::array<Swatch, kSwatchCount>& palette() {
    static const std::array<Swatch, kSwatchCount> colors = {{
        {rgb(255, 0, 0), QStringLiteral("red")},
        {rgb(255, 218, 0), QStringLiteral("yellow")},
        {rgb(17, 129, 254), QStringLiteral("blue")},
        {rgb(29, 172, 29), QStringLiteral("green")},
        {rgb(0, 0, 0), QStringLiteral("black")},
        {rgb(109, 109, 109), QStringLiteral("gray")},
        {rgb(255, 255, 255), QStringLiteral("white")},
    }};
    return colors;
}

const std::vector<StripItem>& colorbarItems() {
    static const std::vector<StripItem> items = [] {
        using A = StripAction;
        std::vector<StripItem> v = {
            sizeButton("littleButton", {14, 13, 10, 10}, "pointsmall", {0, 0, 6, 6}, {2, 2, 6, 6},
                       A::onLittle),
            sizeButton("midButton", {34, 13, 10, 10}, "pointmiddle", {0, 0, 10, 10}, {0, 0, 10, 10},
                       A::onMid),
            sizeButton("bigButton", {54, 11, 14, 14}, "point_big", {0, 0, 14, 14}, {0, 0, 14, 14},
                       A::onBig),
        };
        StripItem popUp;
        popUp.member = QStringLiteral("txtSizeButton");
        popUp.control = StripControl::PopUp;
        popUp.frame = {16, 9, 54, 18};
        popUp.action = A::handlePopBtn;
        v.push_back(popUp);
        v.push_back(separator("splitLine2", 86, 12));
        StripItem well;
        well.member = QStringLiteral("currentColorView");
        well.control = StripControl::ColorWell;
        well.frame = {86, 5, 29, 29};
        well.drawnDisabled = true;
        v.push_back(well);
        for (int tag = 0; tag < kSwatchCount; ++tag) {
            StripItem swatch;
            swatch.member = QStringLiteral("swatch%1").arg(tag);
            swatch.frame = {shortStartPos + 24.0 * tag, 10, 16, 16};
            swatch.fore = palette()[tag].image;
            swatch.foreSrc = {0, 0, 12, 12};
            swatch.foreDst = {2, 2, 12, 12};
            swatch.hoverAndPush = QStringLiteral("color_selected");
            swatch.backSrc = swatch.backDst = kIcon;
            swatch.action = A::onChangeColorEx;
            swatch.tag = tag;
            v.push_back(swatch);
        }
        v.push_back(separator("splitLine3", 271, 12));
        StripItem logo;
        logo.member = QStringLiteral("logoBtn");
        logo.frame = {fullStartPos, 6, 24, 24};
        logo.fore = QStringLiteral("logo");
        logo.foreSrc = logo.foreDst = {0, 0, 24, 24};
        logo.drawnDisabled = true;
        v.push_back(logo);
        return v;
    }();
    return items;
}
