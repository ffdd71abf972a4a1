#pragma once
// The picture that quillet_test_pattern paints into its windows, and the form of its window
// arguments. Every pixel of a window differs from every other one of that window, so a grab
// that is shifted, flipped or mixed up between windows shows at any sampled point.

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace test_pattern {

// 0xFFRRGGBB of the window at `index` (argument order, from 0) at window pixel (x, y):
// red and green run with x and y, blue holds their high bits, the index shifts all three.
constexpr std::uint32_t pixel(int index, int x, int y) {
    const std::uint32_t r = static_cast<std::uint32_t>(x + 53 * index) & 0xFFu;
    const std::uint32_t g = static_cast<std::uint32_t>(y + 101 * index) & 0xFFu;
    const std::uint32_t b = ((static_cast<std::uint32_t>(x >> 8) & 0x0Fu) |
                             ((static_cast<std::uint32_t>(y >> 8) & 0x0Fu) << 4)) ^
                            ((static_cast<std::uint32_t>(index) * 0x5Bu) & 0xFFu);
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

// One window: its top-left corner on the root window, its size, its name, and its kind: a
// suffix of _NET_WM_WINDOW_TYPE_ in lower case ("normal", "dock", "tooltip", ...) or
// "override" for an override-redirect window.
struct WindowSpec {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    std::string name;
    std::string kind = "normal";

    // The value of one --window argument: X,Y,W,H[,NAME[,KIND]].
    std::string argument() const {
        return std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(width) + "," +
               std::to_string(height) + "," + name + "," + kind;
    }

    static std::optional<WindowSpec> parse(const std::string& text) {
        WindowSpec spec;
        int consumed = 0;
        if (std::sscanf(text.c_str(), "%d,%d,%d,%d%n", &spec.x, &spec.y, &spec.width, &spec.height,
                        &consumed) != 4 ||
            spec.width <= 0 || spec.height <= 0) {
            return std::nullopt;
        }
        std::string rest = text.substr(consumed);
        if (!rest.empty() && rest[0] == ',') {
            rest.erase(0, 1);
            const auto comma = rest.find(',');
            spec.name = rest.substr(0, comma);
            if (comma != std::string::npos) spec.kind = rest.substr(comma + 1);
        } else if (!rest.empty()) {
            return std::nullopt;
        }
        return spec;
    }
};

}  // namespace test_pattern
