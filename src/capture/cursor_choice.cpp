#include "capture/cursor_choice.h"

#include <cmath>

using enum CaptureState;

namespace {

CursorKind resizeCursor(Handle handle) {
    switch (static_cast<int>(handle) % 4) {
        case 0:
            return CursorKind::LeftBottom;
        case 1:
            return CursorKind::LeftRight;
        case 2:
            return CursorKind::LeftTop;
        default:
            return CursorKind::TopBottom;
    }
}

CursorKind mosaicCursor(PenSize penSize) {
    switch (penSize) {
        case PenSize::Little:
            return CursorKind::MosaicSmall;
        case PenSize::Mid:
            return CursorKind::MosaicMiddle;
        case PenSize::Big:
            return CursorKind::MosaicBig;
    }
    return CursorKind::Unchanged;
}

}  // namespace

CursorKind onSetCursor(const CursorInputs& in) {
    if (std::trunc(in.currentLocation.x) == 0 || std::trunc(in.currentLocation.y) == 0) {
        return CursorKind::Arrow;
    }
    const Handle k = in.handleIndex;
    if (k == Handle::Outside) return CursorKind::Arrow;
    if (k != Handle::Inside) {
        return in.captureState <= CAPTURE_STATE_RESIZE ? resizeCursor(k) : CursorKind::Arrow;
    }
    if (in.onToolbar || in.inSaveDialog) return CursorKind::Arrow;
    if (in.captureState == CAPTURE_STATE_CHOOSE) return CursorKind::Arrow;
    const bool draggingSelection =
        in.captureState == CAPTURE_STATE_MOVE || in.captureState == CAPTURE_STATE_RESIZE;
    if (in.overShape && !draggingSelection) {
        return in.shapeHandle >= 0 ? resizeCursor(static_cast<Handle>(in.shapeHandle))
                                   : CursorKind::Move;
    }
    if (!isToolState(in.captureState)) return CursorKind::Move;
    if (in.captureState == CAPTURE_STATE_MOSAIC) return mosaicCursor(in.penSize);
    return CursorKind::Cross;
}
