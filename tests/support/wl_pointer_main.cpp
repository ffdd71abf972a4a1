// quillet_wl_pointer: a pointer for the Wayland tests. A headless compositor has no pointer of
// its own; this program adds a virtual one (wlr-virtual-pointer) and moves and presses it as
// told on standard input, one command a line:
//   move X Y   absolute position in the layout, in logical points
//   down       left button pressed
//   up         left button released
// It answers each line with "ok" once the compositor has handled the command.
// Usage: quillet_wl_pointer <layout width> <layout height>

#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {

zwlr_virtual_pointer_manager_v1* manager = nullptr;

void global(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
        manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
    }
}
void globalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener kRegistry = {global, globalRemove};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: quillet_wl_pointer <layout width> <layout height>\n");
        return 2;
    }
    const uint32_t width = uint32_t(std::atoi(argv[1]));
    const uint32_t height = uint32_t(std::atoi(argv[2]));
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) return 1;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistry, nullptr);
    wl_display_roundtrip(display);
    if (manager == nullptr) return 1;
    zwlr_virtual_pointer_v1* pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, nullptr);
    uint32_t time = 0;
    char line[256];
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
        time += 10;
        unsigned x = 0, y = 0;
        if (std::sscanf(line, "move %u %u", &x, &y) == 2) {
            zwlr_virtual_pointer_v1_motion_absolute(pointer, time, x, y, width, height);
        } else if (std::strncmp(line, "down", 4) == 0 || std::strncmp(line, "up", 2) == 0) {
            zwlr_virtual_pointer_v1_button(pointer, time, BTN_LEFT,
                                           line[0] == 'd' ? WL_POINTER_BUTTON_STATE_PRESSED
                                                          : WL_POINTER_BUTTON_STATE_RELEASED);
        } else {
            std::printf("unknown\n");
            continue;
        }
        zwlr_virtual_pointer_v1_frame(pointer);
        if (wl_display_roundtrip(display) < 0) return 1;
        std::printf("ok\n");
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
