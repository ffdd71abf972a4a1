#include "platform/wayland/toolkit_clipboard.h"

#include <QClipboard>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>
#include <QTimer>
#include <functional>

#include "platform/clipboard_helper.h"
#include "platform/png_image.h"

namespace {

// Tells when its PNG is asked for: the toolkit writes the bytes to the reader right after.
class ReadNotifyingMimeData : public QMimeData {
public:
    std::function<void()> onRead;

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override {
        if (mimeType == QLatin1String(kClipboardPngMime) && onRead) onRead();
        return QMimeData::retrieveData(mimeType, type);
    }
};

}  // namespace

bool ToolkitClipboard::setImage(const Pixels& image) {
    return setPng(encodePng(image));
}

bool ToolkitClipboard::setPng(const QByteArray& png) {
    if (png.isEmpty() || QGuiApplication::instance() == nullptr) return false;
    // The clipboard owns the offer from here on, and drops it once another program takes over.
    QPointer<ReadNotifyingMimeData> offer = new ReadNotifyingMimeData;
    offer->setData(QString::fromLatin1(kClipboardPngMime), png);
    bool read = false;
    QEventLoop loop;
    offer->onRead = [&] {
        read = true;
        // Quit once the toolkit has written what was asked for.
        QTimer::singleShot(0, &loop, &QEventLoop::quit);
    };
    QGuiApplication::clipboard()->setMimeData(offer);
    QTimer::singleShot(m_readTimeout, &loop, &QEventLoop::quit);
    loop.exec();
    // It must not call back into this frame later.
    if (offer) offer->onRead = nullptr;
    return read;
}
