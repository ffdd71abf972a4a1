#pragma once
// Pictures for the PNG benchmarks. A desktop: a photograph-like wallpaper (smooth fractal
// structure plus sensor noise), two windows full of anti-aliased text, a task bar with icons;
// Qt's default PNG writer needs about as long for it as for real desktops measured here.
// A flat desktop: black, with the test-pattern program's gradient windows under plain title
// bars (what bench_display.sh shows). And noise, which no PNG filter or deflate setting can
// compress. Text needs a QGuiApplication.

#include <QImage>

QImage screenLikeImage(int width, int height, int sensorNoise = 2);
QImage flatDesktopImage(int width, int height);
QImage noiseImage(int width, int height);
