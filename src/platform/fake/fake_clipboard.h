#pragma once

#include "platform/clipboard.h"
#include "platform/pixels_image.h"

class FakeClipboard : public Clipboard {
public:
    void prepare() override { prepared = true; }
    bool setImage(const Pixels& i) override {
        if (refuse) return false;
        image = imageOf(i);
        return true;
    }
    bool setPng(const QByteArray& bytes) override {
        if (refuse) return false;
        png = bytes;
        image = QImage::fromData(bytes, "PNG");
        return true;
    }
    QImage image;
    QByteArray png;  // what setPng was given
    bool prepared = false;
    bool refuse = false;
};
