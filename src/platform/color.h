#pragma once
// A colour with components in 0..1, as the parameter file's colour integers describe it.

struct Color {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;
    friend bool operator==(const Color&, const Color&) = default;
};
