#pragma once

#include <vector>

#include "platform/pixels_image.h"
#include "platform/screen_grabber.h"

// Cuts the requested rectangle out of a desktop image whose top-left is the main screen's.
class FakeScreenGrabber : public ScreenGrabber {
public:
    Pixels grab(const Rect& displayRect) override {
        requests.push_back(displayRect);
        if (fail) return {};
        const double dpr = desktop.devicePixelRatio();
        QImage image = desktop.copy(QRect(static_cast<int>((displayRect.x - origin.x) * dpr),
                                          static_cast<int>((displayRect.y - origin.y) * dpr),
                                          static_cast<int>(displayRect.width * dpr),
                                          static_cast<int>(displayRect.height * dpr)));
        image.setDevicePixelRatio(dpr);
        return pixelsOf(image);
    }
    QString lastError() const override {
        return fail ? QStringLiteral("the fake grab fails") : QString();
    }
    // A plain desktop the size of FakeScreens' main screen.
    QImage desktop = [] {
        QImage image(1440, 900, QImage::Format_RGB32);
        image.fill(Qt::gray);
        return image;
    }();
    Point origin;  // display coordinates of the desktop image's top-left pixel
    bool fail = false;
    std::vector<Rect> requests;
};
