#pragma once
// The system clipboard, holding an image that stays pasteable after this process has ended.

#include <QImage>

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // Called as soon as an image is known to follow shortly: an implementation may start
    // slow work ahead (a helper process, say). Calling it is optional.
    virtual void prepare() {}
    // Puts the image on the clipboard, offered as image/png. Returns once other programs can
    // paste it; false when the clipboard could not be taken.
    virtual bool setImage(const QImage& image) = 0;
};
