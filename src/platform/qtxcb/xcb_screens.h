#pragma once
// The screens and the pointer read from the X server (RandR monitors, the pointer query, the
// Xft.dpi resource) and scaled the way Qt scales them, for a process that runs without a
// QGuiApplication: starting Qt costs more than the whole automatic capture otherwise does.

#include <QByteArray>
#include <memory>
#include <optional>
#include <vector>

#include "platform/desktop_screens.h"
#include "platform/qtxcb/xcb_connection.h"

class XcbScreens : public DesktopScreens {
public:
    // Reads the monitors once. Null where Qt's answer cannot be reproduced here: no RandR 1.5
    // monitors, or one of Qt's scaling settings other than QT_SCALE_FACTOR in the environment.
    static std::unique_ptr<XcbScreens> create(std::shared_ptr<XcbConnection> connection);

    std::vector<DesktopScreen> desktop() override;
    Point desktopPointer() override;

    struct Monitor {
        Rect pixels;  // in the root window, top-left origin
        bool primary = false;
        bool showsPrimaryOutput = false;
    };

private:
    XcbScreens(std::shared_ptr<XcbConnection> connection, double scale)
        : m_connection(std::move(connection)), m_scale(scale) {}
    std::vector<Monitor> readMonitors() const;

    std::shared_ptr<XcbConnection> m_connection;
    double m_scale;
    // Read once: this serves a capture that lasts a fraction of a second.
    std::vector<Monitor> m_monitors;
};

// The value of "Xft.dpi" in an X resource database, as Qt reads it (a whole number after a tab).
std::optional<int> xftDpi(const QByteArray& resources);
