#include "platform/qtxcb/clipboard_helper.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QAbstractNativeEventFilter>
#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTimer>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/png_encoder.h"
#include "platform/qtxcb/display_check.h"

namespace {

constexpr char kPngMime[] = "image/png";
// A safety net next to QClipboard::changed: however the loss of ownership was missed, the
// helper notices it within this time.
constexpr int kOwnershipPollMs = 1000;

// The image as it travels through the helper: pixels arrive, then the PNG is ready.
class EncodedImage {
public:
    enum class Stage { Waiting, Arrived, Encoded, Failed };

    void setStage(Stage stage, QByteArray png = {}) {
        std::function<void()> onFailure;
        {
            const std::lock_guard lock(m_mutex);
            m_stage = stage;
            m_png = std::move(png);
            if (stage == Stage::Failed) onFailure = std::move(m_onFailure);
        }
        m_changed.notify_all();
        if (onFailure) onFailure();
    }
    // `callback` runs once, on the thread that finds the image cannot become a PNG (at once
    // when that is known already).
    void onFailure(std::function<void()> callback) {
        {
            const std::lock_guard lock(m_mutex);
            if (m_stage != Stage::Failed) {
                m_onFailure = std::move(callback);
                return;
            }
        }
        callback();
    }
    bool failed() {
        const std::lock_guard lock(m_mutex);
        return m_stage == Stage::Failed;
    }
    // Blocks until the pixels arrived (true) or never will (false).
    bool waitForPixels() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_stage != Stage::Waiting; });
        return m_stage != Stage::Failed;
    }
    // Blocks until the encoding has finished; a paste that comes early is served from here.
    QByteArray waitForPng() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock,
                       [this] { return m_stage == Stage::Encoded || m_stage == Stage::Failed; });
        return m_png;
    }

    std::atomic<bool> cancel{false};

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    Stage m_stage = Stage::Waiting;
    QByteArray m_png;
    std::function<void()> m_onFailure;
};

class PngMimeData : public QMimeData {
public:
    explicit PngMimeData(std::shared_ptr<EncodedImage> image) : m_image(std::move(image)) {}

    QStringList formats() const override { return {QString::fromLatin1(kPngMime)}; }
    bool hasFormat(const QString& mimeType) const override { return mimeType == kPngMime; }

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType) const override {
        if (mimeType != kPngMime) return {};
        return m_image->waitForPng();
    }

private:
    std::shared_ptr<EncodedImage> m_image;
};

bool readExactly(int fd, void* data, size_t size) {
    auto* out = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t n = read(fd, out, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        out += n;
        size -= size_t(n);
    }
    return true;
}

void answer(char byte) {
    while (send(kHelperChannelFd, &byte, 1, MSG_NOSIGNAL) < 0 && errno == EINTR) {
    }
}

// Runs on its own thread from the start, so that the encoding overlaps Qt's start-up when the
// pixels come early.
// A finished PNG from the capturing process: served as it is, never re-encoded.
void receivePng(const ClipboardImageHeader& header, const std::shared_ptr<EncodedImage>& image) {
    static constexpr char kSignature[] = "\x89PNG\r\n\x1a\n";
    struct stat info {};
    QByteArray png;
    if (header.bytesPerLine > 8 && fstat(kHelperPixelsFd, &info) == 0 &&
        info.st_size >= header.bytesPerLine) {
        png.resize(header.bytesPerLine);
        if (pread(kHelperPixelsFd, png.data(), size_t(png.size()), 0) != png.size() ||
            !png.startsWith(QByteArray::fromRawData(kSignature, 8))) {
            png.clear();
        }
    }
    close(kHelperPixelsFd);
    if (png.isEmpty()) {
        image->setStage(EncodedImage::Stage::Failed);
        return;
    }
    image->setStage(EncodedImage::Stage::Encoded, std::move(png));
}

