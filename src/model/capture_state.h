#pragma once
// The capture's state. 0 to 4 pick and adjust the selection; 5 to 11 are the annotation tools.
// The numbers are kept as they are known in logs and tests.

enum class CaptureState : int {
    CAPTURE_STATE_IDLE = 0,
    CAPTURE_STATE_CHOOSE = 1,
    CAPTURE_STATE_SELECTED = 2,
    CAPTURE_STATE_MOVE = 3,
    CAPTURE_STATE_RESIZE = 4,
    CAPTURE_STATE_TEXT = 5,
    CAPTURE_STATE_GLITTER = 6,
    CAPTURE_STATE_BRUSH = 7,
    CAPTURE_STATE_MOSAIC = 8,
    CAPTURE_STATE_ARROW = 9,
    CAPTURE_STATE_ELLIPSE = 10,
    CAPTURE_STATE_RECT = 11,
};

inline bool isToolState(CaptureState state) {
    return state >= CaptureState::CAPTURE_STATE_TEXT;
}
