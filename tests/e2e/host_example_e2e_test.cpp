// examples/host_example.py, the documented host, run against the real binary: an automatic
// capture on a private X server, and the outcome without a display.
#include <gtest/gtest.h>

#include "support/x_session.h"

namespace {

std::vector<std::string> hostExample(std::vector<std::string> options) {
    std::vector<std::string> argv{"python3", QUILLET_SOURCE_DIR "/examples/host_example.py",
                                  "--tool", QUILLET_CAPTURE_BINARY};
    argv.insert(argv.end(), options.begin(), options.end());
    return argv;
}

TEST(HostExampleE2E, AutomaticRectangleIsReportedFinishedWithItsGeometry) {
    XSession x;
    ASSERT_TRUE(x.ok()) << x.error();
    const ProgramOutput out =
        runProgram(hostExample({"--rect", "100", "50", "640", "480"}),
                   {"DISPLAY=" + x.display(), "WAYLAND_DISPLAY", "XDG_SESSION_TYPE"});
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.bytes.toStdString(),
              "finished: x=100 y=50 width=640 height=480; the image is on the clipboard "
              "(image/png)\n");
}

TEST(HostExampleE2E, WithoutADisplayTheHostHearsCannotRecord) {
    const ProgramOutput out = runProgram(hostExample({"--whole-screen"}),
                                         {"DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE"});
    EXPECT_EQ(out.status, 1);
    EXPECT_EQ(out.bytes.toStdString().rfind("cannot record:", 0), 0u) << out.bytes.toStdString();
}

}  // namespace
