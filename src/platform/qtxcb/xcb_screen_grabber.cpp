#include "platform/qtxcb/xcb_screen_grabber.h"

#include <fcntl.h>
#include <sys/ipc.h>
#include <sys/mman.h>
#include <sys/shm.h>
#include <unistd.h>
#include <xcb/shm.h>

#include <cmath>
#include <cstring>
#include <system_error>
#include <utility>

#include "platform/prefault.h"
#include "platform/screen_coordinates.h"
#include "platform/system/memfd_memory.h"

struct XcbScreenGrabber::Segment {
    std::shared_ptr<XcbConnection> connection;
    xcb_shm_seg_t id = 0;
    uint8_t* data = nullptr;
    std::size_t size = 0;
    int memfd = -1;  // backs the memory when the server takes descriptors; else System V

    ~Segment() {
        xcb_shm_detach(connection->get(), id);
        xcb_flush(connection->get());
        if (memfd >= 0) {
            unregisterMemfdMemory(data);
            munmap(data, size);
            close(memfd);
        } else {
            shmdt(data);
        }
    }
};

XcbScreenGrabber::XcbScreenGrabber(std::shared_ptr<XcbConnection> connection,
                                   DesktopScreens* screens)
    : m_connection(std::move(connection)), m_screens(screens) {
    if (!m_connection) return;
    xcb_connection_t* c = m_connection->get();
    m_format = readRootPixelFormat(c, m_connection->screen());
    const xcb_query_extension_reply_t* shm = xcb_get_extension_data(c, &xcb_shm_id);
    if (shm != nullptr && shm->present) {
        const auto version = xcbReply(c, xcb_shm_query_version(c), xcb_shm_query_version_reply);
        m_sharedMemoryOffered = version != nullptr;
        // From version 1.2 a segment may be a descriptor, which the clipboard can pass on.
        m_descriptorSegments =
            version && (version->major_version > 1 ||
                        (version->major_version == 1 && version->minor_version >= 2));
    }
    m_sharedMemory = m_sharedMemoryOffered;
}

XcbScreenGrabber::~XcbScreenGrabber() {
    finishPreparation();
}

void XcbScreenGrabber::prepare(bool keepPicture) {
    if (!m_connection || !m_format.isNative() || !m_sharedMemory) return;
    finishPreparation();
    const xcb_screen_t* screen = m_connection->screen();
    const uint16_t width = screen->width_in_pixels;
    const uint16_t height = screen->height_in_pixels;
    std::shared_ptr<Segment> segment = segmentFor(std::size_t(width) * height * 4);
    if (!segment) return;
    m_keepWarmUp = keepPicture;
    m_warmUpWidth = width;
    m_warmUpHeight = height;
    m_warmUpGrab = xcb_shm_get_image(m_connection->get(), m_connection->root(), 0, 0, width, height,
                                     ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP, segment->id, 0);
    xcb_flush(m_connection->get());
    // A descriptor segment has its memory already (see memfdSegment).
    if (segment->memfd >= 0) return;
    try {
        m_warmUpMapping = std::thread(
            [data = segment->data, size = segment->size] { prefaultPages(data, size); });
    } catch (const std::system_error&) {
        // No thread to spare: the first grab maps the pages itself.
    }
}

void XcbScreenGrabber::finishPreparation() {
    if (m_warmUpMapping.joinable()) m_warmUpMapping.join();
    if (m_warmUpGrab) {
        m_warmUpGrabbed =
            xcbReply(m_connection->get(), *m_warmUpGrab, xcb_shm_get_image_reply) != nullptr;
        m_warmUpGrab.reset();
    }
}

bool XcbScreenGrabber::displayLost() const {
    if (!m_connection) return false;
    xcb_connection_t* c = m_connection->get();
    // A server that has just gone is noticed by the next exchange with it.
    if (xcb_connection_has_error(c) == 0) {
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    }
    // Not XCB_CONN_CLOSED_MEM_INSUFFICIENT: a grab too large for our memory is no lost display.
    return xcb_connection_has_error(c) == XCB_CONN_ERROR;
}

void XcbScreenGrabber::setSharedMemoryEnabled(bool enabled) {
    finishPreparation();
    m_sharedMemory = enabled && m_sharedMemoryOffered;
}

Pixels XcbScreenGrabber::grab(const Rect& displayRect) {
    const RootArea area = rootAreaFromDisplay(
        displayRect, m_screens ? m_screens->desktop() : std::vector<DesktopScreen>());
    // Rounding the edges rather than the size keeps neighbouring rectangles seamless at
    // fractional ratios.
    const long left = std::lround(area.pixels.left());
    const long top = std::lround(area.pixels.y);
    const long right = std::lround(area.pixels.right());
    const long bottom = std::lround(area.pixels.y + area.pixels.height);
    Pixels image = grabRootPixels(static_cast<int>(left), static_cast<int>(top),
                                  static_cast<int>(right - left), static_cast<int>(bottom - top));
    image.setDevicePixelRatio(area.devicePixelRatio);
    return image;
}

