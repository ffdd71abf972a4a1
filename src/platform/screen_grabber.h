#pragma once
// Grabs what the screen shows inside a rectangle given in global display coordinates
// (points, top-left origin of the main screen, y down). The image holds device pixels and
// carries the device pixel ratio; a null image means the grab failed.

#include <QImage>

#include "platform/geometry.h"

class ScreenGrabber {
public:
    virtual ~ScreenGrabber() = default;
    virtual QImage grab(const Rect& displayRect) = 0;
    // Why the last grab gave a null image, in words for the log.
    virtual QString lastError() const = 0;
    // Whether the display itself is gone, so that no grab can work any more.
    virtual bool displayLost() const { return false; }
};
