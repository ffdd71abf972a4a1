#pragma once
// A screen grabber that keeps a copy of every image another grabber returns, as a PNG file at
// a fixed path (the last grab wins). It lets a test compare what a capture produced with the
// screen exactly as the capture froze it, since the screen itself may change meanwhile.

#include <QString>
#include <cstdio>

#include "platform/screen_grabber.h"
#include "platform/whole_file_writer.h"

class GrabRecorder : public ScreenGrabber {
public:
    GrabRecorder(ScreenGrabber& grabber, QString path)
        : m_grabber(grabber), m_path(std::move(path)) {}

    Pixels grab(const Rect& displayRect) override {
        Pixels image = m_grabber.grab(displayRect);
        // Written whole and then renamed, so a reader never sees half a file.
        const QString partial = m_path + QStringLiteral(".part");
        if (!image.isNull() && !writeWholeFile(partial, encodePng(image)))
            std::rename(qPrintable(partial), qPrintable(m_path));
        return image;
    }
    QString lastError() const override { return m_grabber.lastError(); }
    bool displayLost() const override { return m_grabber.displayLost(); }

private:
    ScreenGrabber& m_grabber;
    QString m_path;
};
