#pragma once
// What a turned or mirrored output shows. A compositor copies an output in the orientation of
// its buffer (the mode's width and height, as the monitor scans it out); the user sees that
// buffer turned and mirrored by the output's transform (wl_output_transform).

#include <cstdint>

#include "platform/pixels.h"

// The picture as the user sees `buffer` on an output with `transform`: the same pixels where
// the transform is normal, else a new picture (its width and height swapped by a quarter
// turn). Null when there is no memory for it or the transform is unknown.
Pixels orientAsShown(const Pixels& buffer, int32_t transform);
