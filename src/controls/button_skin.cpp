#include "controls/button_skin.h"

SkinLayers specialButtonLayers(SpecialButtonFlags flags, SpecialButtonArt art) {
    // The disabled image replaces everything; without one a disabled button looks enabled.
    if (flags.disabled && art.disabledFore) {
        return {false, SkinBackground::None, SkinForeground::Disabled};
    }
    SkinLayers layers;
    layers.fill = art.fill;
    // A selected button never falls back to the hover background.
    if (flags.selected) {
        if (art.pushBack) layers.background = SkinBackground::Push;
    } else if (flags.hover && art.hoverBack) {
        layers.background = SkinBackground::Hover;
    }
    const bool lit = flags.hover || flags.selected;
    if (lit && art.hoverFore) {
        layers.foreground = SkinForeground::HoverFore;
    } else if (art.fore) {
        layers.foreground = SkinForeground::Fore;
    }
    return layers;
}

Color colorButtonOutline(bool hover) {
    if (hover) return {115 / 255.0, 174 / 255.0, 231 / 255.0, 1};
    return {181 / 255.0, 199 / 255.0, 206 / 255.0, 1};
}
