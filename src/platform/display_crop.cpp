#include "platform/display_crop.h"

#include <cmath>

Pixels cropDisplayRect(const Pixels& picture, const Rect& shown, const Rect& wanted) {
    const double ratio = shown.width > 0 ? picture.width() / shown.width : 1.0;
    Pixels part = picture.region(int(std::lround((wanted.x - shown.x) * ratio)),
                                 int(std::lround((wanted.y - shown.y) * ratio)),
                                 int(std::lround(wanted.width * ratio)),
                                 int(std::lround(wanted.height * ratio)), Pixels::Outside::Black);
    part.setDevicePixelRatio(ratio);
    return part;
}
