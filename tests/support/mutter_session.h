#pragma once
// A private headless Mutter (GNOME's compositor, without the shell) for one test: one virtual
// monitor, Xwayland, a session bus of its own, and a keyboard and pointer on its seat (see
// quillet_mutter_input), without which no client may read the clipboard. Bare Mutter has no
// screenshot service and no data control; what it did with the focus is read from its debug
// log. Stopped by the destructor.

#include <sys/types.h>

#include <QImage>

#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>
#include "support/wayland_input.h"

class MutterSession {
public:
    MutterSession(int width, int height);
    ~MutterSession();
    MutterSession(const MutterSession&) = delete;
    MutterSession& operator=(const MutterSession&) = delete;

    bool ok() const { return m_error.empty(); }
    const std::string& error() const { return m_error; }
    // The environment of a client of this compositor, its Xwayland display included.
    std::vector<std::string> clientEnvironment() const;
    // The clipboard as a Wayland client pastes it (image/png), in RGB32; null when nothing can be.
    QImage pastedImage() const;
    // The seat's pointer and keyboard.
    WaylandInput& input() { return *m_input; }
    // The newest window Mutter has given the keyboard focus to, by the number in its name for it
    // ("W3": Mutter numbers windows as they come); 0 before any.
    int newestFocusedWindow() const;

private:
    bool start(int width, int height);

    QTemporaryDir m_dir;
    std::string m_runtime;
    std::string m_bus;
    std::string m_socket = "mutter-quillet";
    std::string m_xDisplay;
    std::string m_xAuthority;
    pid_t m_busDaemon = -1;
    pid_t m_compositor = -1;
    std::string m_log;
    std::unique_ptr<WaylandInput> m_input;
    std::string m_error;
};
