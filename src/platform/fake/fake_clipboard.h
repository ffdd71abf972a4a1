#pragma once

#include "platform/clipboard.h"

class FakeClipboard : public Clipboard {
public:
    void prepare() override { prepared = true; }
    bool setImage(const QImage& i) override {
        if (refuse) return false;
        image = i;
        return true;
    }
    QImage image;
    bool prepared = false;
    bool refuse = false;
};