Pixels XcbScreenGrabber::grabRootPixels(int x, int y, int width, int height) {
    const auto fail = [this](const char* why) {
        m_lastError = QString::fromLatin1(why);
        return Pixels();
    };
    if (!m_connection) return fail("there is no connection to the X server");
    if (!m_format.isCapturable()) {
        m_lastError = QString::fromStdString(m_format.problem());
        return {};
    }
    if (width <= 0 || height <= 0) return fail("the rectangle has no area");
    finishPreparation();
    xcb_connection_t* c = m_connection->get();
    if (xcb_connection_has_error(c)) return fail("the connection to the X server was lost");
    // The root's size, not the connection setup's: RandR may have changed it since.
    const auto root =
        xcbReply(c, xcb_get_geometry(c, m_connection->root()), xcb_get_geometry_reply);
    if (!root) return fail("the X server did not tell the root window's size");
    if (std::exchange(m_keepWarmUp, false)) {
        const Pixels whole = keptWarmUpPicture(root->width, root->height);
        // Beyond the root the region is transparent, as below.
        if (!whole.isNull()) return whole.region(x, y, width, height);
    }
    const int left = std::max(x, 0);
    const int top = std::max(y, 0);
    const int right = std::min<long>(static_cast<long>(x) + width, root->width);
    const int bottom = std::min<long>(static_cast<long>(y) + height, root->height);
    if (left == x && top == y && right - left == width && bottom - top == height) {
        return grabInside(x, y, width, height);
    }
    if (right <= left || bottom <= top) {
        Pixels outside = Pixels::allocate(width, height, QImage::Format_ARGB32_Premultiplied);
        if (outside.isNull()) return fail("there is no memory for the image");
        return outside;
    }
    const Pixels inside = grabInside(left, top, right - left, bottom - top);
    if (inside.isNull()) return {};
    Pixels image = inside.region(x - left, y - top, width, height);
    if (image.isNull()) return fail("there is no memory for the image");
    return image;
}

Pixels XcbScreenGrabber::keptWarmUpPicture(int rootWidth, int rootHeight) {
    // Only while the root still has the size it had then.
    if (!m_warmUpGrabbed || !m_segment || rootWidth != m_warmUpWidth ||
        rootHeight != m_warmUpHeight) {
        return {};
    }
    makeOpaque(reinterpret_cast<uint32_t*>(m_segment->data),
               std::size_t(m_warmUpWidth) * std::size_t(m_warmUpHeight));
    return Pixels(m_segment->data, m_warmUpWidth, m_warmUpHeight, qsizetype(m_warmUpWidth) * 4,
                  QImage::Format_RGB32, m_segment);
}

Pixels XcbScreenGrabber::grabInside(int x, int y, int width, int height) {
    if (!m_format.isNative()) {
        Pixels image = grabConverted(x, y, width, height);
        if (image.isNull()) m_lastError = QStringLiteral("the X server did not send the pixels");
        return image;
    }
    if (m_sharedMemory) {
        Pixels image = grabWithSharedMemory(x, y, width, height);
        if (!image.isNull()) return image;
    }
    Pixels image = grabWithGetImage(x, y, width, height);
    if (image.isNull()) m_lastError = QStringLiteral("the X server did not send the pixels");
    return image;
}

std::shared_ptr<XcbScreenGrabber::Segment> XcbScreenGrabber::segmentFor(std::size_t bytes) {
    // A segment whose pixels went to the clipboard is left to it.
    if (m_segment && m_segment.use_count() == 1 && m_segment->size >= bytes &&
        !memfdMemoryHandedOver(m_segment->data)) {
        return m_segment;
    }
    m_segment.reset();
    if (m_descriptorSegments) {
        m_segment = memfdSegment(bytes);
        if (m_segment) return m_segment;
    }
    xcb_connection_t* c = m_connection->get();
    const int shmId = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (shmId < 0) return nullptr;
    void* data = shmat(shmId, nullptr, 0);
    if (data == reinterpret_cast<void*>(-1)) {
        shmctl(shmId, IPC_RMID, nullptr);
        return nullptr;
    }
    const xcb_shm_seg_t id = xcb_generate_id(c);
    XcbReply<xcb_generic_error_t> error(
        xcb_request_check(c, xcb_shm_attach_checked(c, id, static_cast<uint32_t>(shmId), 0)));
    // Once the server holds it, the segment goes away with the last detach, even after a crash.
    shmctl(shmId, IPC_RMID, nullptr);
    if (error) {
        // A server on another machine, or in another IPC namespace, cannot see the segment.
        shmdt(data);
        m_sharedMemory = m_sharedMemoryOffered = false;
        return nullptr;
    }
    m_segment = std::make_shared<Segment>();
    m_segment->connection = m_connection;
    m_segment->id = id;
    m_segment->data = static_cast<uint8_t*>(data);
    m_segment->size = bytes;
    return m_segment;
}

