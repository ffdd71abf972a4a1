#include "screen_like_image.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>
#include <algorithm>
#include <cmath>

#include "support/test_pattern.h"

namespace {

double lattice(int x, int y, int octave) {
    quint32 h = quint32(x) * 374761393u + quint32(y) * 668265263u + quint32(octave) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return double((h ^ (h >> 16)) & 0xffff) / 65535.0;
}
double valueNoise(double u, double v, int octave) {
    const int x0 = int(std::floor(u)), y0 = int(std::floor(v));
    const double fx = u - x0, fy = v - y0;
    const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    const double a = lattice(x0, y0, octave), b = lattice(x0 + 1, y0, octave);
    const double c = lattice(x0, y0 + 1, octave), d = lattice(x0 + 1, y0 + 1, octave);
    return (a + (b - a) * sx) * (1 - sy) + (c + (d - c) * sx) * sy;
}
}  // namespace

QImage screenLikeImage(int w, int h, int sensorNoise) {
    QImage img(w, h, QImage::Format_RGB32);
    const double s = w / 1920.0;
    QRandomGenerator rng(42);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const double u = x / (240.0 * s), v = y / (240.0 * s);
            double f = 0, amp = 1, tot = 0;
            for (int o = 0; o < 6; ++o) {
                f += amp * valueNoise(u * (1 << o), v * (1 << o), o);
                tot += amp;
                amp *= 0.55;
            }
            f /= tot;
            const int n = sensorNoise ? int(rng.bounded(2 * sensorNoise + 1)) - sensorNoise : 0;
            const double sky = double(y) / h;
            const int r = std::clamp(int(40 + 150 * f + 40 * sky) + n, 0, 255);
            const int g = std::clamp(int(70 + 120 * f * f + 30 * (1 - sky)) + n, 0, 255);
            const int b = std::clamp(int(110 + 100 * (1 - f) - 40 * sky) + n, 0, 255);
            row[x] = qRgb(r, g, b);
        }
    }
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QFont font("DejaVu Sans");
    font.setPixelSize(int(14 * s));
    p.setFont(font);
    const char* words[] = {"capture", "window", "selection", "clipboard", "the",     "a",
                           "of",      "pixel",  "image",     "render",    "quillet", "screen",
                           "x11",     "buffer", "and",       "to"};
    struct Win {
        QRect r;
        QColor bg, fg;
    };
    const Win wins[] = {
        {QRect(80, 60, 900, 640), QColor(250, 250, 250), QColor(30, 30, 30)},
        {QRect(520, 420, 760, 520), QColor(40, 42, 54), QColor(220, 220, 200)},
    };
    for (const Win& wdw : wins) {
        const QRect r(int(wdw.r.x() * s), int(wdw.r.y() * s), int(wdw.r.width() * s),
                      int(wdw.r.height() * s));
        p.fillRect(r.adjusted(4, 4, 4, 4), QColor(0, 0, 0, 60));
        p.fillRect(r, wdw.bg);
        p.fillRect(QRect(r.x(), r.y(), r.width(), int(30 * s)), QColor(225, 228, 232));
        p.setPen(QColor(60, 60, 60));
        p.drawText(r.x() + int(10 * s), r.y() + int(20 * s), "Document - Editor");
        const int lineH = int(19 * s);
        for (int line = 0, y = r.y() + int(50 * s); y < r.bottom() - lineH; ++line, y += lineH) {
            QString text;
            text.fill(' ', int(rng.bounded(4)) * 4);
            const int n = 3 + int(rng.bounded(12));
            for (int k = 0; k < n; ++k) text += QString(words[rng.bounded(16)]) + " ";
            p.setPen(line % 7 == 3 ? QColor(200, 80, 40) : wdw.fg);
            p.drawText(r.x() + int(12 * s), y, text);
        }
    }
    p.fillRect(QRect(0, h - int(40 * s), w, int(40 * s)), QColor(32, 32, 36));
    for (int i = 0; i < 12; ++i) {
        QRect icon(int((10 + i * 46) * s), h - int(36 * s), int(32 * s), int(32 * s));
        QLinearGradient ig(icon.topLeft(), icon.bottomRight());
        ig.setColorAt(0, QColor::fromHsv(i * 30, 200, 240));
        ig.setColorAt(1, QColor::fromHsv(i * 30, 255, 120));
        p.setBrush(ig);
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(icon, 6 * s, 6 * s);
    }
    p.setPen(Qt::white);
    p.drawText(w - int(90 * s), h - int(14 * s), "12:34");
    return img;
}
QImage flatDesktopImage(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::black);
    // The windows of bench_display.sh, in stacking order, each under a 20 px title bar.
    const QRect wins[] = {QRect(w / 10, h / 10, w / 2, h / 2), QRect(w / 3, h / 4, w / 2, h / 2),
                          QRect(w / 20, h / 2, w / 3, h / 3)};
    QPainter p(&img);
    for (int i = 0; i < 3; ++i) {
        const QRect r = wins[i];
        QLinearGradient title(r.topLeft(), r.topLeft() + QPoint(0, 20));
        title.setColorAt(0, QColor(232, 232, 232));
        title.setColorAt(1, QColor(200, 200, 204));
        p.fillRect(QRect(r.x() - 1, r.y() - 21, r.width() + 2, r.height() + 22), Qt::darkGray);
        p.fillRect(QRect(r.x(), r.y() - 20, r.width(), 20), title);
        p.setPen(QColor(70, 70, 70));
        p.drawText(QRect(r.x(), r.y() - 20, r.width(), 20), Qt::AlignCenter, "window");
        for (int y = 0; y < r.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(img.scanLine(r.y() + y)) + r.x();
            for (int x = 0; x < r.width(); ++x) row[x] = test_pattern::pixel(i, x, y);
        }
    }
    return img;
}
QImage noiseImage(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    QRandomGenerator rng(7);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<quint32*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) row[x] = 0xff000000u | (rng.generate() & 0xffffffu);
    }
    return img;
}
