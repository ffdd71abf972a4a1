// quillet_clipboard_probe: stands in for the capturing process in the clipboard tests. It puts a
// test pattern on the clipboard through ClipboardKeeper, prints the helper's pid and exits, the
// way the tool does after a finished capture.
//   quillet_clipboard_probe HELPER set WIDTH HEIGHT   exit 0 once the helper owns the clipboard
//   quillet_clipboard_probe HELPER abandon            start a helper, then die without an image

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/pixels_image.h"
#include "platform/system/clipboard_keeper.h"
#include "support/test_images.h"

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    ClipboardKeeper keeper(argv[1]);
    if (std::strcmp(argv[2], "abandon") == 0) {
        keeper.prepare();
        std::printf("%d\n", int(keeper.helperPid()));
        std::fflush(stdout);
        _exit(0);  // as a crash would: no destructor closes anything in order
    }
    if (std::strcmp(argv[2], "set") != 0 || argc < 5) return 2;
    const bool ok = keeper.setImage(
        pixelsOf(test_images::patternImage(std::atoi(argv[3]), std::atoi(argv[4]))));
    std::printf("%d\n", int(keeper.helperPid()));
    std::fflush(stdout);
    std::fprintf(stderr, "probe done\n");
    return ok ? 0 : 1;
}
