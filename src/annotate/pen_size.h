#pragma once
// The three pen sizes the colour bar offers, as the line width of a rectangle, ellipse or
// brush stroke in points. Everything that depends on the size (other tools' widths, the arrow
// head, the mosaic cursor, the size buttons) reads it from here.

enum class PenSize : int { Little = 1, Mid = 2, Big = 6 };

// A new pen's size, and the size every new capture starts from.
inline constexpr PenSize kDefaultPenSize = PenSize::Mid;

constexpr int penPoints(PenSize size) {
    return static_cast<int>(size);
}
