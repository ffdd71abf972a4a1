#pragma once
// The seven annotation tools, one row each, in toolbar order: everything that tells one tool
// from another. The toolbar's buttons, the tool commands, the shape each tool draws and its
// tooltip key are all read from here; a new tool is a row (and its artwork).

#include <array>
#include <optional>

#include "annotate/draw_shape.h"
#include "controls/strip_items.h"
#include "model/capture_state.h"

struct ToolEntry {
    StripAction action;
    CaptureState state;   // the capture state the tool puts the capture in
    ToolType shape;       // the kind of shape it draws
    const char* member;   // its toolbar button, for tests and logs
    const char* artwork;  // the button's image; "<artwork>_h" while hovered
    int tooltipKey;       // index into kToolKeys
    const char* logLine;  // logged when chosen; nullptr: nothing
};

inline constexpr std::array<ToolEntry, 7> kTools = {{
    {StripAction::onRect, CaptureState::CAPTURE_STATE_RECT, ToolType::ToolRect, "rectButton",
     "Rectangle", 0, nullptr},
    {StripAction::onEllipse, CaptureState::CAPTURE_STATE_ELLIPSE, ToolType::ToolEllipse,
     "ellipseButton", "Circle", 1, nullptr},
    {StripAction::onArrow, CaptureState::CAPTURE_STATE_ARROW, ToolType::ToolArrow, "arrowButton",
     "Arrow", 2, "onArrow"},
    {StripAction::onBrush, CaptureState::CAPTURE_STATE_BRUSH, ToolType::ToolBrush, "brushButton",
     "Brush", 3, "onBrush"},
    {StripAction::onGlitter, CaptureState::CAPTURE_STATE_GLITTER, ToolType::ToolGlitter,
     "glitterButton", "glitter", 4, "onGlitter"},
    {StripAction::onMosaic, CaptureState::CAPTURE_STATE_MOSAIC, ToolType::ToolMosaic,
     "mosaicButton", "mosaic", 5, "onMosaic"},
    {StripAction::onText, CaptureState::CAPTURE_STATE_TEXT, ToolType::ToolText, "textButton",
     "Text", 6, "onText"},
}};

constexpr const ToolEntry* toolForAction(StripAction action) {
    for (const ToolEntry& tool : kTools) {
        if (tool.action == action) return &tool;
    }
    return nullptr;
}

constexpr const ToolEntry* toolForState(CaptureState state) {
    for (const ToolEntry& tool : kTools) {
        if (tool.state == state) return &tool;
    }
    return nullptr;
}
