#include "controls/button_skin.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using B = SkinBackground;
using F = SkinForeground;

}  // namespace

void PrintTo(const SkinLayers& l, std::ostream* os) {
    *os << "{fill " << l.fill << ", background " << int(l.background) << ", foreground "
        << int(l.foreground) << "}";
}

namespace {

constexpr SpecialButtonArt kAllArt{true, true, true, true, true, true};
// A toolbar tool: fore and hover fore, nothing else.
constexpr SpecialButtonArt kTool{true, true, false, false, false, false};
// The undo button: a tool with a disabled image.
constexpr SpecialButtonArt kUndo{true, true, true, false, false, false};
// A swatch: fill, colour patch, "color_selected" as hover and push background.
constexpr SpecialButtonArt kSwatch{true, false, false, true, true, true};

struct Row {
    const char* what;
    SpecialButtonFlags flags;  // disabled, selected, hover
    SpecialButtonArt art;
    SkinLayers expected;  // fill, background, foreground
};

const Row kRows[] = {
    // State table, row 1: disabled with a disabled image shows only that image.
    {"disabled idle", {true, false, false}, kAllArt, {false, B::None, F::Disabled}},
    {"disabled selected hovered", {true, true, true}, kAllArt, {false, B::None, F::Disabled}},
    {"undo disabled while hovered", {true, false, true}, kUndo, {false, B::None, F::Disabled}},
    // Without a disabled image a disabled button draws like an enabled one.
    {"disabled, no disabled image, hovered",
     {true, false, true},
     kSwatch,
     {true, B::Hover, F::Fore}},
    {"disabled tool, no disabled image", {true, false, false}, kTool, {false, B::None, F::Fore}},
    // Row 2: selected: push background, hover foreground.
    {"selected", {false, true, false}, kAllArt, {true, B::Push, F::HoverFore}},
    {"selected and hovered", {false, true, true}, kAllArt, {true, B::Push, F::HoverFore}},
    {"selected, no push image: no background, never the hover one",
     {false, true, true},
     {true, true, false, true, false, true},
     {true, B::None, F::HoverFore}},
    {"selected tool away from the mouse shows the hover fore",
     {false, true, false},
     kTool,
     {false, B::None, F::HoverFore}},
    {"selected without hover fore keeps the fore",
     {false, true, false},
     kSwatch,
     {true, B::Push, F::Fore}},
    // Row 3: hovered.
    {"hovered", {false, false, true}, kAllArt, {true, B::Hover, F::HoverFore}},
    {"hovered, no hover image", {false, false, true}, kTool, {false, B::None, F::HoverFore}},
    {"hovered swatch shows the ring", {false, false, true}, kSwatch, {true, B::Hover, F::Fore}},
    // Row 4: idle.
    {"idle", {false, false, false}, kAllArt, {true, B::None, F::Fore}},
    {"idle swatch: fill and patch", {false, false, false}, kSwatch, {true, B::None, F::Fore}},
    {"idle without fill", {false, false, false}, kTool, {false, B::None, F::Fore}},
    // Nil images draw nothing.
    {"no images at all", {false, true, true}, {}, {false, B::None, F::None}},
    {"only a hover fore, idle",
     {false, false, false},
     {false, true, false, false, false, false},
     {false, B::None, F::None}},
    {"only a hover fore, hovered",
     {false, false, true},
     {false, true, false, false, false, false},
     {false, B::None, F::HoverFore}},
};

TEST(SpecialButtonLayers, StateTable) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.what);
        const SkinLayers got = specialButtonLayers(row.flags, row.art);
        EXPECT_EQ(got.fill, row.expected.fill);
        EXPECT_EQ(got.background, row.expected.background);
        EXPECT_EQ(got.foreground, row.expected.foreground);
    }
}

// Every combination of the three flags and the six pieces of art.
template <typename Check>
void forEveryCombination(Check check) {
    for (int bits = 0; bits < (1 << 9); ++bits) {
        const auto bit = [bits](int i) { return (bits >> i & 1) != 0; };
        const SpecialButtonFlags flags{bit(0), bit(1), bit(2)};
        const SpecialButtonArt art{bit(3), bit(4), bit(5), bit(6), bit(7), bit(8)};
        check(flags, art);
    }
}

TEST(SpecialButtonLayers, DisabledImageHidesEverythingElseInEveryState) {
    forEveryCombination([](SpecialButtonFlags flags, SpecialButtonArt art) {
        if (!flags.disabled || !art.disabledFore) return;
        EXPECT_EQ(specialButtonLayers(flags, art), (SkinLayers{false, B::None, F::Disabled}));
    });
}

TEST(SpecialButtonLayers, EnabledStatesFollowTheirArtAndNeverShowTheDisabledImage) {
    forEveryCombination([](SpecialButtonFlags flags, SpecialButtonArt art) {
        if (flags.disabled && art.disabledFore) return;
        const SkinLayers got = specialButtonLayers(flags, art);
        // The disabled flag alone changes nothing.
        SpecialButtonFlags enabled = flags;
        enabled.disabled = false;
        EXPECT_EQ(got, specialButtonLayers(enabled, art));
        EXPECT_NE(got.foreground, F::Disabled);
        EXPECT_EQ(got.fill, art.fill);
        EXPECT_FALSE(flags.selected && got.background == B::Hover);
        EXPECT_TRUE(got.background != B::Push || (art.pushBack && flags.selected));
        EXPECT_TRUE(got.background != B::Hover || (art.hoverBack && flags.hover));
        EXPECT_TRUE(got.foreground != F::None || !art.fore);
    });
}

TEST(ColorButtonOutline, HoverAndIdleColours) {
    const struct {
        bool hover;
        int r, g, b;
    } rows[] = {{true, 115, 174, 231}, {false, 181, 199, 206}};
    for (const auto& row : rows) {
        const Color c = colorButtonOutline(row.hover);
        EXPECT_EQ(std::lround(c.red * 255), row.r) << row.hover;
        EXPECT_EQ(std::lround(c.green * 255), row.g) << row.hover;
        EXPECT_EQ(std::lround(c.blue * 255), row.b) << row.hover;
        EXPECT_EQ(c.alpha, 1);
    }
}

}  // namespace
