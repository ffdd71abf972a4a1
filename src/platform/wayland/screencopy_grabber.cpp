#include "platform/wayland/screencopy_grabber.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/display_crop.h"
#include "platform/wayland/output_choice.h"
#include "platform/wayland/output_transform.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"

namespace {

// What the compositor says about one frame, in the order it says it.
struct FrameState {
    uint32_t format = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t stride = 0;
    bool shmOffered = false;
    bool described = false;  // every buffer type has been offered
    uint32_t flags = 0;
    bool ready = false;
    bool failed = false;
};

void frameBuffer(void* data, zwlr_screencopy_frame_v1* frame, uint32_t format, uint32_t width,
                 uint32_t height, uint32_t stride) {
    auto* s = static_cast<FrameState*>(data);
    s->format = format;
    s->width = width;
    s->height = height;
    s->stride = stride;
    s->shmOffered = true;
    // Before version 3 this event is the whole description.
    if (zwlr_screencopy_frame_v1_get_version(frame) < 3) s->described = true;
}
void frameFlags(void* data, zwlr_screencopy_frame_v1*, uint32_t flags) {
    static_cast<FrameState*>(data)->flags = flags;
}
void frameReady(void* data, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {
    static_cast<FrameState*>(data)->ready = true;
}
void frameFailed(void* data, zwlr_screencopy_frame_v1*) {
    static_cast<FrameState*>(data)->failed = true;
}
void frameDamage(void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t, uint32_t) {}
void frameDmabuf(void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {}
void frameBufferDone(void* data, zwlr_screencopy_frame_v1*) {
    static_cast<FrameState*>(data)->described = true;
}
const zwlr_screencopy_frame_v1_listener kFrameListener = {
    frameBuffer, frameFlags, frameReady, frameFailed, frameDamage, frameDmabuf, frameBufferDone};

// Shared memory the compositor copies into, held by the pixels until they are gone.
struct ShmArea {
    void* pixels = MAP_FAILED;
    size_t size = 0;
    int fd = -1;
};

void releaseArea(ShmArea* area) {
    if (area->pixels != MAP_FAILED) munmap(area->pixels, area->size);
    delete area;
}

// The 32-bit layouts compositors copy in, by where red lies; alpha is meaningless on a screen.
enum class Layout { RedInThirdByte, RedInFirstByte };

std::optional<Layout> layoutOf(uint32_t format) {
    switch (format) {
        case WL_SHM_FORMAT_XRGB8888:
        case WL_SHM_FORMAT_ARGB8888:
            return Layout::RedInThirdByte;
        case WL_SHM_FORMAT_XBGR8888:
        case WL_SHM_FORMAT_ABGR8888:
            return Layout::RedInFirstByte;
        default:
            return std::nullopt;
    }
}

// Into RGB32 in place: opaque, red and blue swapped where the compositor put red first, rows
// turned over where it copied them bottom up.
void makeRgb32(Pixels& pixels, Layout layout, bool yInverted) {
    for (int y = 0; y < pixels.height(); ++y) {
        auto* row = reinterpret_cast<quint32*>(pixels.scanLine(y));
        if (layout == Layout::RedInThirdByte) {
            makeOpaque(row, size_t(pixels.width()));
        } else {
            for (int x = 0; x < pixels.width(); ++x) {
                const quint32 p = row[x];
                row[x] = 0xff000000u | (p & 0xffu) << 16 | (p & 0xff00u) | (p >> 16 & 0xffu);
            }
        }
    }
    if (!yInverted) return;
    const auto rowBytes = size_t(pixels.width()) * 4;
    std::vector<uchar> spare(rowBytes);
    for (int top = 0, bottom = pixels.height() - 1; top < bottom; ++top, --bottom) {
        std::memcpy(spare.data(), pixels.scanLine(top), rowBytes);
        std::memcpy(pixels.scanLine(top), pixels.scanLine(bottom), rowBytes);
        std::memcpy(pixels.scanLine(bottom), spare.data(), rowBytes);
    }
}

// Shared memory of `size` bytes, mapped, its descriptor kept open for the compositor's buffer;
// null (errno set) when there is none.
ShmArea* newShmArea(size_t size) {
    auto* area = new ShmArea;
    area->size = size;
    area->fd = memfd_create("quillet-screencopy", MFD_CLOEXEC);
    if (area->fd < 0 || ftruncate(area->fd, off_t(area->size)) != 0 ||
        (area->pixels = mmap(nullptr, area->size, PROT_READ | PROT_WRITE, MAP_SHARED, area->fd,
                             0)) == MAP_FAILED) {
        const int error = errno;
        if (area->fd >= 0) close(area->fd);
        releaseArea(area);
        errno = error;
        return nullptr;
    }
    return area;
}

// The buffer the compositor copies the frame `state` describes into, over `area`, whose
// descriptor it closes (the mapping stays).
wl_buffer* bufferIn(wl_shm* shm, ShmArea& area, const FrameState& state) {
    wl_shm_pool* pool = wl_shm_create_pool(shm, area.fd, int32_t(area.size));
    wl_buffer* buffer = wl_shm_pool_create_buffer(
        pool, 0, int32_t(state.width), int32_t(state.height), int32_t(state.stride), state.format);
    wl_shm_pool_destroy(pool);
    close(area.fd);
    area.fd = -1;
    return buffer;
}

// Dispatches the compositor's events until the frame's `step` is done or the copy has failed;
// false when the connection is lost first.
bool dispatchUntil(wl_display* d, const FrameState& state, bool FrameState::*step) {
    while (!(state.*step) && !state.failed) {
        if (wl_display_dispatch(d) < 0) return false;
    }
    return true;
}

}  // namespace

ScreencopyGrabber::ScreencopyGrabber(std::shared_ptr<WaylandDisplay> display)
    : m_display(std::move(display)) {}

Pixels ScreencopyGrabber::copyOutput(const WaylandOutput& output) {
    wl_display* d = m_display->get();
    FrameState state;
    zwlr_screencopy_frame_v1* frame =
        zwlr_screencopy_manager_v1_capture_output(m_display->screencopy(), 0, output.output);
    zwlr_screencopy_frame_v1_add_listener(frame, &kFrameListener, &state);
    auto fail = [&](const QString& why) {
        zwlr_screencopy_frame_v1_destroy(frame);
        m_error = why;
        return Pixels();
    };
    if (!dispatchUntil(d, state, &FrameState::described)) {
        m_lost = true;
        return fail(QStringLiteral("the Wayland compositor closed the connection"));
    }
    const std::optional<Layout> layout = layoutOf(state.format);
    if (state.failed || !state.shmOffered) {
        return fail(QStringLiteral("the compositor refused to copy output %1")
                        .arg(QString::fromStdString(output.name)));
    }
    if (!layout || state.stride < state.width * 4 || state.width == 0 || state.height == 0) {
        return fail(QStringLiteral("the compositor offers an unknown pixel layout (%1)")
                        .arg(state.format, 0, 16));
    }

    ShmArea* area = newShmArea(size_t(state.stride) * state.height);
    if (area == nullptr) {
        return fail(QStringLiteral("no shared memory for the screen: %1")
                        .arg(QString::fromLocal8Bit(std::strerror(errno))));
    }
    wl_buffer* buffer = bufferIn(m_display->shm(), *area, state);
    zwlr_screencopy_frame_v1_copy(frame, buffer);
    if (!dispatchUntil(d, state, &FrameState::ready)) m_lost = true;
    wl_buffer_destroy(buffer);
    zwlr_screencopy_frame_v1_destroy(frame);
    if (!state.ready) {
        releaseArea(area);
        m_error = m_lost ? QStringLiteral("the Wayland compositor closed the connection")
                         : QStringLiteral("the compositor failed to copy output %1")
                               .arg(QString::fromStdString(output.name));
        return {};
    }
    Pixels image(static_cast<uchar*>(area->pixels), int(state.width), int(state.height),
                 qsizetype(state.stride), QImage::Format_RGB32,
                 std::shared_ptr<ShmArea>(area, releaseArea));
    makeRgb32(image, *layout, (state.flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT) != 0);
    const Pixels shown = orientAsShown(image, output.transform);
    if (shown.isNull()) {
        m_error = QStringLiteral("no memory to turn output %1 as it is shown (transform %2)")
                      .arg(QString::fromStdString(output.name))
                      .arg(output.transform);
    }
    return shown;
}

Pixels ScreencopyGrabber::grab(const Rect& displayRect) {
    m_error.clear();
    const std::vector<WaylandOutput> outputs = m_display->outputs();
    if (outputs.empty()) {
        m_error = QStringLiteral("the compositor has no output");
        return {};
    }
    if (m_display->screencopy() == nullptr || m_display->shm() == nullptr) {
        m_error = QStringLiteral("the compositor offers no screencopy");
        return {};
    }
    const WaylandOutput* best = outputUnder(outputs, displayRect);
    const Pixels whole = copyOutput(*best);
    if (whole.isNull()) return {};
    return cropDisplayRect(whole, displayRectOf(*best, outputs), displayRect);
}
