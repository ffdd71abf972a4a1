#pragma once
// Runs the real quillet-capture binary the way a host does: a parameter file, the launch
// argument, a time limit; then the exit status, standard error and the parsed result file.

#include <sys/types.h>

#include <QImage>
#include <QJsonObject>
#include <QTemporaryDir>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

struct ToolLaunch {
    QJsonObject parameters;
    int hideCurrentWindow = 0;
    int autoCaptureFlag = 0;
    int x = 0, y = 0, width = 0, height = 0;
    // The result file's path as bytes, when not the run's own result.json.
    std::optional<std::string> resultPath = std::nullopt;
};

class ToolRun {
public:
    ToolRun();
    ~ToolRun();

    // Starts the tool on `display` ("" leaves DISPLAY unset), with further environment changes
    // as spawnProgram takes them.
    bool start(const ToolLaunch& launch, const std::string& display,
               const std::vector<std::string>& env = {});
    bool startWithArguments(const std::vector<std::string>& arguments,
                            const std::vector<std::string>& env);

    // Another copy of the tool to start (the build's by default).
    void setProgram(std::string program) { m_program = std::move(program); }

    // Waits for the exit; false on timeout (the process is then still running).
    bool waitForExit(std::chrono::milliseconds timeout);
    bool running();
    // Standard error goes to `fd` (kept open by the caller until start) instead of the file
    // that standardError() reads; kClosedStream starts the tool with it closed.
    void setStandardError(int fd) { m_stderrFd = fd; }
    // Standard output: /dev/null, or closed with kClosedStream.
    void setStandardOutput(int fd) { m_stdoutFd = fd; }
    void stop();
    // Stops a run still going and forgets it (result, log, recorded screen), for another start.
    void reset();

    pid_t pid() const { return m_pid; }
    int exitStatus() const { return m_exitStatus; }  // the low eight bits, as a parent sees them
    std::string standardError() const;
    // Waits until standard error holds `text` or the tool has exited; true for the former.
    bool waitForStandardError(const std::string& text, std::chrono::milliseconds timeout);
    std::optional<QJsonObject> result() const;
    QString resultPath() const { return m_dir.filePath("result.json"); }
    // The screen as the tool last grabbed it (the tool records its grabs for the tests); null
    // before its first grab.
    QImage frozenScreen() const;

private:
    QString frozenScreenPath() const { return m_dir.filePath("frozen.png"); }

    QTemporaryDir m_dir;
    std::string m_program = QUILLET_CAPTURE_BINARY;
    pid_t m_pid = -1;
    int m_exitStatus = -1;
    int m_stderrFd = -1;
    int m_stdoutFd = -1;
};
