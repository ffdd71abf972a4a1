// X server times are 32 bits of milliseconds that wrap every 49.7 days: a clipboard taken just
// before the wrap must still serve the pastes that come just after it.
#include <gtest/gtest.h>

#include "platform/qtxcb/selection_owner.h"

namespace {

TEST(ServerTime, ComparedAcrossTheWrap) {
    const struct {
        const char* name;
        xcb_timestamp_t a, b;
        bool before;
    } rows[] = {
        {"plainly earlier", 1000, 2000, true},
        {"plainly later", 2000, 1000, false},
        {"the same moment", 5000, 5000, false},
        {"after the wrap, taken before it", 10, 0xfffffff0u, false},
        {"before the wrap, taken after it", 0xfffffff0u, 10, true},
        {"half the range apart counts as before", 0, 0x7fffffffu, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(serverTimeBefore(row.a, row.b), row.before);
    }
}

}  // namespace
