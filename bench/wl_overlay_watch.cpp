// Measures, in a Wayland session with screencopy, how long any overlay program takes from exec
// until it covers the main output, the same way for every program: the output is copied once
// before the launch (the desktop), then again and again (each copy waits for the compositor's
// next frame); the first copy in which nearly all sampled pixels differ from the desktop counts
// (a full-screen window, a tint, a darkened freeze). Also noted: the first copy that differs at
// all (the program's first frame on the output). Prints "<covered ms> <first change ms>" and
// ends the program with SIGTERM. The copies come about one frame apart, which bounds the
// resolution.
// With --red-left-edge the first copy whose left edge is red from top to bottom counts instead:
// quillet-capture's overlay with no window under the pointer (the whole output offered, bordered
// in red, nothing darkened).
//   usage: quillet_wl_overlay_watch [--red-left-edge] <program> [arguments...]
//          (on $WAYLAND_DISPLAY)
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QColor>
#include <QImage>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/pixels_image.h"
#include "platform/wayland/screencopy_grabber.h"
#include "platform/wayland/wayland_display.h"

extern char** environ;

namespace {

constexpr int kSampleStep = 8;          // pixels between samples, both ways
constexpr int kChannelTolerance = 12;   // a channel further off than this has changed
constexpr double kCoveredShare = 0.90;  // of the samples

// The share of sampled pixels of `now` that differ from `desktop`.
double changedShare(const QImage& desktop, const QImage& now) {
    if (now.size() != desktop.size()) return 1.0;
    long changed = 0, samples = 0;
    for (int y = kSampleStep / 2; y < now.height(); y += kSampleStep) {
        const auto* a = reinterpret_cast<const QRgb*>(desktop.constScanLine(y));
        const auto* b = reinterpret_cast<const QRgb*>(now.constScanLine(y));
        for (int x = kSampleStep / 2; x < now.width(); x += kSampleStep) {
            ++samples;
            if (std::abs(qRed(a[x]) - qRed(b[x])) > kChannelTolerance ||
                std::abs(qGreen(a[x]) - qGreen(b[x])) > kChannelTolerance ||
                std::abs(qBlue(a[x]) - qBlue(b[x])) > kChannelTolerance) {
                ++changed;
            }
        }
    }
    return samples > 0 ? double(changed) / double(samples) : 0.0;
}

// Whether the image's left edge is red from top to bottom (nearly all sampled rows).
bool leftEdgeIsRed(const QImage& image) {
    int red = 0, samples = 0;
    for (int y = 40; y < image.height() - 40; y += kSampleStep) {
        const QColor c = image.pixelColor(0, y);
        ++samples;
        if (c.red() > 180 && c.green() < 60 && c.blue() < 60) ++red;
    }
    return samples > 0 && red > samples * 9 / 10;
}

}  // namespace

int main(int argc, char** argv) {
    const bool redLeftEdge = argc > 1 && std::strcmp(argv[1], "--red-left-edge") == 0;
    char** program = argv + 1 + (redLeftEdge ? 1 : 0);
    if (*program == nullptr) {
        std::fprintf(stderr,
                     "usage: quillet_wl_overlay_watch [--red-left-edge] <program> "
                     "[arguments...]\n");
        return 2;
    }
    std::string problem;
    std::shared_ptr<WaylandDisplay> display = WaylandDisplay::connect(&problem);
    if (!display || display->outputs().empty() || !display->screencopy()) {
        std::fprintf(stderr, "no screencopy: %s\n", problem.c_str());
        return 1;
    }
    ScreencopyGrabber grabber(display);
    const WaylandOutput main = display->outputs().front();
    // A deep copy: the grabber's memory goes back to it.
    const QImage desktop = imageOf(grabber.copyOutput(main)).copy();
    if (desktop.isNull()) return 1;
    const auto start = std::chrono::steady_clock::now();
    const auto since = [&] {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count();
    };
    pid_t pid = -1;
    if (posix_spawnp(&pid, program[0], nullptr, nullptr, program, environ) != 0) return 1;
    double covered = -1, firstChange = -1;
    while (since() < 10000) {
        const QImage now = imageOf(grabber.copyOutput(main));
        if (now.isNull()) continue;
        const double share = changedShare(desktop, now);
        if (firstChange < 0 && share > 0) firstChange = since();
        if (redLeftEdge ? leftEdgeIsRed(now) : share >= kCoveredShare) {
            covered = since();
            break;
        }
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    std::printf("%.1f %.1f\n", covered, firstChange);
    return covered < 0 ? 1 : 0;
}
