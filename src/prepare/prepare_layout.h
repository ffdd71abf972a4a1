#pragma once
// The prepare panel's fixed geometry and its two rules: where a drag may take it on the main
// screen, and which title it shows. Points in view coordinates (origin bottom-left, y up).

#include <QString>

#include "platform/geometry.h"

namespace prepare_layout {

inline constexpr double kWidth = 280;
inline constexpr double kHeight = 185;

// Frames inside the panel.
inline constexpr Rect kCloseButton{kWidth - 27, kHeight - 25, 20, 20};
inline constexpr Rect kTitleLabel{15, kHeight - 30, kWidth - 30, 25};
inline constexpr Rect kInfoLine{31, 115, kWidth - 30, 20};
inline constexpr Rect kInfoLine2{31, 100, kWidth - 30, 20};
inline constexpr Rect kStartButton{95, 45, 90, 40};
inline constexpr Rect kTitleBand{0, kHeight - 30, kWidth, 30};

// The panel's origin after a drag: kept whole on a screen of `screen` size, each axis clamped
// to [0, screen - panel].
Point clampedOrigin(Point origin, Size screen);

// The title after showPrepare: the window title when there is one, else the prepare title.
QString shownTitle(const QString& prepareTitleText, const QString& windowTitleText);

}  // namespace prepare_layout
