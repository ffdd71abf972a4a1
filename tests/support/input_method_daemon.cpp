#include "support/input_method_daemon.h"

#include <QDir>
#include <QFile>
#include <chrono>
#include <thread>

#include "support/child_process.h"

namespace {

constexpr char kFcitxProfile[] = R"([Groups/0]
Name=Default
Default Layout=us
DefaultIM=pinyin

[Groups/0/Items/0]
Name=pinyin
Layout=

[Groups/0/Items/1]
Name=keyboard-us
Layout=

[GroupOrder]
0=Default
)";

}  // namespace

InputMethodDaemon::InputMethodDaemon(Kind kind, std::vector<std::string> display)
    : m_display(std::move(display)), m_kind(kind) {
    if (!m_dir.isValid()) {
        m_error = "no temporary folder";
        return;
    }
    if (!start(kind)) stopProgram(m_daemon), stopProgram(m_busDaemon);
}

InputMethodDaemon::~InputMethodDaemon() {
    stopProgram(m_daemon);
    stopProgram(m_busDaemon);
}

std::vector<std::string> InputMethodDaemon::clientEnvironment() const {
    std::vector<std::string> env = m_display;
    const std::string dir = m_dir.path().toStdString();
    env.insert(env.end(),
               {"DBUS_SESSION_BUS_ADDRESS=" + m_bus, "XDG_CONFIG_HOME=" + dir + "/config",
                "GSETTINGS_BACKEND=memory", "QT_IM_MODULE", "XMODIFIERS"});
    return env;
}

bool InputMethodDaemon::waitForField() const {
    if (m_kind != Kind::Fcitx5) return true;
    // fcitx5-remote prints 0 while no field of a client has the focus (the toolkit makes its
    // field's context with a call of its own, after the field took the focus).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (runProgram({"fcitx5-remote"}, clientEnvironment()).bytes.trimmed() == "0") {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

bool InputMethodDaemon::start(Kind kind) {
    const std::string dir = m_dir.path().toStdString();
    m_bus = "unix:path=" + dir + "/bus";
    m_busDaemon = spawnProgram({"dbus-daemon", "--session", "--nofork", "--address=" + m_bus}, {});
    QFile profile(QString::fromStdString(dir + "/config/fcitx5/profile"));
    if (!QDir().mkpath(QString::fromStdString(dir + "/config/fcitx5")) ||
        !profile.open(QIODevice::WriteOnly) || profile.write(kFcitxProfile) < 0) {
        m_error = "cannot write fcitx5's profile";
        return false;
    }
    profile.close();
    const std::vector<std::string> env = clientEnvironment();
    if (kind == Kind::Fcitx5) {
        m_daemon = spawnProgram({"fcitx5"}, env);
    } else {
        m_daemon = spawnProgram(
            {"ibus-daemon", "--panel=disable", "--config=/usr/libexec/ibus-memconf", "--xim"}, env);
    }
    // Ready once it owns its name on the bus (fcitx5), or takes the engine (ibus, whose own bus
    // its clients find by its address file).
    const auto ready = [&] {
        if (kind == Kind::Ibus) {
            // Its exit status says "failed" even where the engine is set: asked again.
            runProgram({"ibus", "engine", "libpinyin"}, env);
            return runProgram({"ibus", "engine"}, env).bytes.trimmed() == "libpinyin";
        }
        return runProgram({"gdbus", "call", "--session", "--dest", "org.freedesktop.DBus",
                           "--object-path", "/org/freedesktop/DBus", "--method",
                           "org.freedesktop.DBus.GetNameOwner", "org.fcitx.Fcitx5"},
                          env, true)
                   .status == 0;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!ready()) {
        if (std::chrono::steady_clock::now() > deadline) {
            m_error = kind == Kind::Ibus ? "ibus never took its engine" : "fcitx5 never started";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}
