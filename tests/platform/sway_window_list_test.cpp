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

}  // namespace
