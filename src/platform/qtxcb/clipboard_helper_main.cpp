// quillet-clipboard-helper: keeps a finished capture on the clipboard after the capturing
// process has ended (see clipboard_helper.h). Started by quillet-capture only. A program of its
// own, linked without the widget toolkit, so that it is up before the capture has its pixels.

#include <csignal>
#include <cstdio>
#include <cstring>

#include "platform/qtxcb/clipboard_helper.h"

int main(int argc, char** argv) {
    // The X connection may go away under a write: that must end in an error, not a signal.
    std::signal(SIGPIPE, SIG_IGN);
    if (argc < 2 || std::strcmp(argv[1], kClipboardHelperFlag) != 0) {
        std::fprintf(stderr, "quillet-clipboard-helper: started by quillet-capture only\n");
        return 2;
    }
    return runClipboardHelper(argc, argv);
}
