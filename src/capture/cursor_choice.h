#pragma once
// Which cursor tells the user what a press would do at a point.

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
    int captureState = 0;
    int handleIndex = -1;   // at the point
    Point currentLocation;  // (0, 0) when no pointer position is known yet
    bool onToolbar = false;
    bool inSaveDialog = false;
    int penSize = 0;  // of the current pen; 1, 2 and 6 are the mosaic sizes
};

CursorKind onSetCursor(const CursorInputs& in);
