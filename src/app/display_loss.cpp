#include "app/display_loss.h"

#include <dlfcn.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QtGlobal>
#include <cstdlib>
#include <mutex>
#include <string>

#include "model/capture_result.h"

namespace {

QtMessageHandler g_previous = nullptr;
std::function<void(const QString&)> g_onLost;
int g_xConnectionFd = -1;
std::string g_lostLine;  // made before any handler can run: a handler only reads it

// Async-signal-safe: poll, recv, write and _exit only.
bool serverHungUp() {
    pollfd pfd{g_xConnectionFd, POLLIN, 0};
    if (poll(&pfd, 1, 0) < 0) return false;
    if (pfd.revents & (POLLHUP | POLLERR)) return true;
    char byte;
    return (pfd.revents & POLLIN) && recv(g_xConnectionFd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
}

void cannotRecordIfTheServerHungUp() {
    if (g_xConnectionFd >= 0 && serverHungUp()) {
        [[maybe_unused]] const ssize_t n =
            write(STDERR_FILENO, g_lostLine.data(), g_lostLine.size());
        _exit(253);  // -3
    }
}

// Xlib's own default: print "X connection to :N broken ..." and exit(1). Ours says it with the
// loss's one line.
int xlibIOError(void* /*display*/) {
    [[maybe_unused]] const ssize_t n = write(STDERR_FILENO, g_lostLine.data(), g_lostLine.size());
    _exit(253);  // -3
}

void onCrash(int signal) {
    cannotRecordIfTheServerHungUp();
    // A crash of our own: the default action, as if this handler had not been there.
    ::signal(signal, SIG_DFL);
    raise(signal);
}

// What Qt says on its way to a fatal loss message when the display went away during its start:
// the one line the loss writes says it for the host.
bool isDisplayLossPrelude(const QString& message) {
    // qxcbconnection_basic.cpp: "could not connect to display %s";
    // qwaylandintegration.cpp: "Failed to create wl_display (%s)";
    // qguiapplication.cpp: "Could not load the Qt platform plugin \"%s\" in \"%s\" even though
    // it was found."
    return message.startsWith(QLatin1String("could not connect to display")) ||
           message.startsWith(QLatin1String("Failed to create wl_display")) ||
           message.startsWith(QLatin1String("Could not load the Qt platform plugin"));
}

void handleMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    // Once the display has gone, whatever else the toolkit says (bad atoms, no keymap, missing
    // extensions) follows from that: the loss's one line says it for the host.
    const bool displayGone = g_xConnectionFd >= 0 && serverHungUp();
    if (isDisplayLossMessage(type == QtFatalMsg, message)) {
        // Qt's Wayland platform may notice the loss on its event thread and on the main
        // thread at once, each ending the process right after its message. The first thread
        // here takes the lock for good and ends the process itself; any other waits here
        // until it has, so that its own end cannot cut the result short.
        static std::mutex lost;
        lost.lock();
        if (g_onLost) {
            // Whatever `onLost` itself logs goes the usual way.
            auto onLost = std::move(g_onLost);
            g_onLost = nullptr;
            onLost(message);
        }
        lost.unlock();
    }
    if (displayGone || isDisplayLossPrelude(message)) return;
    if (g_previous) g_previous(type, context, message);
}

}  // namespace

bool isDisplayLossMessage(bool fatal, const QString& message) {
    // qxcbconnection.cpp: "The X11 connection broke (error %d). Did the X11 server die?";
    // qwaylanddisplay.cpp: "The Wayland connection broke. Did the Wayland compositor die?";
    // qguiapplication.cpp: "... no Qt platform plugin could be initialized ..." (fatal).
    return message.startsWith(QLatin1String("The X11 connection broke")) ||
           message.startsWith(QLatin1String("The Wayland connection broke")) ||
           (fatal && message.contains(QLatin1String("platform plugin")));
}

void watchForDisplayLoss(std::function<void(const QString& message)> onLost) {
    g_onLost = std::move(onLost);
    g_previous = qInstallMessageHandler(handleMessage);
}

void treatAbnormalEndsAfterDisplayLossAsCannotRecord(int xConnectionFd) {
    g_lostLine = ("quillet-capture: " + lostDisplayLine() + "\n").toStdString();
    g_xConnectionFd = xConnectionFd;
    std::atexit(cannotRecordIfTheServerHungUp);
    struct sigaction action {};
    action.sa_handler = onCrash;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    for (const int signal : {SIGSEGV, SIGBUS, SIGABRT}) sigaction(signal, &action, nullptr);
}

void keepXlibsLossMessageOut() {
    void* x11 = dlopen("libX11.so.6", RTLD_NOW | RTLD_GLOBAL);
    if (x11 == nullptr) return;
    using Handler = int (*)(void*);
    const auto setHandler =
        reinterpret_cast<Handler (*)(Handler)>(dlsym(x11, "XSetIOErrorHandler"));
    if (setHandler != nullptr) setHandler(xlibIOError);
}
