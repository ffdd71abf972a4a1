#include "support/x_readback.h"

#include <xcb/xcb.h>

#include <cstdlib>

#include "support/child_process.h"

QImage grabRoot(const std::string& display) {
    xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return {};
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const int w = screen->width_in_pixels, h = screen->height_in_pixels;
    QImage image(w, h, QImage::Format_RGB32);
    // In bands, to stay below the request size limit at 4K.
    constexpr int kBand = 256;
    for (int y = 0; y < h; y += kBand) {
        const int rows = std::min(kBand, h - y);
        auto* reply = xcb_get_image_reply(
            c,
            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root, 0, static_cast<int16_t>(y),
                          static_cast<uint16_t>(w), static_cast<uint16_t>(rows), ~0u),
            nullptr);
        if (reply == nullptr) {
            xcb_disconnect(c);
            return {};
        }
        const auto* data = reinterpret_cast<const uint32_t*>(xcb_get_image_data(reply));
        for (int row = 0; row < rows; ++row) {
            auto* line = reinterpret_cast<uint32_t*>(image.scanLine(y + row));
            for (int x = 0; x < w; ++x) line[x] = 0xFF000000u | (data[row * w + x] & 0xFFFFFFu);
        }
        std::free(reply);
    }
    xcb_disconnect(c);
    return image;
}

QByteArray pasteClipboard(const std::string& display, const std::string& target) {
    const ProgramOutput out = runProgram({"xclip", "-selection", "clipboard", "-t", target, "-o"},
                                         {"DISPLAY=" + display});
    return out.status == 0 ? out.bytes : QByteArray();
}

bool xdotool(const std::string& display, const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{"xdotool"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return runProgram(argv, {"DISPLAY=" + display}).status == 0;
}
