// Measures, in a Wayland session with screencopy, how long quillet-capture takes from exec until
// its overlay covers the main output: the output is copied again and again (each copy waits for
// the compositor's next frame), and the first copy whose left edge is the selection's red border
// counts (with no window under the pointer the whole screen is offered, bordered in red). Prints
// "<painted ms>" and ends the program. The copies come about one frame apart, which bounds the
// resolution.
//   usage: quillet_wl_launch_watch <program> [arguments...]   (on $WAYLAND_DISPLAY)
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QColor>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/pixels_image.h"
#include "platform/wayland/screencopy_grabber.h"
#include "platform/wayland/wayland_display.h"

extern char** environ;

namespace {

// Whether the image's left edge is red from top to bottom (nearly all sampled rows).
bool leftEdgeIsRed(const QImage& image) {
    int red = 0, samples = 0;
    for (int y = 40; y < image.height() - 40; y += 8) {
        const QColor c = image.pixelColor(0, y);
        ++samples;
        if (c.red() > 180 && c.green() < 60 && c.blue() < 60) ++red;
    }
    return samples > 0 && red > samples * 9 / 10;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: quillet_wl_launch_watch <program> [arguments...]\n");
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
    if (grabber.copyOutput(main).isNull()) return 1;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[1], nullptr, nullptr, argv + 1, environ) != 0) return 1;
    double painted = -1;
    while (std::chrono::steady_clock::now() - start < std::chrono::seconds(10)) {
        const QImage now = imageOf(grabber.copyOutput(main));
        if (!now.isNull() && leftEdgeIsRed(now)) {
            painted =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count();
            break;
        }
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    std::printf("%.1f\n", painted);
    return painted < 0 ? 1 : 0;
}