void receiveAndEncode(const std::shared_ptr<EncodedImage>& image) {
    ClipboardImageHeader header;
    struct stat info {};
    if (!readExactly(kHelperChannelFd, &header, sizeof header) ||
        header.magic != kClipboardImageMagic) {
        image->setStage(EncodedImage::Stage::Failed);
        return;
    }
    if (header.format == kClipboardPngBytes) {
        receivePng(header, image);
        return;
    }
    const bool valid =
        header.width > 0 && header.height > 0 && isPngNativeFormat(QImage::Format(header.format)) &&
        header.bytesPerLine >= qint64(header.width) * 4 && fstat(kHelperPixelsFd, &info) == 0 &&
        info.st_size >= header.bytesPerLine * header.height;
    if (!valid) {
        image->setStage(EncodedImage::Stage::Failed);
        return;
    }
    const size_t mappedSize = size_t(header.bytesPerLine) * size_t(header.height);
    void* pixels = mmap(nullptr, mappedSize, PROT_READ, MAP_SHARED, kHelperPixelsFd, 0);
    close(kHelperPixelsFd);
    if (pixels == MAP_FAILED) {
        image->setStage(EncodedImage::Stage::Failed);
        return;
    }
    image->setStage(EncodedImage::Stage::Arrived);

    const PngPixels view{static_cast<const uchar*>(pixels),
                         header.width,
                         header.height,
                         header.bytesPerLine,
                         QImage::Format(header.format),
                         header.dotsPerMeterX,
                         header.dotsPerMeterY};
    QByteArray png = encodePng(view, {}, &image->cancel);
    munmap(pixels, mappedSize);
    const auto stage = png.isEmpty() ? EncodedImage::Stage::Failed : EncodedImage::Stage::Encoded;
    image->setStage(stage, std::move(png));
}

xcb_connection_t* qtConnection() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    return connection && !xcb_connection_has_error(connection) ? connection : nullptr;
}

// Our own windows carry our connection's resource id base; Qt's ownsClipboard() only reflects
// what Qt asked for, not what the server granted.
bool ownsClipboardOnServer() {
    xcb_connection_t* connection = qtConnection();
    if (!connection) return false;
    static const xcb_atom_t clipboardAtom = [connection] {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, 9, "CLIPBOARD"), nullptr);
        const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(reply);
        return atom;
    }();
    if (clipboardAtom == XCB_ATOM_NONE) return false;
    xcb_get_selection_owner_reply_t* reply = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, clipboardAtom), nullptr);
    const xcb_window_t owner = reply ? reply->owner : XCB_NONE;
    free(reply);
    const xcb_setup_t* setup = xcb_get_setup(connection);
    return owner != XCB_NONE && (owner & ~setup->resource_id_mask) == setup->resource_id_base;
}

// Gives CLIPBOARD up unless another client has taken it meanwhile. Checked and given up under a
// server grab, so that no other client's claim can come in between and be undone by ours.
void releaseClipboard(QClipboard* clipboard) {
    xcb_connection_t* connection = qtConnection();
    if (!connection) return;
    xcb_grab_server(connection);
    if (ownsClipboardOnServer()) clipboard->clear(QClipboard::Clipboard);
    xcb_ungrab_server(connection);
    xcb_flush(connection);
}

// Stands before Qt's answer to a paste: one that needs the PNG waits here for the encoding, and
// when there is no PNG it is refused (Qt would send an empty one). Asking for the list of
// types needs no PNG and is left to Qt until the encoding has failed.
class PasteGate : public QAbstractNativeEventFilter {
public:
    explicit PasteGate(std::shared_ptr<EncodedImage> image) : m_image(std::move(image)) {}

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if (type != "xcb_generic_event_t" || (event->response_type & 0x7f) != XCB_SELECTION_REQUEST)
            return false;
        const auto& request = *reinterpret_cast<const xcb_selection_request_event_t*>(event);
        xcb_connection_t* connection = qtConnection();
        if (!connection) return false;
        if (m_targets == XCB_ATOM_NONE) {
            m_targets = internAtom(connection, "TARGETS");
            m_timestamp = internAtom(connection, "TIMESTAMP");
        }
        const bool needsPng = request.target != m_targets && request.target != m_timestamp;
        if (needsPng ? !m_image->waitForPng().isEmpty() : !m_image->failed()) return false;

