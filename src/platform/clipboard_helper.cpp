#include "platform/clipboard_helper.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <poll.h>
#include <sys/eventfd.h>

#include <QByteArray>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/png_image.h"

namespace {

// A safety net next to SelectionClear: however the loss of ownership was missed, the helper
// notices it within this time.
constexpr int kOwnershipPollMs = 1000;

// The image as it travels through the helper: pixels arrive, then the PNG is ready. Each change
// also signals an eventfd, so that an event loop can wait for it next to its X connection.
class EncodedImage {
public:
    enum class Stage { Waiting, Arrived, Encoded, Failed };

    EncodedImage() : m_wakeUp(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~EncodedImage() {
        if (m_wakeUp >= 0) close(m_wakeUp);
    }
    EncodedImage(const EncodedImage&) = delete;
    EncodedImage& operator=(const EncodedImage&) = delete;

    void setStage(Stage stage, QByteArray png = {}) {
        {
            const std::lock_guard lock(m_mutex);
            m_stage = stage;
            m_png = std::move(png);
        }
        m_changed.notify_all();
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = write(m_wakeUp, &one, sizeof one);
    }
    Stage stage() {
        const std::lock_guard lock(m_mutex);
        return m_stage;
    }
    bool failed() { return stage() == Stage::Failed; }
    // Blocks until the pixels arrived (true) or never will (false).
    bool waitForPixels() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_stage != Stage::Waiting; });
        return m_stage != Stage::Failed;
    }
    // Blocks until the encoding has finished: the PNG, or nothing when it failed.
    QByteArray waitForPng() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock,
                       [this] { return m_stage == Stage::Encoded || m_stage == Stage::Failed; });
        return m_png;
    }
    int wakeUpFd() const { return m_wakeUp; }

    // The capturing process has had its answer (or never will): the encoding may take the
    // processor from then on, not while the clipboard is being taken.
    void answered() {
        {
            const std::lock_guard lock(m_mutex);
            m_answered = true;
        }
        m_changed.notify_all();
    }
    void waitUntilAnswered() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_answered; });
    }

    std::atomic<bool> cancel{false};

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    Stage m_stage = Stage::Waiting;
    bool m_answered = false;
    QByteArray m_png;
    int m_wakeUp;
};

// Whether `bytes` more could be mapped now.
bool memoryAvailable(std::size_t bytes) {
    void* trial = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (trial == MAP_FAILED) return false;
    munmap(trial, bytes);
    return true;
}

// Whether the capturing process still waits at the other end of the channel.
bool callerWaits() {
    char byte;
    const ssize_t n = recv(kHelperChannelFd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
}

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

// Reads the header from the channel, and the descriptor that may come with it.
bool readHeader(ClipboardImageHeader* header, int* passedFd) {
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    iovec part{header, sizeof *header};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    ssize_t n;
    while ((n = recvmsg(kHelperChannelFd, &message, MSG_CMSG_CLOEXEC)) < 0 && errno == EINTR) {
    }
    if (n <= 0) return false;
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_RIGHTS &&
            c->cmsg_len >= CMSG_LEN(sizeof(int))) {
            std::memcpy(passedFd, CMSG_DATA(c), sizeof(int));
        }
    }
    return readExactly(kHelperChannelFd, reinterpret_cast<char*>(header) + n,
                       sizeof *header - size_t(n));
}

void answer(char byte) {
    while (send(kHelperChannelFd, &byte, 1, MSG_NOSIGNAL) < 0 && errno == EINTR) {
    }
}

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

// The pixels a header describes, mapped from our memfd or from the one passed with the header
// (`passedFd`, closed here either way, as is ours when unused).
struct MappedPixels {
    void* mapped = MAP_FAILED;
    size_t size = 0;
    const uchar* pixels = nullptr;
};
std::optional<MappedPixels> mapPixels(const ClipboardImageHeader& header, int passedFd) {
    int pixelsFd = kHelperPixelsFd;
    if (header.pixelsInPassedFd != 0) {
        close(kHelperPixelsFd);
        pixelsFd = passedFd;
    } else if (passedFd >= 0) {
        close(passedFd);
    }
    struct stat info {};
    const qint64 offset = header.pixelsInPassedFd != 0 ? header.pixelsOffset : 0;
    const bool valid = pixelsFd >= 0 && offset >= 0 && header.width > 0 && header.height > 0 &&
                       pngPixelFormat(QImage::Format(header.format)) &&
                       header.bytesPerLine >= qint64(header.width) * 4 &&
                       fstat(pixelsFd, &info) == 0 &&
                       header.bytesPerLine <= (info.st_size - offset) / header.height;
    if (!valid) {
        if (pixelsFd >= 0) close(pixelsFd);
        return std::nullopt;
    }
    MappedPixels pixels;
    pixels.size = size_t(offset) + size_t(header.bytesPerLine) * size_t(header.height);
    pixels.mapped = mmap(nullptr, pixels.size, PROT_READ, MAP_SHARED, pixelsFd, 0);
    close(pixelsFd);
    if (pixels.mapped == MAP_FAILED) return std::nullopt;
    pixels.pixels = static_cast<const uchar*>(pixels.mapped) + offset;
    return pixels;
}

