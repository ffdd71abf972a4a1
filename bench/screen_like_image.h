#pragma once
// Pictures for the PNG benchmarks. A desktop: a photograph-like wallpaper (smooth fractal
// structure plus sensor noise), two windows full of anti-aliased text, a task bar with icons;
// Qt's default PNG writer needs about as long for it as for real desktops measured here.
// And noise, which no PNG filter or deflate setting can compress. Text needs a QGuiApplication.

#include <QImage>

QImage screenLikeImage(int width, int height, int sensorNoise = 2);
QImage noiseImage(int width, int height);
