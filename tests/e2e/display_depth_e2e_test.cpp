// Displays whose pixels are not 8 bits a channel in 32 bits: 16-bit (5-6-5) and 30-bit
// (10-10-10) screens, as remote desktops and workstation GPUs set up. Windows of known colours
// are painted through the server's own pixel layout; both modes must capture them, converted
// to 8 bits a channel.
#include <xcb/xcb.h>

#include <bit>

#include "e2e/capture_e2e_fixture.h"

namespace {

using namespace std::chrono_literals;

// A colour as the root visual stores it, each channel rounded to its bits.
uint32_t pixelFor(const xcb_visualtype_t& v, QRgb c) {
    const auto channel = [](uint32_t mask, int value) {
        const int shift = std::countr_zero(mask);
        const uint32_t max = mask >> shift;
        return ((uint32_t(value) * max + 127) / 255) << shift;
    };
    return channel(v.red_mask, qRed(c)) | channel(v.green_mask, qGreen(c)) |
           channel(v.blue_mask, qBlue(c));
}

const xcb_visualtype_t* rootVisual(xcb_screen_t* screen) {
    for (auto d = xcb_screen_allowed_depths_iterator(screen); d.rem; xcb_depth_next(&d)) {
        for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v)) {
            if (v.data->visual_id == screen->root_visual) return v.data;
        }
    }
    return nullptr;
}

const QRgb kBackground = qRgb(255, 128, 0);
const QRgb kPatch = qRgb(20, 60, 230);
const QRect kPatchArea(100, 50, 200, 100);

// Fills the root window orange with a blue patch, in the server's own pixel layout. Drawn
// straight on the root: nothing covers it until a capture's own window does, by which time
// the capture has frozen the screen.
void paintKnownColours(XWaiter& x, QSize screenSize) {
    xcb_connection_t* c = x.connection();
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_visualtype_t* visual = rootVisual(screen);
    ASSERT_NE(visual, nullptr);
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, screen->root, 0, nullptr);
    for (const auto& [area, colour] :
         {std::pair{QRect(QPoint(), screenSize), kBackground}, std::pair{kPatchArea, kPatch}}) {
        const uint32_t foreground = pixelFor(*visual, colour);
        xcb_change_gc(c, gc, XCB_GC_FOREGROUND, &foreground);
        const xcb_rectangle_t r{int16_t(area.x()), int16_t(area.y()), uint16_t(area.width()),
                                uint16_t(area.height())};
        xcb_poly_fill_rectangle(c, screen->root, gc, 1, &r);
    }
    xcb_free_gc(c, gc);
    // A round trip: the server has drawn everything once it answers.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

// Within the rounding of a channel of `bits` bits.
void expectColour(QRgb got, QRgb want, int bits, const char* where) {
    const int tolerance = 255 / ((1 << bits) - 1) / 2 + 1;
    EXPECT_NEAR(qRed(got), qRed(want), tolerance) << where;
    EXPECT_NEAR(qGreen(got), qGreen(want), tolerance) << where;
    EXPECT_NEAR(qBlue(got), qBlue(want), tolerance) << where;
}

struct DepthCase {
    int depth;
    int narrowestChannelBits;
};

class DisplayDepthE2E : public CaptureE2E, public testing::WithParamInterface<DepthCase> {
protected:
    void SetUp() override {
        session = std::make_unique<XSession>(XSessionOptions{
            .width = 640, .height = 400, .windowManager = true, .depth = GetParam().depth});
        ASSERT_TRUE(session->ok()) << session->error();
        frozenMatchesScreen = GetParam().depth == 24;
    }
};

TEST_P(DisplayDepthE2E, BothModesCaptureTheColoursShown) {
    const int bits = GetParam().narrowestChannelBits;
    XWaiter painter(display());
    ASSERT_TRUE(painter.ok());
    paintKnownColours(painter, {640, 400});

    ASSERT_TRUE(tool.start({{}, 0, 2}, display()));
    EXPECT_EQ(resultGeometry(finish(1)), (Rect{0, 0, 640, 400}));
    const QImage whole = pastedImage();
    ASSERT_EQ(whole.size(), QSize(640, 400));
    expectColour(whole.pixel(10, 10), kBackground, bits, "the root");
    expectColour(whole.pixel(kPatchArea.center()), kPatch, bits, "the window");
    expectColour(whole.pixel(kPatchArea.topLeft()), kPatch, bits, "the window's corner");
    expectColour(whole.pixel(kPatchArea.topLeft() - QPoint(1, 1)), kBackground, bits,
                 "beside the corner");

    tool.reset();
    startInteractive();
    drag({80, 40}, {180, 110});
    input({"key", "Return"});
    EXPECT_EQ(resultGeometry(finish(1)), (Rect{80, 40, 100, 70}));
    const QImage part = pastedImage();
    ASSERT_EQ(part.size(), QSize(100, 70));
    expectColour(part.pixel(5, 5), kBackground, bits, "the root in the selection");
    expectColour(part.pixel(50, 40), kPatch, bits, "the window in the selection");
}

INSTANTIATE_TEST_SUITE_P(Depths, DisplayDepthE2E,
                         testing::Values(DepthCase{16, 5}, DepthCase{30, 10}, DepthCase{24, 8}),
                         [](const testing::TestParamInfo<DepthCase>& info) {
                             return std::to_string(info.param.depth) + "Bits";
                         });

}  // namespace
