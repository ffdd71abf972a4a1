#pragma once
// What the two strips beside the selection hold: the toolbar (tools, undo, save, exit,
// finish) and the colour and size bar (pen sizes or font sizes, swatches, logo). One row per
// control; the strips are built from these tables by one loop.

#include <QString>
#include <array>
#include <optional>
#include <vector>

#include "annotate/pen_size.h"
#include "platform/color.h"
#include "platform/geometry.h"

inline constexpr double kToolbarWidth = 384;
inline constexpr double kToolbarHeight = 36;
inline constexpr double kColorbarWidth = 312;
inline constexpr double kColorbarHeight = 36;
// The logo's x without and with the swatches; the mosaic tool's bar ends 40 points after it.
inline constexpr float shortStartPos = 95;
inline constexpr float fullStartPos = 280;

// What a control does when it is clicked.
enum class StripAction {
    None,
    onRect,
    onEllipse,
    onArrow,
    onBrush,
    onGlitter,
    onMosaic,
    onText,
    onUndo,
    onSave,
    onCancel,
    onOK,
    onLittle,
    onMid,
    onBig,
    onChangeColorEx,
    handlePopBtn,
};

// The pen size a size button picks; nothing for the other actions.
constexpr std::optional<PenSize> penSizeOf(StripAction action) {
    switch (action) {
        case StripAction::onLittle:
            return PenSize::Little;
        case StripAction::onMid:
            return PenSize::Mid;
        case StripAction::onBig:
            return PenSize::Big;
        default:
            return std::nullopt;
    }
}

enum class StripControl {
    ImageButton,  // SpecialNSButton
    PopUp,        // NSMyPopUpButton, the font sizes
    ColorWell,    // NSColorButton, the hidden holder of the current colour
};

struct StripItem {
    QString member;  // the control's name, for tests and logs
    StripControl control = StripControl::ImageButton;
    Rect frame;  // in the strip, points, origin bottom-left
    QString fore;
    Rect foreSrc;
    Rect foreDst;
    QString foreHover;
    QString disabledImage;
    QString hoverAndPush;  // background while hovered or selected
    Rect backSrc;
    Rect backDst;
    bool drawnDisabled = false;  // separators and the logo
    StripAction action = StripAction::None;
    QString tooltipKey;  // key of the tooltip table, if the control has a tooltip
    int tag = -1;        // swatches: the colour index
};

const std::vector<StripItem>& toolbarItems();
const std::vector<StripItem>& colorbarItems();

struct Swatch {
    Color color;
    QString image;
};
inline constexpr int kSwatchCount = 7;
const std::array<Swatch, kSwatchCount>& palette();

// The font-size pull-down's items. The two twelve-point titles differ in their trailing blanks
// only, so that they stay two items.
struct FontSizeItem {
    const char* title;
    int points;
};
inline constexpr std::array<FontSizeItem, 10> kFontSizes{{{"12pt ", 12},
                                                          {"12pt  ", 12},
                                                          {"14pt", 14},
                                                          {"16pt", 16},
                                                          {"18pt", 18},
                                                          {"20pt", 20},
                                                          {"24pt", 24},
                                                          {"30pt", 30},
                                                          {"36pt", 36},
                                                          {"48pt", 48}}};
// The size a text gets before one is chosen, and the pull-down's title until then.
inline constexpr int kDefaultTextPoints = 16;
