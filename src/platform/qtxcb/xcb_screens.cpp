#include "platform/qtxcb/xcb_screens.h"

#include <xcb/randr.h>

#include <QList>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// Qt's own rounding of scaled coordinates (qRound on non-negative values).
double roundLikeQt(double value) {
    return std::floor(value + 0.5);
}

bool environmentSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// The factor QT_SCALE_FACTOR adds: 1 when unset; nothing when set to anything but a positive
// number, which is left to Qt to interpret.
std::optional<double> environmentScale() {
    const QByteArray value = qgetenv("QT_SCALE_FACTOR");
    if (value.isEmpty()) return 1.0;
    bool ok = false;
    const double scale = value.toDouble(&ok);
    if (!ok || !(scale > 0)) return std::nullopt;
    return scale;
}

QByteArray resourceManager(xcb_connection_t* c, xcb_window_t root) {
    const auto reply = xcbReply(
        c, xcb_get_property(c, 0, root, XCB_ATOM_RESOURCE_MANAGER, XCB_ATOM_STRING, 0, 1 << 20),
        xcb_get_property_reply);
    if (!reply || reply->format != 8) return {};
    return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}

bool hasMonitors(xcb_connection_t* c) {
    const xcb_query_extension_reply_t* randr = xcb_get_extension_data(c, &xcb_randr_id);
    if (randr == nullptr || !randr->present) return false;
    const auto version =
        xcbReply(c, xcb_randr_query_version(c, 1, 5), xcb_randr_query_version_reply);
    return version && (version->major_version > 1 ||
                       (version->major_version == 1 && version->minor_version >= 5));
}

}  // namespace

std::optional<int> xftDpi(const QByteArray& resources) {
    // Spelt the way xrdb writes it; Qt overlooks other spellings, so this does too.
    static const QByteArray key("Xft.dpi:\t");
    for (const QByteArray& line : resources.split('\n')) {
        if (!line.startsWith(key)) continue;
        bool ok = false;
        const int dpi = line.mid(key.size()).toInt(&ok);
        if (ok && dpi > 0) return dpi;
    }
    return std::nullopt;
}

std::unique_ptr<XcbScreens> XcbScreens::create(std::shared_ptr<XcbConnection> connection) {
    if (!connection) return nullptr;
    // Their rules (per-screen factors, physical sizes, rounding) are Qt's business.
    for (const char* name :
         {"QT_SCREEN_SCALE_FACTORS", "QT_ENABLE_HIGHDPI_SCALING", "QT_USE_PHYSICAL_DPI",
          "QT_SCALE_FACTOR_ROUNDING_POLICY", "QT_FONT_DPI", "QT_DEVICE_PIXEL_RATIO",
          "QT_AUTO_SCREEN_SCALE_FACTOR"}) {
        if (environmentSet(name)) return nullptr;
    }
    const std::optional<double> scale = environmentScale();
    xcb_connection_t* c = connection->get();
    if (!scale || !hasMonitors(c)) return nullptr;
    const double dpi = xftDpi(resourceManager(c, connection->root())).value_or(96);
    std::unique_ptr<XcbScreens> screens(new XcbScreens(connection, *scale * dpi / 96.0));
    screens->m_monitors = screens->readMonitors();
    if (screens->m_monitors.empty()) return nullptr;
    return screens;
}

std::vector<XcbScreens::Monitor> XcbScreens::readMonitors() const {
    xcb_connection_t* c = m_connection->get();
    std::vector<Monitor> found;
    const auto reply = xcbReply(c, xcb_randr_get_monitors(c, m_connection->root(), 1),
                                xcb_randr_get_monitors_reply);
    if (!reply) return found;
    // A monitor that is not marked primary still is when it shows the primary output.
    const auto primaryOutput = xcbReply(c, xcb_randr_get_output_primary(c, m_connection->root()),
                                        xcb_randr_get_output_primary_reply);
    for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem > 0;
         xcb_randr_monitor_info_next(&it)) {
        xcb_randr_monitor_info_t* m = it.data;
        if (m->width == 0 || m->height == 0) continue;
        const xcb_randr_output_t* outputs = xcb_randr_monitor_info_outputs(m);
        const bool showsPrimary =
            primaryOutput && primaryOutput->output != XCB_NONE &&
            std::find(outputs, outputs + xcb_randr_monitor_info_outputs_length(m),
                      primaryOutput->output) != outputs + xcb_randr_monitor_info_outputs_length(m);
        found.push_back({Rect{double(m->x), double(m->y), double(m->width), double(m->height)},
                         m->primary != 0, showsPrimary});
    }
    // The main screen first: the marked monitor, else the one showing the primary output, else
    // the first.
    auto main =
        std::find_if(found.begin(), found.end(), [](const Monitor& m) { return m.primary; });
    if (main == found.end())
        main = std::find_if(found.begin(), found.end(),
                            [](const Monitor& m) { return m.showsPrimaryOutput; });
    if (main != found.end()) std::rotate(found.begin(), main, main + 1);
    return found;
}

std::vector<DesktopScreen> XcbScreens::desktop() {
    std::vector<DesktopScreen> desktop;
    for (const Monitor& m : m_monitors) {
        // Qt keeps a screen's corner at its pixel position and divides only the size.
        desktop.push_back({Rect{m.pixels.x, m.pixels.y, roundLikeQt(m.pixels.width / m_scale),
                                roundLikeQt(m.pixels.height / m_scale)},
                           m_scale});
    }
    return desktop;
}

Point XcbScreens::desktopPointer() {
    xcb_connection_t* c = m_connection->get();
    const auto reply =
        xcbReply(c, xcb_query_pointer(c, m_connection->root()), xcb_query_pointer_reply);
    if (!reply) return {};
    const Point pixel{double(reply->root_x), double(reply->root_y)};
    // Scaled about the corner of the screen under the pointer (the main screen off all of them).
    const std::vector<Monitor>& all = m_monitors;
    Point corner{};
    if (!all.empty()) corner = {all.front().pixels.x, all.front().pixels.y};
    for (const Monitor& m : all) {
        if (pixel.x >= m.pixels.x && pixel.x < m.pixels.x + m.pixels.width &&
            pixel.y >= m.pixels.y && pixel.y < m.pixels.y + m.pixels.height) {
            corner = {m.pixels.x, m.pixels.y};
            break;
        }
    }
    return {corner.x + roundLikeQt((pixel.x - corner.x) / m_scale),
            corner.y + roundLikeQt((pixel.y - corner.y) / m_scale)};
}
