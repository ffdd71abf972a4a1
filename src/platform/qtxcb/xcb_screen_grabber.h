#pragma once
// Grabs the screen from the X server: through MIT-SHM into a shared segment that the returned
// pixels wrap without a copy, or with GetImage where shared memory is not available. Pixels
// of the rectangle that lie outside the root window are transparent; the rest is opaque.

#include <xcb/shm.h>

#include <memory>
#include <optional>
#include <thread>

#include "platform/desktop_screens.h"
#include "platform/qtxcb/root_pixel_format.h"
#include "platform/qtxcb/xcb_connection.h"
#include "platform/screen_grabber.h"

class XcbScreenGrabber : public ScreenGrabber {
public:
    // `screens` scale the rectangles given to grab(); without them the root window is taken
    // as one screen at ratio 1.
    explicit XcbScreenGrabber(std::shared_ptr<XcbConnection> connection,
                              DesktopScreens* screens = nullptr);
    ~XcbScreenGrabber() override;

    // Readies a shared segment for a grab of the whole root window without waiting for it:
    // the server writes a first image into it (and a thread maps a System V segment's pages
    // for us), so the next grab pays no page faults, which cost more than the copy itself.
    // Worth calling before start-up work of our own that does not talk to the server:
    // anything that does waits behind that first copy. The next grab waits for whatever is
    // still under way. With `keepPicture`, the next grab is cut from that first image instead
    // of asking the server again: the screen as it was a few milliseconds earlier, without a
    // second copy of it (for an automatic capture, whose moment is its launch).
    void prepare(bool keepPicture = false);

    // The rectangle is scaled by the device pixel ratio of the screen it overlaps most.
    Pixels grab(const Rect& displayRect) override;
    QString lastError() const override { return m_lastError; }
    bool displayLost() const override;

    // Root-window pixels at ratio 1. RGB32 when the rectangle lies on the root window, else
    // ARGB32_Premultiplied with the outside transparent. Null on failure, or when
    // the server's pixel layout cannot be captured (see RootPixelFormat).
    Pixels grabRootPixels(int x, int y, int width, int height);

    void setScreens(DesktopScreens* screens) { m_screens = screens; }

    bool usesSharedMemory() const { return m_sharedMemory; }
    void setSharedMemoryEnabled(bool enabled);  // for comparisons with the GetImage path

    struct Segment;

private:
    Pixels grabInside(int x, int y, int width, int height);
    // The first image prepare() asked for, as RGB32 pixels of the whole root; null when it is
    // not there or the root has another size now.
    Pixels keptWarmUpPicture(int rootWidth, int rootHeight);
    Pixels grabWithSharedMemory(int x, int y, int width, int height);
    Pixels grabWithGetImage(int x, int y, int width, int height);
    Pixels grabConverted(int x, int y, int width, int height);
    std::shared_ptr<Segment> segmentFor(std::size_t bytes);
    std::shared_ptr<Segment> memfdSegment(std::size_t bytes);
    void finishPreparation();

    std::shared_ptr<XcbConnection> m_connection;
    DesktopScreens* m_screens;
    QString m_lastError;
    RootPixelFormat m_format;
    bool m_sharedMemoryOffered = false;
    bool m_sharedMemory = false;
    bool m_descriptorSegments = false;
    // The last segment; reused by the next grab once no image refers to it any more.
    std::shared_ptr<Segment> m_segment;
    std::optional<xcb_shm_get_image_cookie_t> m_warmUpGrab;
    bool m_warmUpGrabbed = false;  // the server answered the first image
    bool m_keepWarmUp = false;     // the next grab is cut from it
    int m_warmUpWidth = 0;
    int m_warmUpHeight = 0;
    std::thread m_warmUpMapping;
};
