#pragma once
// What the X11 platform tests share: a private X server with a QGuiApplication on it and a
// connection of our own, plus the expected picture of test-pattern windows.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QGuiApplication>
#include <QImage>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include "platform/qtxcb/xcb_connection.h"
#include "support/test_pattern_run.h"
#include "support/x_session.h"

// One per test: discovered tests run in processes of their own, and the application is
// destroyed before its X server.
struct X11Platform {
    // `beforeQt` runs on the new display before Qt connects to it (to set up its screens).
    explicit X11Platform(XSessionOptions options = {}, const char* scaleFactor = nullptr,
                         const std::function<void()>& beforeQt = {})
        : session(options) {
        if (!session.ok()) return;
        setenv("DISPLAY", session.display().c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        if (scaleFactor != nullptr) {
            setenv("QT_SCALE_FACTOR", scaleFactor, 1);
        } else {
            unsetenv("QT_SCALE_FACTOR");
        }
        if (beforeQt) beforeQt();
        static int argc = 1;
        static char name[] = "quillet_x11_tests";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QGuiApplication>(argc, argv);
        connection = XcbConnection::open(session.display().c_str());
    }
    ~X11Platform() {
        connection.reset();
        app.reset();
    }
    bool ok() const { return session.ok() && app && connection; }

    XSession session;
    std::unique_ptr<QGuiApplication> app;
    std::shared_ptr<XcbConnection> connection;
};

// The pattern pixel the root window shows at (x, y), or nothing where no window lies.
// `windows` are in mapping order, so the last one containing the point is on top.
inline std::optional<uint32_t> expectedPixel(const std::vector<PatternWindow>& windows, int x,
                                             int y) {
    for (std::size_t i = windows.size(); i-- > 0;) {
        const PatternWindow& w = windows[i];
        if (x >= w.x && x < w.x + w.width && y >= w.y && y < w.y + w.height) {
            return test_pattern::pixel(static_cast<int>(i), x - w.x, y - w.y);
        }
    }
    return std::nullopt;
}

// Compares every pixel of `image`, whose top-left pixel shows root pixel (originX, originY),
// with the windows; the root inside `rootWidth` x `rootHeight` must be opaque, and outside it
// transparent. Returns a description of the first differences, empty when all match.
inline std::string patternDifferences(const QImage& image, int originX, int originY,
                                      const std::vector<PatternWindow>& windows, int rootWidth,
                                      int rootHeight) {
    std::ostringstream out;
    long differences = 0;
    long compared = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int rx = originX + x;
            const int ry = originY + y;
            const bool onRoot = rx >= 0 && ry >= 0 && rx < rootWidth && ry < rootHeight;
            std::optional<uint32_t> expected =
                onRoot ? expectedPixel(windows, rx, ry) : std::optional<uint32_t>(0u);
            const bool opacityWrong = onRoot && (row[x] >> 24) != 0xFF;
            if (expected) ++compared;
            if ((expected && row[x] != *expected) || opacityWrong) {
                if (++differences <= 5) {
                    out << "pixel (" << x << ", " << y << ") shows root (" << rx << ", " << ry
                        << "): 0x" << std::hex << row[x] << " expected 0x"
                        << expected.value_or(0xFF000000u) << std::dec << "\n";
                }
            }
        }
    }
    if (compared == 0) out << "no pixel of the image lies on a window\n";
    if (differences > 5) out << differences << " differences in all\n";
    return out.str();
}
