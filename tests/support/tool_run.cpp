#include "support/tool_run.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QJsonDocument>
#include <thread>

#include "support/child_process.h"
#include "support/result_file.h"

ToolRun::ToolRun() = default;

ToolRun::~ToolRun() {
    stop();
}

bool ToolRun::start(const ToolLaunch& launch, const std::string& display,
                    const std::vector<std::string>& env) {
    QFile params(m_dir.filePath("params.json"));
    if (!params.open(QIODevice::WriteOnly)) return false;
    params.write(QJsonDocument(launch.parameters).toJson());
    params.close();
    const std::string argument = "startfromlocal," + params.fileName().toStdString() + "," +
                                 launch.resultPath.value_or(resultPath().toStdString()) +
                                 ",unused," + std::to_string(launch.hideCurrentWindow) + "," +
                                 std::to_string(launch.autoCaptureFlag) + "," +
                                 std::to_string(launch.x) + "," + std::to_string(launch.y) + "," +
                                 std::to_string(launch.width) + "," + std::to_string(launch.height);
    // The tests' private X server is all the tool may see of the desktop they run on.
    std::vector<std::string> changes{display.empty() ? "DISPLAY" : "DISPLAY=" + display,
                                     "WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "QUILLET_PLATFORM",
                                     "QUILLET_RECORD_GRABS=" + frozenScreenPath().toStdString()};
    changes.insert(changes.end(), env.begin(), env.end());
    return startWithArguments({argument}, changes);
}

bool ToolRun::startWithArguments(const std::vector<std::string>& arguments,
                                 const std::vector<std::string>& env) {
    std::vector<std::string> argv{m_program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const std::string errPath = m_dir.filePath("stderr.txt").toStdString();
    const int errFd = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    m_pid = spawnProgram(argv, env, m_stdoutFd, m_stderrFd != -1 ? m_stderrFd : errFd);
    close(errFd);
    return m_pid > 0;
}

bool ToolRun::waitForExit(std::chrono::milliseconds timeout) {
    if (m_pid <= 0) return m_exitStatus >= 0;
    const std::optional<int> status = ::waitForExit(m_pid, timeout);
    if (!status) return false;
    m_exitStatus = *status;
    m_pid = -1;
    return true;
}

bool ToolRun::running() {
    return m_pid > 0 && !waitForExit(std::chrono::milliseconds(0));
}

void ToolRun::stop() {
    stopProgram(m_pid);
    m_pid = -1;
}

void ToolRun::reset() {
    stop();
    m_exitStatus = -1;
    for (const char* name : {"result.json", "stderr.txt", "frozen.png"}) {
        QFile::remove(m_dir.filePath(name));
    }
}

std::string ToolRun::standardError() const {
    QFile f(m_dir.filePath("stderr.txt"));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll().toStdString();
}

QImage ToolRun::frozenScreen() const {
    return QImage(frozenScreenPath(), "PNG");
}

bool ToolRun::waitForStandardError(const std::string& text, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (standardError().find(text) == std::string::npos) {
        if (!running() || std::chrono::steady_clock::now() > deadline) return false;
        // The tool writes the line and goes on: no event tells when.
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

std::optional<QJsonObject> ToolRun::result() const {
    return readResultFile(resultPath());
}