// Runs on its own thread from the start, so that the encoding overlaps the wait for pastes.
void receiveAndEncode(const std::shared_ptr<EncodedImage>& image) {
    ClipboardImageHeader header;
    int passedFd = -1;
    if (!readHeader(&header, &passedFd) || header.magic != kClipboardImageMagic) {
        if (passedFd >= 0) close(passedFd);
        image->setStage(EncodedImage::Stage::Failed);
        return;
    }
    if (header.format == kClipboardPngBytes) {
        if (passedFd >= 0) close(passedFd);
        receivePng(header, image);
        return;
    }
    const std::optional<MappedPixels> mapped = mapPixels(header, passedFd);
    if (!mapped) {
        image->setStage(EncodedImage::Stage::Failed);
        return;
    }
    const PngPixels view{mapped->pixels,
                         header.width,
                         header.height,
                         header.bytesPerLine,
                         *pngPixelFormat(QImage::Format(header.format)),
                         header.dotsPerMeterX,
                         header.dotsPerMeterY};
    // "Ready" promises the PNG: the memory for it must be there before the clipboard is
    // taken. Only this process spends it meanwhile, so memory that could be had a moment ago
    // (an address-space limit, the kernel's overcommit check) can be had for the encoding.
    if (!memoryAvailable(pngEncodingMemoryBound(view))) {
        munmap(mapped->mapped, mapped->size);
        image->setStage(EncodedImage::Stage::Failed);
        return;
    }
    image->setStage(EncodedImage::Stage::Arrived);
    image->waitUntilAnswered();

    QByteArray png = encodePng(view, {}, &image->cancel);
    const auto stage = png.isEmpty() ? EncodedImage::Stage::Failed : EncodedImage::Stage::Encoded;
    image->setStage(stage, std::move(png));
    // After the PNG is out: unmapping a whole screen's pixels takes milliseconds (5 at
    // 3840 x 2160), which a paste that waits for the PNG need not wait for.
    munmap(mapped->mapped, mapped->size);
}

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

// Serves the clipboard until another client takes it or the connection goes away; gives it up
// if the image turns out not to make a PNG after all. Returns the process's exit status.
int serveClipboard(ClipboardServer& server, EncodedImage& image, int wakeUpFd) {
    bool dataKnown = false;
    for (;;) {
        if (!dataKnown) {
            const EncodedImage::Stage stage = image.stage();
            if (stage == EncodedImage::Stage::Encoded || stage == EncodedImage::Stage::Failed) {
                dataKnown = true;
                const QByteArray png = image.waitForPng();
                server.setData(png);
                if (png.isEmpty()) {
                    server.releaseIfOwned();
                    return 1;
                }
            }
        }
        if (!server.handleEvents()) return 0;
        pollfd fds[] = {{server.eventFd(), POLLIN, 0}, {wakeUpFd, POLLIN, 0}};
        const int ready = poll(fds, dataKnown ? 1 : 2, kOwnershipPollMs);
        if (ready < 0 && errno != EINTR) return 1;
        if (ready == 0 && !server.stillOwned()) return 0;  // however the loss was missed
        if (fds[1].revents & POLLIN) {
            uint64_t count = 0;
            [[maybe_unused]] const ssize_t n = read(wakeUpFd, &count, sizeof count);
        }
    }
}

}  // namespace

int runClipboardHelper(const std::function<std::unique_ptr<ClipboardServer>()>& connect) {
    detachFromCaller();
    auto image = std::make_shared<EncodedImage>();
    std::thread encoder(receiveAndEncode, image);
    bool channelOpen = true;
    const auto finish = [&](int status) {
        image->cancel = true;
        image->answered();
        // Ends the encoder thread's wait for pixels.
        if (channelOpen) shutdown(kHelperChannelFd, SHUT_RDWR);
        encoder.join();
        return status;
    };

    std::unique_ptr<ClipboardServer> server = connect();
    if (!server) return finish(1);
    int status = 1;
    if (!image->waitForPixels()) {
        // Nothing to serve.
    } else if (!callerWaits()) {
        // The capturing process has gone (killed, say): it will report no image, so the
        // clipboard stays as it was.
    } else if (!server->acquire() || image->failed()) {
        server->releaseIfOwned();
        answer(kHelperFailed);
    } else {
        answer(kHelperReady);
        image->answered();
        close(kHelperChannelFd);
        channelOpen = false;
        // "Ready" comes before the encoding ends, to keep the capturing process short.
        status = serveClipboard(*server, *image, image->wakeUpFd());
    }
    server.reset();
    return finish(status);
}
