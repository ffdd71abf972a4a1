// quillet_clipboard_roundtrip: stands in for quillet-capture's automatic whole-screen capture
// in bench/clipboard_roundtrip.sh. It starts the way the tool does (QApplication on xcb), starts
// the clipboard helper, grabs the root window through MIT-SHM, puts the image on the clipboard
// through ClipboardKeeper and exits.
//   quillet_clipboard_roundtrip HELPER        one capture to the clipboard
//   quillet_clipboard_roundtrip --paint-root  lays the desktop-like picture on the root window
#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/pixels_image.h"
#include "platform/system/clipboard_keeper.h"
#include "screen_like_image.h"

namespace {

xcb_connection_t* connection() {
    return qApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

xcb_screen_t* firstScreen(xcb_connection_t* c) {
    return xcb_setup_roots_iterator(xcb_get_setup(c)).data;
}

QImage grabRoot() {
    xcb_connection_t* c = connection();
    const xcb_screen_t* screen = firstScreen(c);
    const int width = screen->width_in_pixels;
    const int height = screen->height_in_pixels;
    const int id = shmget(IPC_PRIVATE, size_t(width) * size_t(height) * 4, IPC_CREAT | 0600);
    if (id < 0) return {};
    void* address = shmat(id, nullptr, 0);
    shmctl(id, IPC_RMID, nullptr);  // freed once both sides have detached
    const xcb_shm_seg_t segment = xcb_generate_id(c);
    xcb_shm_attach(c, segment, quint32(id), 0);  // writable: the server fills it
    xcb_shm_get_image_reply_t* reply = xcb_shm_get_image_reply(
        c,
        xcb_shm_get_image(c, screen->root, 0, 0, quint16(width), quint16(height), ~0u,
                          XCB_IMAGE_FORMAT_Z_PIXMAP, segment, 0),
        nullptr);
    QImage image;
    if (reply) {
        image = QImage(
            static_cast<const uchar*>(address), width, height, width * 4, QImage::Format_RGB32,
            [](void* a) { shmdt(a); }, address);
        free(reply);
    } else {
        shmdt(address);
    }
    xcb_shm_detach(c, segment);
    return image;
}

// A root window background that stays after we exit.
int paintRoot() {
    xcb_connection_t* c = connection();
    const xcb_screen_t* screen = firstScreen(c);
    const QImage image = screenLikeImage(screen->width_in_pixels, screen->height_in_pixels);
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    xcb_create_pixmap(c, screen->root_depth, pixmap, screen->root, quint16(image.width()),
                      quint16(image.height()));
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, pixmap, 0, nullptr);
    const int rowsPerRequest = std::max(1, (1 << 20) / int(image.bytesPerLine()));
    for (int y = 0; y < image.height(); y += rowsPerRequest) {
        const int rows = std::min(rowsPerRequest, image.height() - y);
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, quint16(image.width()),
                      quint16(rows), 0, qint16(y), 0, screen->root_depth,
                      quint32(image.bytesPerLine() * rows), image.constScanLine(y));
    }
    xcb_change_window_attributes(c, screen->root, XCB_CW_BACK_PIXMAP, &pixmap);
    xcb_clear_area(c, 0, screen->root, 0, 0, 0, 0);
    xcb_set_close_down_mode(c, XCB_CLOSE_DOWN_RETAIN_PERMANENT);
    xcb_free_gc(c, gc);
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));  // wait for it all
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const std::string helper = argv[1];
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    if (helper == "--paint-root") return paintRoot();

    ClipboardKeeper keeper(helper);
    keeper.prepare();
    const QImage image = grabRoot();
    if (!keeper.setImage(pixelsOf(image))) {
        std::fprintf(stderr, "the clipboard could not be taken\n");
        return 1;
    }
    return 0;
}
