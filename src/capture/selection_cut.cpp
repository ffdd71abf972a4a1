#include "capture/selection_cut.h"

#include <climits>
#include <cmath>

namespace {

// Pixel edges of a selection, wide enough for any double the parameters can produce.
struct PixelEdges {
    double left = 0, top = 0, right = 0, bottom = 0;
    double width() const { return right - left; }
    double height() const { return bottom - top; }
};

PixelEdges pixelEdges(const Rect& selection, double screenHeight, double dpr) {
    const double top = screenHeight - selection.y - selection.height;
    const auto px = [dpr](double v) { return std::round(v * dpr); };
    return {px(selection.x), px(top), px(selection.x + selection.width),
            px(top + selection.height)};
}

bool fitsLimits(const PixelEdges& e) {
    // The corner must stay where int arithmetic on it cannot overflow.
    constexpr double kReach = INT_MAX / 4;
    return e.width() <= kMaxImageSide && e.height() <= kMaxImageSide &&
           e.width() * e.height() <= static_cast<double>(kMaxImagePixels) &&
           std::abs(e.left) <= kReach && std::abs(e.top) <= kReach;
}

// Whole numbers in full, as hosts wrote them; fractions as they are.
QString number(double v) {
    return QString::number(v, 'g', 12);
}

QString sizeText(const Rect& selection) {
    return number(selection.width) + QLatin1Char('x') + number(selection.height);
}

}  // namespace

QRect selectionPixelRect(const Rect& selection, double screenHeight, double devicePixelRatio) {
    const PixelEdges e = pixelEdges(selection, screenHeight, devicePixelRatio);
    if (!(e.width() > 0 && e.height() > 0) || !fitsLimits(e)) return {};
    return QRect(static_cast<int>(e.left), static_cast<int>(e.top), static_cast<int>(e.width()),
                 static_cast<int>(e.height()));
}

Pixels cutSelection(const Pixels& screen, const Rect& selection, double screenHeight,
                    QString* problem) {
    const auto fail = [&](const QString& why) {
        if (problem) *problem = why;
        return Pixels();
    };
    const double dpr = screen.isNull() ? 1 : screen.devicePixelRatio();
    const PixelEdges edges = pixelEdges(selection, screenHeight, dpr);
    if (screen.isNull()) return fail(QStringLiteral("there is no screen image"));
    if (!(edges.width() > 0 && edges.height() > 0)) {
        return fail(QStringLiteral("the selection %1 has no area").arg(sizeText(selection)));
    }
    if (!fitsLimits(edges)) {
        return fail(QStringLiteral("the selection %1 at (%2, %3) is beyond the image limits "
                                   "(%4 pixels a side, %5 pixels in all)")
                        .arg(sizeText(selection), number(selection.x), number(selection.y))
                        .arg(kMaxImageSide)
                        .arg(kMaxImagePixels));
    }
    const QRect pixels = selectionPixelRect(selection, screenHeight, dpr);
    const QString noMemory = QStringLiteral("no memory for the %1x%2 pixel image")
                                 .arg(pixels.width())
                                 .arg(pixels.height());

    // Beyond the screen the selection is transparent (an opaque format would show black).
    Pixels result = screen.region(pixels.x(), pixels.y(), pixels.width(), pixels.height());
    if (result.isNull()) return fail(noMemory);
    result.setDevicePixelRatio(dpr);
    return result;
}
