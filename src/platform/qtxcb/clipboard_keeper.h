#pragma once
// The X11 clipboard, kept alive after this process has ended by a helper: our own executable in
// its hidden mode (see clipboard_helper.h). prepare() starts the helper early so that its start-up
// overlaps the grab; setImage() hands it the pixels (setPng() a finished PNG) and returns true once
// it owns CLIPBOARD.
// Needs no QGuiApplication: plain POSIX and QImage.

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>

#include "platform/clipboard.h"

class ClipboardKeeper : public Clipboard {
public:
    explicit ClipboardKeeper(std::string helperExecutable,
                             std::chrono::milliseconds readyTimeout = std::chrono::seconds(5));
    ~ClipboardKeeper() override;
    ClipboardKeeper(const ClipboardKeeper&) = delete;
    ClipboardKeeper& operator=(const ClipboardKeeper&) = delete;

    void prepare() override;
    bool setImage(const QImage& image) override;
    bool setPng(const QByteArray& png) override;

    // The helper started last, whether still waiting for an image or owning the clipboard;
    // -1 before any.
    pid_t helperPid() const { return m_lastHelper; }

    // This process's executable, resolved: what the product passes to the constructor.
    static std::string ownExecutable();

private:
    bool spawnHelper();
    bool handOver(const QImage& image);
    bool handOverPng(const QByteArray& png);
    bool deliver(const std::function<bool()>& handOverStep);
    void dropHelper(bool kill);

    std::string m_executable;
    std::chrono::milliseconds m_readyTimeout;
    pid_t m_helper = -1;  // started and not yet given an image
    int m_pixelsFd = -1;
    int m_channelFd = -1;
    pid_t m_lastHelper = -1;
};
