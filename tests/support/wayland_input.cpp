#include "support/wayland_input.h"

#include <fcntl.h>
#include <linux/input-event-codes.h>
#include <poll.h>
#include <unistd.h>

#include <map>

#include "support/child_process.h"
#include "support/wayland_session.h"

WaylandInput::WaylandInput(const WaylandSession& session, int layoutWidth, int layoutHeight)
    : m_environment(session.clientEnvironment()) {
    startPointer({QUILLET_WL_POINTER, std::to_string(layoutWidth), std::to_string(layoutHeight)});
    // The seat announces a pointer and a keyboard to its clients when the first input of each
    // arrives, and a client that learns of one only then misses that input. Both are announced
    // here, before any client of the test starts: a move to the layout's far corner, and a key
    // typed while a keyboard stays for the whole test.
    move(layoutWidth - 1, layoutHeight - 1);
    m_keyboard = spawnProgram({"wtype", "-s", "3600000"}, m_environment);
    key("Shift_L");
}

WaylandInput::WaylandInput(std::vector<std::string> environment, const std::string& program)
    : m_environment(std::move(environment)), m_keysThroughPointer(true) {
    startPointer({program});
}

void WaylandInput::startPointer(std::vector<std::string> arguments) {
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0) return;
    if (pipe2(out, O_CLOEXEC) != 0) {
        close(in[0]);
        close(in[1]);
        return;
    }
    // Everything the child needs is made before the fork: after it only async-signal-safe
    // calls may follow.
    std::vector<std::string> environment;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry(*e);
        const std::string name = entry.substr(0, entry.find('='));
        bool changed = false;
        for (const std::string& change : m_environment) {
            changed |= change.substr(0, change.find('=')) == name;
        }
        if (!changed) environment.push_back(entry);
    }
    for (const std::string& change : m_environment) {
        if (change.find('=') != std::string::npos) environment.push_back(change);
    }
    std::vector<char*> envp;
    for (std::string& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::vector<char*> argv;
    for (std::string& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    m_toPointer = in[1];
    m_fromPointer = out[0];
    m_pointer = pid;
}

WaylandInput::~WaylandInput() {
    if (m_toPointer >= 0) close(m_toPointer);
    if (m_fromPointer >= 0) close(m_fromPointer);
    stopProgram(m_pointer);
    stopProgram(m_keyboard);
}

bool WaylandInput::command(const std::string& line) {
    if (m_pointer <= 0) return false;
    const std::string text = line + "\n";
    if (write(m_toPointer, text.data(), text.size()) != ssize_t(text.size())) return false;
    std::string answer;
    pollfd pfd{m_fromPointer, POLLIN, 0};
    while (answer.find('\n') == std::string::npos) {
        if (poll(&pfd, 1, 10000) <= 0) return false;
        char buffer[64];
        const ssize_t n = read(m_fromPointer, buffer, sizeof buffer);
        if (n <= 0) return false;
        answer.append(buffer, size_t(n));
    }
    return answer.starts_with("ok");
}

bool WaylandInput::move(int x, int y) {
    return command("move " + std::to_string(x) + " " + std::to_string(y));
}
bool WaylandInput::press() {
    return command("down");
}
bool WaylandInput::release() {
    return command("up");
}

bool WaylandInput::drag(std::pair<int, int> from, std::pair<int, int> to,
                        const std::vector<std::pair<int, int>>& via) {
    bool ok = move(from.first, from.second) && press();
    for (const auto& p : via) ok = ok && move(p.first, p.second);
    return ok && move(to.first, to.second) && release();
}

bool WaylandInput::key(const std::string& name, const std::vector<std::string>& modifiers) {
    if (m_keysThroughPointer) {
        // Linux input event codes of the keys the tests type.
        const std::map<std::string, int> codes = {
            {"Return", KEY_ENTER}, {"Escape", KEY_ESC}, {"Shift_L", KEY_LEFTSHIFT}};
        const auto code = codes.find(name);
        return modifiers.empty() && code != codes.end() &&
               command("key " + std::to_string(code->second));
    }
    std::vector<std::string> argv{"wtype"};
    for (const std::string& m : modifiers) argv.insert(argv.end(), {"-M", m});
    argv.insert(argv.end(), {"-k", name});
    for (const std::string& m : modifiers) argv.insert(argv.end(), {"-m", m});
    return runProgram(argv, m_environment).status == 0;
}

bool WaylandInput::type(const std::string& text) {
    return !m_keysThroughPointer && runProgram({"wtype", text}, m_environment).status == 0;
}
