#pragma once
// Which cursor tells the user what a press would do at a point.

#include "annotate/pen_size.h"
#include "model/capture_state.h"
#include "overlay/selection_handles.h"
#include "platform/geometry.h"

enum class CursorKind {
    Unchanged,
    Arrow,
    Cross,
    Move,
    LeftRight,
    TopBottom,
    LeftTop,     // the diagonal from top-left to bottom-right
    LeftBottom,  // the diagonal from bottom-left to top-right
    MosaicSmall,
    MosaicMiddle,
    MosaicBig,
};

struct CursorInputs {
    CaptureState captureState = CaptureState::CAPTURE_STATE_IDLE;
    Handle handleIndex = Handle::Outside;  // at the point
    Point currentLocation;                 // (0, 0) when no pointer position is known yet
    bool onToolbar = false;
    bool inSaveDialog = false;
    PenSize penSize = kDefaultPenSize;  // of the current pen
    bool overShape = false;             // a press would take hold of a finished shape
    int shapeHandle = -1;  // of the shape's handles, which one (a rectangle's: as Handle)
};

CursorKind onSetCursor(const CursorInputs& in);