        xcb_selection_notify_event_t refusal{};
        refusal.response_type = XCB_SELECTION_NOTIFY;
        refusal.time = request.time;
        refusal.requestor = request.requestor;
        refusal.selection = request.selection;
        refusal.target = request.target;
        refusal.property = XCB_NONE;
        std::array<char, 32> wire{};  // events travel as 32 bytes, longer than the struct
        std::memcpy(wire.data(), &refusal, sizeof refusal);
        xcb_send_event(connection, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT, wire.data());
        xcb_flush(connection);
        return true;
    }

private:
    static xcb_atom_t internAtom(xcb_connection_t* connection, const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(reply);
        return atom;
    }

    std::shared_ptr<EncodedImage> m_image;
    xcb_atom_t m_targets = XCB_ATOM_NONE;
    xcb_atom_t m_timestamp = XCB_ATOM_NONE;
};

// A host that reads the capturing process's output must see its end when that process exits,
// and a signal to the caller's process group must not reach the helper.
void detachFromCaller() {
    setsid();
    const int devNull = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (devNull >= 0) {
        dup2(devNull, STDIN_FILENO);
        dup2(devNull, STDOUT_FILENO);
        dup2(devNull, STDERR_FILENO);
        if (devNull > STDERR_FILENO) close(devNull);
    }
    close_range(kHelperChannelFd + 1, ~0u, 0);
}

// What the helper does not need costs start-up time: input methods, XInput, the session
// manager, desktop themes.
void leanQtEnvironment() {
    qputenv("QT_QPA_PLATFORM", "xcb");
    qputenv("QT_QPA_PLATFORMTHEME", "generic");
    qputenv("QT_IM_MODULE", "none");
    qputenv("QT_XCB_NO_XI2", "1");
    qunsetenv("SESSION_MANAGER");
}

}  // namespace

int runClipboardHelper(int argc, char** argv) {
    detachFromCaller();
    auto image = std::make_shared<EncodedImage>();
    std::thread encoder(receiveAndEncode, image);

    // Qt aborts without a display, and an abort may leave a core file behind.
    if (xDisplayProblem()) {
        image->cancel = true;
        shutdown(kHelperChannelFd, SHUT_RDWR);  // ends the encoder thread's wait for pixels
        encoder.join();
        return 1;
    }
    leanQtEnvironment();
    int qtArgc = argc > 0 ? 1 : 0;
    QGuiApplication app(qtArgc, argv);
    QGuiApplication::setQuitOnLastWindowClosed(false);

    if (!image->waitForPixels()) {
        encoder.join();
        return 1;
    }
    PasteGate gate(image);
    app.installNativeEventFilter(&gate);
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setMimeData(new PngMimeData(image), QClipboard::Clipboard);
    const bool owned = clipboard->ownsClipboard() && ownsClipboardOnServer();
    if (!owned || image->failed()) {
        releaseClipboard(clipboard);
        answer(kHelperFailed);
        image->cancel = true;
        encoder.join();
        return 1;
    }
    answer(kHelperReady);
    close(kHelperChannelFd);
    // "Ready" comes before the encoding ends, to keep the capturing process short. Should the
    // encoding fail after all, the clipboard is given up rather than left with nothing to serve.
    bool gaveUp = false;
    image->onFailure([&app, &gaveUp, clipboard] {
        QMetaObject::invokeMethod(
            &app,
            [&gaveUp, clipboard] {
                gaveUp = true;
                releaseClipboard(clipboard);
                QCoreApplication::quit();
            },
            Qt::QueuedConnection);
    });

    auto quitWhenTaken = [clipboard] {
        if (!clipboard->ownsClipboard() || !ownsClipboardOnServer()) QCoreApplication::quit();
    };
    QObject::connect(clipboard, &QClipboard::changed, &app, [quitWhenTaken](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard) quitWhenTaken();
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &app, quitWhenTaken);
    poll.start(kOwnershipPollMs);

    // exec() hands the application to the accessibility bridge, which in Qt 6.4 opens a D-Bus
    // connection (and may autolaunch a bus) while the PNG is still being encoded. The helper has
    // no user interface to make accessible.
    QAccessible::installRootObjectHandler([](QObject*) {});

    const int status = QGuiApplication::exec();
    image->cancel = true;
    encoder.join();
    return gaveUp ? 1 : status;
}
