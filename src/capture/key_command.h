#pragma once
// What a key press does in the capture window. Ctrl stands in for Command: Ctrl+Z undoes.

#include <Qt>

#include "capture/capture_state.h"

enum class KeyAction {
    Default,  // the widget's default key handling
    Swallow,  // nothing, and the key is not passed on
    Undo,
    Finish,
    Cancel,
    UpdateCursor,  // Shift in the mosaic tool: the cursor shows the brush
};

struct KeyInputs {
    int key = 0;  // Qt::Key
    Qt::KeyboardModifiers modifiers;
    bool textViewVisible = false;
    bool savePanelOpen = false;
    CaptureState captureState = CAPTURE_STATE_IDLE;
};

KeyAction keyDownAction(const KeyInputs& in);
KeyAction keyUpAction(const KeyInputs& in);
