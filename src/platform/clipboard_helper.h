#pragma once
// quillet-clipboard-helper, the program that keeps a finished image on the clipboard after the
// capturing process has ended: it receives the pixels from ClipboardKeeper and encodes the PNG
// once (or receives a finished PNG and serves it as it is), owns the clipboard, and exits as
// soon as another client takes it or its connection goes away. It talks to the window system
// directly (a ClipboardServer: xcb, or Wayland's data control): no toolkit start-up stands
// between the capture and the first paste.

#include <QImage>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/clipboard_server.h"

// argv[1] of the helper: it runs only when started by ClipboardKeeper.
inline constexpr char kClipboardHelperFlag[] = "--quillet-clipboard-helper";

// Descriptors the helper is started with (standard input, output and error are /dev/null):
inline constexpr int kHelperPixelsFd = 3;   // a memfd holding the pixel rows
inline constexpr int kHelperChannelFd = 4;  // a stream socket to the capturing process
// Over the channel the capturing process sends one ClipboardImageHeader once the pixels are in
// place, and the helper answers with one byte: kHelperReady once CLIPBOARD is really its own,
// kHelperFailed otherwise. A channel closed before the header means "no image": the helper exits.
inline constexpr char kHelperReady = 'R';
inline constexpr char kHelperFailed = 'F';
inline constexpr quint32 kClipboardImageMagic = 0x51434c50;  // "QCLP"

inline constexpr qint32 kClipboardPngBytes = 0x504e47;  // "PNG", no QImage::Format

struct ClipboardImageHeader {
    quint32 magic = kClipboardImageMagic;
    qint32 width = 0;
    qint32 height = 0;
    // QImage::Format: RGB32, ARGB32 or ARGB32_Premultiplied; or kClipboardPngBytes, when the
    // memfd holds a finished PNG of `bytesPerLine` bytes that is served as it is.
    qint32 format = 0;
    qint64 bytesPerLine = 0;
    qint32 dotsPerMeterX = 0;
    qint32 dotsPerMeterY = 0;
    double devicePixelRatio = 1.0;
    // Non-zero: the pixels are not in the helper's memfd but in one that comes with this header
    // (SCM_RIGHTS), from `pixelsOffset` on: the grab's own memory, passed without a copy.
    qint32 pixelsInPassedFd = 0;
    qint64 pixelsOffset = 0;
};

// The data type the helper offers.
inline constexpr char kClipboardPngMime[] = "image/png";

// The helper's whole run once started: `connect` opens its own connection to the window
// system. Returns the process's exit status.
int runClipboardHelper(const std::function<std::unique_ptr<ClipboardServer>()>& connect);