std::shared_ptr<XcbScreenGrabber::Segment> XcbScreenGrabber::memfdSegment(std::size_t bytes) {
    const int fd = memfd_create("quillet-grab", MFD_CLOEXEC);
    if (fd < 0) return nullptr;
    void* data = ftruncate(fd, off_t(bytes)) == 0
                     ? mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0)
                     : MAP_FAILED;
    // The memory, zeroed, before the server writes into it: else the server allocates it page
    // by page as it copies the screen (3840 x 2160: about 25 ms, against 9 ms here and 11 ms
    // for its copy then), and every other client waits behind that. Without it (a limit on
    // such memory) the pages still come on first touch.
    if (data != MAP_FAILED) static_cast<void>(fallocate(fd, 0, 0, off_t(bytes)));
    // xcb closes the descriptor it sends.
    const int forServer = data != MAP_FAILED ? fcntl(fd, F_DUPFD_CLOEXEC, 0) : -1;
    if (forServer < 0) {
        if (data != MAP_FAILED) munmap(data, bytes);
        close(fd);
        return nullptr;
    }
    xcb_connection_t* c = m_connection->get();
    const xcb_shm_seg_t id = xcb_generate_id(c);
    XcbReply<xcb_generic_error_t> error(
        xcb_request_check(c, xcb_shm_attach_fd_checked(c, id, forServer, 0)));
    if (error) {
        munmap(data, bytes);
        close(fd);
        m_descriptorSegments = false;  // System V segments from now on
        return nullptr;
    }
    auto segment = std::make_shared<Segment>();
    segment->connection = m_connection;
    segment->id = id;
    segment->data = static_cast<uint8_t*>(data);
    segment->size = bytes;
    segment->memfd = fd;
    registerMemfdMemory(data, bytes, fd);
    return segment;
}

Pixels XcbScreenGrabber::grabWithSharedMemory(int x, int y, int width, int height) {
    const std::size_t pixels = static_cast<std::size_t>(width) * height;
    std::shared_ptr<Segment> segment = segmentFor(pixels * 4);
    if (!segment) return {};
    xcb_connection_t* c = m_connection->get();
    const auto reply = xcbReply(
        c,
        xcb_shm_get_image(c, m_connection->root(), static_cast<int16_t>(x), static_cast<int16_t>(y),
                          static_cast<uint16_t>(width), static_cast<uint16_t>(height), ~0u,
                          XCB_IMAGE_FORMAT_Z_PIXMAP, segment->id, 0),
        xcb_shm_get_image_reply);
    if (!reply) return {};
    makeOpaque(reinterpret_cast<uint32_t*>(segment->data), pixels);
    // The pixels keep the segment alive; the grabber reuses it only after they are gone.
    return Pixels(segment->data, width, height, width * 4, QImage::Format_RGB32, segment);
}

Pixels XcbScreenGrabber::grabConverted(int x, int y, int width, int height) {
    // Rare displays (16 and 30 bits deep): plain GetImage, then 8 bits a channel.
    xcb_connection_t* c = m_connection->get();
    const auto reply =
        xcbReply(c,
                 xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, m_connection->root(),
                               static_cast<int16_t>(x), static_cast<int16_t>(y),
                               static_cast<uint16_t>(width), static_cast<uint16_t>(height), ~0u),
                 xcb_get_image_reply);
    const std::size_t rowBytes = m_format.bytesPerLine(width);
    if (!reply ||
        static_cast<std::size_t>(xcb_get_image_data_length(reply.get())) < rowBytes * height) {
        return {};
    }
    Pixels image = Pixels::allocate(width, height, QImage::Format_RGB32);
    if (image.isNull()) return {};
    convertToRgb32(m_format, xcb_get_image_data(reply.get()), rowBytes, width, height,
                   reinterpret_cast<uint32_t*>(image.scanLine(0)),
                   std::size_t(image.bytesPerLine()));
    return image;
}

Pixels XcbScreenGrabber::grabWithGetImage(int x, int y, int width, int height) {
    xcb_connection_t* c = m_connection->get();
    xcb_generic_error_t* error = nullptr;
    xcb_get_image_reply_t* reply = xcb_get_image_reply(
        c,
        xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, m_connection->root(), static_cast<int16_t>(x),
                      static_cast<int16_t>(y), static_cast<uint16_t>(width),
                      static_cast<uint16_t>(height), ~0u),
        &error);
    std::free(error);
    const std::size_t pixels = static_cast<std::size_t>(width) * height;
    if (reply == nullptr ||
        static_cast<std::size_t>(xcb_get_image_data_length(reply)) < pixels * 4) {
        std::free(reply);
        return {};
    }
    uint8_t* data = xcb_get_image_data(reply);
    makeOpaque(reinterpret_cast<uint32_t*>(data), pixels);
    // The reply is the pixels' buffer: no copy.
    return Pixels(data, width, height, width * 4, QImage::Format_RGB32,
                  std::shared_ptr<void>(reply, std::free));
}
