#include "overlay/overlay_layout.h"

#include <algorithm>
#include <cmath>

namespace {

int whole(double v) {
    return static_cast<int>(std::trunc(v));
}

}  // namespace

std::vector<Rect> darkStrips(const Rect& s, Size screen) {
    if (whole(s.width) == 0) return {{0, 0, screen.width, screen.height}};
    const double sw = screen.width, sh = screen.height;
    const Rect pieces[4] = {
        {0, 0, s.x, s.y + s.height},                                     // left
        {0, s.y + s.height - 1, sw, sh - s.y - s.height + 1},            // top
        {s.x + s.width - 1, 0, sw - s.x - s.width + 1, s.y + s.height},  // right
        {s.x - 1, 0, s.width + 1, s.y},                                  // bottom
    };
    std::vector<Rect> strips;
    for (const Rect& r : pieces) {
        if (r.width > 0 && r.height > 0) strips.push_back(r);
    }
    return strips;
}

std::optional<Rect> sizeLabelRect(const Rect& s, Size screen) {
    if (whole(s.width) == 0) return std::nullopt;
    const int bx = whole(s.x + 2);
    int by = whole(s.y + s.height + 8);
    if (by > screen.height) by = whole(s.y + s.height - 28);
    return Rect{static_cast<double>(bx), static_cast<double>(by), 70, 20};
}

MagnifierLayout magnifierLayout(Point cursor, const Rect& s, Size screen, bool hasLogo,
                                bool anchoredToSelection) {
    MagnifierLayout m;
    m.height = hasLogo ? 150 : 132;
    if (anchoredToSelection) {
        m.px = whole(s.x + s.width);
        // The panel's height, not its width, decides whether it fits on the right.
        if (m.height + m.px > screen.width) m.px = whole(s.x - kMagnifierWidth);
        if (m.px <= 0) m.px = 1;
        m.py = whole(s.y) <= 0 ? 1 : whole(s.y) - 1;
    } else {
        m.px = cursor.x + 5 + kMagnifierWidth > screen.width ? whole(cursor.x) - 149
                                                             : whole(cursor.x) + 5;
        const int iy = whole(cursor.y);
        m.py = iy - m.height >= 25 ? iy - m.height - 25 : iy + 25;
    }
    m.zoomSource = {static_cast<double>(whole(cursor.x - 17)),
                    static_cast<double>(whole(cursor.y - 10)), 35, 21};
    m.zoomTarget = {static_cast<double>(m.px + 1),
                    static_cast<double>(m.py + m.height - kMagnifierZoomHeight), kMagnifierWidth,
                    kMagnifierZoomHeight};
    m.textPanel = {static_cast<double>(m.px), static_cast<double>(m.py), kMagnifierWidth,
                   static_cast<double>(m.height - kMagnifierZoomHeight)};
    return m;
}

std::optional<PixelIndex> readoutPixel(Point cursor, Size screen, double dpr) {
    const double rx = std::max(0.0, cursor.x);
    const double ry = std::max(0.0, cursor.y);
    const int widthPx = whole(screen.width * dpr);
    const int heightPx = whole(screen.height * dpr);
    // Columns count from the left, rows from the top: the pixel whose cell holds the cursor.
    const int ix = static_cast<int>(std::floor(rx * dpr));
    int iy = static_cast<int>(std::floor((screen.height - ry) * dpr));
    if (ix >= widthPx || iy < 0 || iy > heightPx) return std::nullopt;
    // A cursor on the bottom edge (y = 0) stands on the bottom row, not below it.
    iy = std::min(iy, heightPx - 1);
    return PixelIndex{ix, iy};
}

QString sizeLabelText(const Rect& selection) {
    return QStringLiteral("%1 * %2").arg(whole(selection.width)).arg(whole(selection.height));
}

QString magnifierPositionText(Point cursor) {
    return QStringLiteral("(%1, %2)")
        .arg(whole(std::max(0.0, cursor.x)))
        .arg(whole(std::max(0.0, cursor.y)));
}

QString magnifierColorText(int red, int green, int blue) {
    return QStringLiteral("RGB:#%1%2%3")
        .arg(red, 2, 16, QLatin1Char('0'))
        .arg(green, 2, 16, QLatin1Char('0'))
        .arg(blue, 2, 16, QLatin1Char('0'));
}
