// The windows sway reports, read from its tree: which count, and in which order.
#include "platform/wayland/sway_window_list.h"

#include <gtest/gtest.h>

#include <QJsonDocument>

#include "support/geometry_printers.h"

namespace {

TEST(SwayWindowList, VisibleClientWindowsFloatingFirstOwnLeftOut) {
    // An output with one workspace: two tiled windows (one of them ours), a hidden one on
    // another workspace, and two floating windows, the later one raised last.
    const char* tree = R"({
      "type": "root", "rect": {"x": 0, "y": 0, "width": 1280, "height": 800},
      "nodes": [{
        "type": "output", "name": "HEADLESS-1", "rect": {"x": 0, "y": 0, "width": 1280, "height": 800},
        "nodes": [{
          "type": "workspace", "name": "1", "rect": {"x": 0, "y": 0, "width": 1280, "height": 800},
          "nodes": [
            {"type": "con", "pid": 11, "visible": true, "rect": {"x": 0, "y": 0, "width": 640, "height": 800}},
            {"type": "con", "pid": 99, "visible": true, "rect": {"x": 640, "y": 0, "width": 640, "height": 800}}
          ],
          "floating_nodes": [
            {"type": "floating_con", "pid": 12, "visible": true, "rect": {"x": 100, "y": 100, "width": 300, "height": 200}},
            {"type": "floating_con", "pid": 13, "visible": true, "rect": {"x": 200, "y": 150, "width": 300, "height": 200}}
          ]
        }, {
          "type": "workspace", "name": "2", "rect": {"x": 0, "y": 0, "width": 1280, "height": 800},
          "nodes": [
            {"type": "con", "pid": 14, "visible": false, "rect": {"x": 0, "y": 0, "width": 1280, "height": 800}}
          ]
        }]
      }]
    })";
    const QJsonDocument document = QJsonDocument::fromJson(tree);
    ASSERT_TRUE(document.isObject());
    const std::vector<Rect> expected = {
        {200, 150, 300, 200},  // raised last
        {100, 100, 300, 200},
        {0, 0, 640, 800},  // pid 99 is ours; pid 14 is hidden
    };
    EXPECT_EQ(SwayWindowList::windowsOfTree(document.object(), 99), expected);
}

// A window is taken with its frame: sway's rectangle leaves out the title bar above it
// (deco_rect), which a stacked parent shows for each of its windows above every one of them.
TEST(SwayWindowList, AWindowsFrameHoldsItsTitleBar) {
    const char* tree = R"({
      "type": "workspace", "layout": "splith", "rect": {"x": 0, "y": 0, "width": 1280, "height": 800},
      "nodes": [
        {"type": "con", "pid": 11, "visible": true,
         "rect": {"x": 0, "y": 24, "width": 400, "height": 776},
         "deco_rect": {"x": 0, "y": 0, "width": 400, "height": 24}},
        {"type": "con", "layout": "stacked", "rect": {"x": 400, "y": 0, "width": 400, "height": 800},
         "nodes": [
           {"type": "con", "pid": 12, "visible": true,
            "rect": {"x": 400, "y": 48, "width": 400, "height": 752},
            "deco_rect": {"x": 0, "y": 0, "width": 400, "height": 24}},
           {"type": "con", "pid": 13, "visible": false,
            "rect": {"x": 400, "y": 48, "width": 400, "height": 752},
            "deco_rect": {"x": 0, "y": 24, "width": 400, "height": 24}}
         ]},
        {"type": "con", "pid": 14, "visible": true,
         "rect": {"x": 800, "y": 0, "width": 480, "height": 800},
         "deco_rect": {"x": 0, "y": 0, "width": 0, "height": 0}}
      ]
    })";
    const QJsonDocument document = QJsonDocument::fromJson(tree);
    ASSERT_TRUE(document.isObject());
    const std::vector<Rect> expected = {
        {0, 0, 400, 800},    // a normal title bar
        {400, 0, 400, 800},  // under both titles of its stack
        {800, 0, 480, 800},  // no title bar (border "pixel" or "none")
    };
    EXPECT_EQ(SwayWindowList::windowsOfTree(document.object(), 99), expected);
}

}  // namespace
