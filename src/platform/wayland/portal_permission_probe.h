#pragma once
// The screen-recording permission where the desktop portal gives the screen: the portal is asked
// for the desktop's picture when the permission is checked (before anything is shown), and a
// refusal (by the user, or by a desktop that stored "no") counts as a desktop whose windows
// cannot be read. The capture then shows its permission prompt and ends unable to record.

#include "platform/permission_probe.h"
#include "platform/wayland/portal_screenshot.h"

class PortalPermissionProbe : public PermissionProbe {
public:
    explicit PortalPermissionProbe(PortalScreenshot& portal) : m_portal(portal) {}
    bool systemHasRecordingPermission() override { return true; }
    std::vector<WindowDescription> windowDescriptions() override {
        if (m_portal.takeDesktop() || !m_portal.refused()) return {};
        // Other failures are the grab's to report.
        return {
            WindowDescription{std::nullopt, std::nullopt, 0, QStringLiteral("the desktop portal")}};
    }

private:
    PortalScreenshot& m_portal;
};
