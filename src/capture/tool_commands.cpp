#include "capture/tool_commands.h"

using enum CaptureState;

namespace {

constexpr ToolCommand kCommands[] = {
    {StripAction::onText, CAPTURE_STATE_TEXT, "onText", false},
    {StripAction::onGlitter, CAPTURE_STATE_GLITTER, "onGlitter", false},
    {StripAction::onBrush, CAPTURE_STATE_BRUSH, "onBrush", false},
    {StripAction::onMosaic, CAPTURE_STATE_MOSAIC, "onMosaic", true},
    {StripAction::onArrow, CAPTURE_STATE_ARROW, "onArrow", false},
    {StripAction::onEllipse, CAPTURE_STATE_ELLIPSE, nullptr, false},
    {StripAction::onRect, CAPTURE_STATE_RECT, nullptr, false},
};

}  // namespace

const ToolCommand* toolCommand(StripAction action) {
    for (const ToolCommand& c : kCommands) {
        if (c.action == action) return &c;
    }
    return nullptr;
}

ToolType toolTypeFor(CaptureState state) {
    switch (state) {
        case CAPTURE_STATE_RECT:
            return ToolType::ToolRect;
        case CAPTURE_STATE_ELLIPSE:
            return ToolType::ToolEllipse;
        case CAPTURE_STATE_ARROW:
            return ToolType::ToolArrow;
        case CAPTURE_STATE_BRUSH:
            return ToolType::ToolBrush;
        case CAPTURE_STATE_GLITTER:
            return ToolType::ToolGlitter;
        case CAPTURE_STATE_MOSAIC:
            return ToolType::ToolMosaic;
        case CAPTURE_STATE_TEXT:
            return ToolType::ToolText;
        default:
            return ToolType::ToolNone;
    }
}
