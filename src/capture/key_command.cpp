#include "capture/key_command.h"

using enum CaptureState;

KeyAction keyDownAction(const KeyInputs& in) {
    if (in.savePanelOpen) return KeyAction::Swallow;
    switch (in.key) {
        case Qt::Key_Z:
            if (!in.modifiers.testFlag(Qt::ControlModifier)) return KeyAction::Swallow;
            return in.modifiers.testFlag(Qt::ShiftModifier) ? KeyAction::Redo : KeyAction::Undo;
        case Qt::Key_Y:
            return in.modifiers.testFlag(Qt::ControlModifier) ? KeyAction::Redo
                                                              : KeyAction::Default;
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
            if (in.textViewVisible) return KeyAction::Default;
            if (in.shapeSelected) return KeyAction::NudgeShape;
            return in.captureState == CAPTURE_STATE_SELECTED ? KeyAction::Nudge
                                                             : KeyAction::Default;
        case Qt::Key_W:
        case Qt::Key_Return:
        case Qt::Key_Enter:  // the keypad's Enter
            return in.textViewVisible ? KeyAction::Swallow : KeyAction::Finish;
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
            return in.shapeSelected && !in.textViewVisible ? KeyAction::DeleteShape
                                                           : KeyAction::Swallow;
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

Point nudgeOffset(const KeyInputs& in) {
    const double step = in.modifiers.testFlag(Qt::ShiftModifier) ? 10 : 1;
    switch (in.key) {
        case Qt::Key_Left:
            return {-step, 0};
        case Qt::Key_Right:
            return {step, 0};
        case Qt::Key_Up:  // view coordinates grow upwards
            return {0, step};
        case Qt::Key_Down:
            return {0, -step};
        default:
            return {0, 0};
    }
}
