#pragma once
// What the skinned buttons draw, decided without painting: SpecialNSButton's layers from its
// state flags and the images it holds, and NSColorButton's outline colour. The widgets only
// carry these decisions out.

#include "platform/color.h"

// Which of SpecialNSButton's images and colours are set.
struct SpecialButtonArt {
    bool fore = false;
    bool hoverFore = false;
    bool disabledFore = false;
    bool hoverBack = false;
    bool pushBack = false;
    bool fill = false;
};

struct SpecialButtonFlags {
    bool disabled = false;
    bool selected = false;
    bool hover = false;
};

enum class SkinBackground { None, Hover, Push };
enum class SkinForeground { None, Fore, HoverFore, Disabled };

// Layers in drawing order: the fill under the background under the foreground.
struct SkinLayers {
    bool fill = false;
    SkinBackground background = SkinBackground::None;
    SkinForeground foreground = SkinForeground::None;
    friend bool operator==(const SkinLayers&, const SkinLayers&) = default;
};

SkinLayers specialButtonLayers(SpecialButtonFlags flags, SpecialButtonArt art);

// NSColorButton's outline: RGB (115, 174, 231) while hovered, RGB (181, 199, 206) otherwise.
Color colorButtonOutline(bool hover);
