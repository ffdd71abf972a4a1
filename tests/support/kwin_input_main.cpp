// quillet_kwin_input: pointer and keys for the KWin tests. KWin's headless seat has no pointer
// until a client of its fake-input protocol (org_kde_kwin_fake_input, granted through a .desktop
// entry naming this program) is connected; the pointer goes with that connection, so one
// program drives a whole test, a command a line on standard input:
//   move X Y   absolute position in the workspace, in logical points
//   down / up  left button pressed / released
//   key CODE   a key (a Linux input event code) pressed and released
// It answers each line with "ok" once KWin has handled the command.

#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstring>

#include "fake-input-client-protocol.h"

namespace {

org_kde_kwin_fake_input* fakeInput = nullptr;

void global(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
    if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 4) {
        fakeInput = static_cast<org_kde_kwin_fake_input*>(
            wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4));
    }
}
void globalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener kRegistry = {global, globalRemove};

}  // namespace

int main() {
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) return 1;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistry, nullptr);
    wl_display_roundtrip(display);
    if (fakeInput == nullptr) {
        std::fprintf(stderr, "quillet_kwin_input: no fake input (not granted?)\n");
        return 1;
    }
    org_kde_kwin_fake_input_authenticate(fakeInput, "quillet tests", "test input");
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    char line[256];
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
        unsigned x = 0, y = 0, code = 0;
        if (std::sscanf(line, "move %u %u", &x, &y) == 2) {
            org_kde_kwin_fake_input_pointer_motion_absolute(fakeInput, wl_fixed_from_int(int(x)),
                                                            wl_fixed_from_int(int(y)));
        } else if (std::strncmp(line, "down", 4) == 0 || std::strncmp(line, "up", 2) == 0) {
            org_kde_kwin_fake_input_button(fakeInput, BTN_LEFT,
                                           line[0] == 'd' ? WL_POINTER_BUTTON_STATE_PRESSED
                                                          : WL_POINTER_BUTTON_STATE_RELEASED);
        } else if (std::sscanf(line, "key %u", &code) == 1) {
            org_kde_kwin_fake_input_keyboard_key(fakeInput, code, WL_KEYBOARD_KEY_STATE_PRESSED);
            org_kde_kwin_fake_input_keyboard_key(fakeInput, code, WL_KEYBOARD_KEY_STATE_RELEASED);
        } else {
            std::printf("unknown\n");
            continue;
        }
        if (wl_display_roundtrip(display) < 0) return 1;
        std::printf("ok\n");
    }
    wl_display_disconnect(display);
    return 0;
}
