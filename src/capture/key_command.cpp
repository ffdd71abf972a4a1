#include "capture/key_command.h"

KeyAction keyDownAction(const KeyInputs& in) {
    if (in.savePanelOpen) return KeyAction::Swallow;
    switch (in.key) {
        case Qt::Key_Z:
            return in.modifiers.testFlag(Qt::ControlModifier) ? KeyAction::Undo
                                                              : KeyAction::Swallow;
        case Qt::Key_W:
        case Qt::Key_Return:
        case Qt::Key_Enter:  // the keypad's Enter
            return in.textViewVisible ? KeyAction::Swallow : KeyAction::Finish;
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
            return KeyAction::Swallow;
        case Qt::Key_Escape:
            return KeyAction::Cancel;
        case Qt::Key_Shift:
            return in.captureState == CAPTURE_STATE_MOSAIC ? KeyAction::UpdateCursor
                                                           : KeyAction::Default;
        default:
            return KeyAction::Default;
    }
}

KeyAction keyUpAction(const KeyInputs& in) {
    if (in.key == Qt::Key_Shift && in.captureState == CAPTURE_STATE_MOSAIC) {
        return KeyAction::UpdateCursor;
    }
    return KeyAction::Default;
}
