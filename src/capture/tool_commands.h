#pragma once
// The seven tool commands of the toolbar: the state each one enters, its log line, whether
// it is the mosaic tool (which has no colours), and the kind of shape it draws.

#include "annotate/draw_shape.h"
#include "capture/capture_state.h"
#include "controls/strip_items.h"

struct ToolCommand {
    StripAction action;
    CaptureState state;
    const char* logLine;  // nullptr: the command logs nothing
    bool forMosaic;
};

// The command for a toolbar action, or nullptr when the action is not a tool.
const ToolCommand* toolCommand(StripAction action);

// The kind of shape a tool state draws; ToolNone outside the tool states.
ToolType toolTypeFor(CaptureState state);
