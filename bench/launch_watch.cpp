// Measures how long a screen-capture program takes from exec until its frozen overlay covers
// the screen: the first map of a window as large as the screen, then the damage reported on
// the root window after that map until it covers every pixel. Prints
// "<map ms> <painted ms> <peak resident kB>" and ends the program.
//   usage: quillet_launch_watch <program> [arguments...]   (on $DISPLAY)
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <QRegion>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// Peak resident memory of a process and its direct children, in kB.
long peakKb(pid_t pid) {
    long total = 0;
    std::vector<pid_t> pids{pid};
    std::ifstream children("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) +
                           "/children");
    for (pid_t child; children >> child;) pids.push_back(child);
    for (pid_t p : pids) {
        std::ifstream status("/proc/" + std::to_string(p) + "/status");
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("VmHWM:", 0) == 0) total += std::atol(line.c_str() + 6);
        }
    }
    return total;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <program> [arguments...]\n", argv[0]);
        return 2;
    }
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) return 2;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const int W = screen->width_in_pixels, H = screen->height_in_pixels;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, screen->root, XCB_CW_EVENT_MASK, &mask);
    const xcb_query_extension_reply_t* damageExt = xcb_get_extension_data(c, &xcb_damage_id);
    if (!damageExt || !damageExt->present) return 2;
    std::free(xcb_damage_query_version_reply(c, xcb_damage_query_version(c, 1, 1), nullptr));
    // Created before the program starts, so that no paint can slip past; only damage that
    // follows the full-screen map counts.
    const xcb_damage_damage_t damage = xcb_generate_id(c);
    xcb_damage_create(c, damage, screen->root, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
    xcb_flush(c);

    const auto t0 = Clock::now();
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[1], nullptr, nullptr, argv + 1, environ) != 0) return 2;

    double mapMs = -1, paintMs = -1;
    QRegion painted;
    const QRegion whole(0, 0, W, H);
    while (paintMs < 0 && msSince(t0) < 20000) {
        xcb_generic_event_t* e = xcb_wait_for_event(c);
        if (e == nullptr) break;
        const int type = e->response_type & 0x7f;
        if (type == XCB_MAP_NOTIFY && mapMs < 0) {
            const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(e);
            auto* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, map->window), nullptr);
            if (g && g->x <= 0 && g->y <= 0 && g->width >= W && g->height >= H) {
                mapMs = msSince(t0);
            }
            std::free(g);
        } else if (type == damageExt->first_event + XCB_DAMAGE_NOTIFY && mapMs >= 0) {
            const auto* d = reinterpret_cast<xcb_damage_notify_event_t*>(e);
            painted += QRect(d->area.x, d->area.y, d->area.width, d->area.height);
            if (whole.subtracted(painted).isEmpty()) paintMs = msSince(t0);
        }
        std::free(e);
    }
    const long peak = peakKb(pid);
    kill(pid, SIGTERM);
    for (int i = 0; i < 100 && waitpid(pid, nullptr, WNOHANG) == 0; ++i) usleep(10000);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    xcb_disconnect(c);
    std::printf("%.1f %.1f %ld\n", mapMs, paintMs, peak);
    return paintMs < 0 ? 1 : 0;
}
