#pragma once
// What the Wayland end-to-end tests share: runs of the tool on a private headless sway, waits
// for the compositor's states, and a desktop portal of the test's own.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/child_process.h"
#include "support/tool_outcome.h"
#include "support/tool_run.h"
#include "support/wayland_input.h"
#include "support/wayland_session.h"

namespace wayland_e2e {

using namespace std::chrono_literals;

inline constexpr int kExitFinished = 1;
inline constexpr int kExitCannotRecord = 253;  // -3

// Runs one automatic capture to its end; the pasted image (null when nothing could be pasted).
struct AutomaticRun {
    int exitStatus = -1;
    std::optional<QJsonObject> result;
    QImage pasted;
    std::string standardError;
};

inline AutomaticRun captureAutomatically(const WaylandSession& session, const ToolLaunch& launch) {
    AutomaticRun run;
    ToolRun tool;
    if (!tool.start(launch, "", session.clientEnvironment())) return run;
    if (!tool.waitForExit(20s)) return run;
    run.exitStatus = tool.exitStatus();
    run.result = tool.result();
    run.standardError = tool.standardError();
    run.pasted = session.pastedImage();
    return run;
}

// Checks `condition` every 20 ms until it holds (true) or `timeout` has passed (false): for
// states of the compositor that no event of ours tells.
template <typename Condition>
bool waitUntil(Condition condition, std::chrono::milliseconds timeout = 20s) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

inline QJsonObject swayTree(const WaylandSession& session) {
    return QJsonDocument::fromJson(session.swaymsg({"-t", "get_tree"})).object();
}

// The title of the focused window in the compositor's tree, if it is one of process `pid`.
inline std::optional<QString> focusedWindowOf(const QJsonObject& node, qint64 pid) {
    if (node["pid"].toInteger() == pid && node["focused"].toBool()) return node["name"].toString();
    for (const char* key : {"nodes", "floating_nodes"}) {
        for (const QJsonValue& child : node[key].toArray()) {
            if (auto title = focusedWindowOf(child.toObject(), pid)) return title;
        }
    }
    return std::nullopt;
}

// Whether the compositor's tree holds a focused full-screen window of process `pid`.
inline bool focusedFullScreenOf(const QJsonObject& node, qint64 pid) {
    if (node["pid"].toInteger() == pid && node["focused"].toBool() &&
        node["fullscreen_mode"].toInt() != 0) {
        return true;
    }
    for (const char* key : {"nodes", "floating_nodes"}) {
        for (const QJsonValue& child : node[key].toArray()) {
            if (focusedFullScreenOf(child.toObject(), pid)) return true;
        }
    }
    return false;
}

// Starts an interactive capture and returns once the compositor has made its window
// full-screen and given it the focus.
inline void startInteractive(const WaylandSession& session, ToolRun& tool,
                             const std::vector<std::string>& moreEnvironment = {}) {
    std::vector<std::string> env = session.clientEnvironment();
    env.insert(env.end(), moreEnvironment.begin(), moreEnvironment.end());
    ASSERT_TRUE(tool.start({{}, 0, 0}, "", env));
    ASSERT_TRUE(waitUntil(
        [&] { return !tool.running() || focusedFullScreenOf(swayTree(session), tool.pid()); }));
    ASSERT_TRUE(tool.running()) << "the capture window did not get the focus\n"
                                << tool.standardError();
}

// With an interactive capture's overlay up: Escape cancels it, or a drag from (150, 120) to
// (750, 520) finished with Return selects kDraggedArea. The caller checks what was pasted.
inline constexpr Rect kDraggedArea{150, 120, 600, 400};
inline void cancelOrSelect(WaylandInput& input, ToolRun& tool, bool select) {
    if (!select) {
        ASSERT_TRUE(input.key("Escape"));
        EXPECT_EQ(finishedResult(tool, 2)["Type"].toInt(), 2);
        return;
    }
    ASSERT_TRUE(input.drag({150, 120}, {750, 520}, {{400, 300}}));
    ASSERT_TRUE(input.key("Return"));
    EXPECT_EQ(resultGeometry(finishedResult(tool, kExitFinished)), kDraggedArea);
}

// A program of the test's own that stands in for a desktop service on the session's bus,
// started with `argv` and ready once it says so. Stopped by the destructor.
class StandIn {
public:
    StandIn(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) return;
        m_pid = spawnProgram(argv, env, fds[1]);
        close(fds[1]);
        char ready[16] = {};
        m_ready = read(fds[0], ready, sizeof ready) > 0;
        close(fds[0]);
    }
    ~StandIn() { stopProgram(m_pid); }
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;
    bool ready() const { return m_ready; }

private:
    pid_t m_pid = -1;
    bool m_ready = false;
};

// A desktop portal of the test's own (quillet_fake_portal) on the session's bus, answering
// every request with `code` ("0" a picture, "1" refused, "2" failed, "never") and `file`;
// more options as the program takes them.
class FakePortal : public StandIn {
public:
    FakePortal(const std::vector<std::string>& env, const std::string& code,
               const std::string& file, const std::vector<std::string>& options = {})
        : StandIn(arguments(code, file, options), env) {}

private:
    static std::vector<std::string> arguments(const std::string& code, const std::string& file,
                                              const std::vector<std::string>& options) {
        std::vector<std::string> argv{QUILLET_FAKE_PORTAL, code, file};
        argv.insert(argv.end(), options.begin(), options.end());
        return argv;
    }
};

// The environment of a tool that reads the screen through the portal.
inline std::vector<std::string> portalEnvironment(const WaylandSession& session) {
    std::vector<std::string> env = session.clientEnvironment();
    env.push_back("QUILLET_WAYLAND_CAPTURE=portal");
    return env;
}

}  // namespace wayland_e2e
