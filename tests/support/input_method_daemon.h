#pragma once
// An input method for one test, with Chinese pinyin as its engine, running headless on a
// session bus of its own: fcitx5 (profile: US keyboard and pinyin) or ibus (libpinyin, its
// settings in memory). Its clients reach it through clientEnvironment(). Stopped by the
// destructor.

#include <sys/types.h>

#include <QTemporaryDir>
#include <string>
#include <vector>

class InputMethodDaemon {
public:
    enum class Kind { Fcitx5, Ibus };
    // `display`: the environment naming the display it serves (DISPLAY, WAYLAND_DISPLAY, ...).
    InputMethodDaemon(Kind kind, std::vector<std::string> display);
    ~InputMethodDaemon();
    InputMethodDaemon(const InputMethodDaemon&) = delete;
    InputMethodDaemon& operator=(const InputMethodDaemon&) = delete;

    bool ok() const { return m_error.empty(); }
    const std::string& error() const { return m_error; }
    // The display's environment with the bus and the configuration of this input method; no
    // QT_IM_MODULE, as sessions set it today.
    std::vector<std::string> clientEnvironment() const;
    // Waits until a client's input field has the focus in the input method (ibus: at once);
    // keys typed before then reach the client as they are. Fields start in pinyin.
    bool waitForField() const;

private:
    bool start(Kind kind);

    std::vector<std::string> m_display;
    QTemporaryDir m_dir;
    std::string m_bus;
    pid_t m_busDaemon = -1;
    pid_t m_daemon = -1;
    Kind m_kind = Kind::Fcitx5;
    std::string m_error;
};
