#pragma once
// Grabs what the screen shows inside a rectangle given in global display coordinates
// (points, top-left origin of the main screen, y down). The pixels are device pixels and
// carry the device pixel ratio; null pixels mean the grab failed.

#include <QString>

#include "platform/geometry.h"
#include "platform/pixels.h"

class ScreenGrabber {
public:
    virtual ~ScreenGrabber() = default;
    virtual Pixels grab(const Rect& displayRect) = 0;
    // Why the last grab gave null pixels, in words for the log.
    virtual QString lastError() const = 0;
    // Whether the display itself is gone, so that no grab can work any more.
    virtual bool displayLost() const { return false; }
};
