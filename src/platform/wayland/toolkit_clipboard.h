#pragma once
// The clipboard where the compositor lets no other program own it for us (GNOME: no data
// control): the image is offered through the toolkit's own clipboard, which the compositor
// accepts only from a program whose window has the keyboard focus. The image outlives this
// process only where the compositor keeps a copy of what it was offered (GNOME's does so at
// once, for images up to 200 MB), so setting it waits until the offer has been read.
// Needs a QGuiApplication.

#include <chrono>

#include "platform/clipboard.h"

class ToolkitClipboard : public Clipboard {
public:
    explicit ToolkitClipboard(std::chrono::milliseconds readTimeout = std::chrono::seconds(3))
        : m_readTimeout(readTimeout) {}
    bool setImage(const Pixels& image) override;
    // True once some program (the compositor's keeper of the clipboard) has read the PNG;
    // false when nobody did within the time allowed.
    bool setPng(const QByteArray& png) override;
    bool needsFocusedWindow() const override { return true; }

private:
    std::chrono::milliseconds m_readTimeout;
};
