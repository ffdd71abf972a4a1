#pragma once
// The clipboard, kept alive after this process has ended by a helper program (see
// clipboard_helper.h), which owns it on X11, through a compositor's data control, or through
// Xwayland's X11 clipboard. prepare() starts the helper early so that its start-up overlaps the
// grab; setImage() hands it the pixels (setPng() a finished PNG) and returns true once it owns
// the clipboard.
// Needs no QGuiApplication: plain POSIX.

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "platform/clipboard.h"

class ClipboardKeeper : public Clipboard {
public:
    explicit ClipboardKeeper(std::string helperExecutable,
                             std::chrono::milliseconds readyTimeout = std::chrono::seconds(5));
    ~ClipboardKeeper() override;
    ClipboardKeeper(const ClipboardKeeper&) = delete;
    ClipboardKeeper& operator=(const ClipboardKeeper&) = delete;

    void prepare() override;
    bool setImage(const Pixels& image) override;
    bool setPng(const QByteArray& png) override;

    // The helper started last, whether still waiting for an image or owning the clipboard;
    // -1 before any.
    pid_t helperPid() {
        finishSpawning();
        return m_lastHelper;
    }

    // The helper program installed with this process's executable: next to it (the build
    // tree), else where the package installs it.
    static std::string helperExecutable();

private:
    bool spawnHelper();
    // Waits for a start begun by prepare().
    void finishSpawning();
    bool handOver(const Pixels& image);
    bool handOverPng(const QByteArray& png);
    bool deliver(const std::function<bool()>& handOverStep);
    void dropHelper(bool kill);

    std::string m_executable;
    std::chrono::milliseconds m_readyTimeout;
    pid_t m_helper = -1;  // started and not yet given an image
    int m_pixelsFd = -1;
    int m_channelFd = -1;
    pid_t m_lastHelper = -1;
    // prepare() starts the helper from here: spawning waits until the new process has been set
    // up, which the capture need not wait for.
    std::thread m_spawning;
};
