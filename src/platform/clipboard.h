#pragma once
// The system clipboard, holding an image that stays pasteable after this process has ended.

#include <QByteArray>

#include "platform/pixels.h"

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // Called as soon as an image is known to follow shortly: an implementation may start
    // slow work ahead (a helper process, say). Calling it is optional.
    virtual void prepare() {}
    // Puts the image on the clipboard, offered as image/png. Returns once other programs can
    // paste it; false when the clipboard could not be taken.
    virtual bool setImage(const Pixels& image) = 0;
    // Puts an image already encoded as PNG on the clipboard: every paste gets exactly these
    // bytes, so that a saved file and the clipboard hold one encoding.
    virtual bool setPng(const QByteArray& png) = 0;
    // Whether the clipboard takes an image only from a program whose window has the keyboard
    // focus: the capture then keeps its window up until the image is set.
    virtual bool needsFocusedWindow() const { return false; }
};
