#pragma once
// What a key press does in the capture window. Ctrl stands in for Command: Ctrl+Z undoes.

#include <Qt>

#include "model/capture_state.h"
#include "platform/geometry.h"

enum class KeyAction {
    Default,  // the widget's default key handling
    Swallow,  // nothing, and the key is not passed on
    Undo,
    Redo,  // Ctrl+Shift+Z or Ctrl+Y
    Finish,
    Cancel,
    UpdateCursor,  // Shift in the mosaic tool: the cursor shows the brush
    Nudge,         // an arrow key moves the selection while no tool is chosen
    NudgeShape,    // an arrow key moves the selected shape, whatever tool is chosen
    DeleteShape,   // Delete or Backspace removes the selected shape
};

struct KeyInputs {
    int key = 0;  // Qt::Key
    Qt::KeyboardModifiers modifiers;
    bool textViewVisible = false;
    bool savePanelOpen = false;
    CaptureState captureState = CaptureState::CAPTURE_STATE_IDLE;
    bool shapeSelected = false;
};

KeyAction keyDownAction(const KeyInputs& in);
// How far a Nudge or NudgeShape moves, in points: 1, or 10 with Shift.
Point nudgeOffset(const KeyInputs& in);
KeyAction keyUpAction(const KeyInputs& in);
