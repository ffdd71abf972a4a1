#include "platform/wayland/portal_permission_probe.h"

#include "platform/wayland/portal_permission_store.h"

void PortalPermissionProbe::ask() {
    if (m_asked) return;
    m_asked = true;
    if (storedScreenshotPermission(m_portal.termination()) != StoredPermission::Unknown) {
        // The portal answers at once from what is stored.
        m_portal.takeDesktop();
        return;
    }
    m_dialogs.runWhileExplaining(m_message, m_informativeText, [this] { m_portal.takeDesktop(); });
}

std::vector<WindowDescription> PortalPermissionProbe::windowDescriptions() {
    ask();
    if (!m_portal.refused()) return {};
    return {WindowDescription{std::nullopt, std::nullopt, 0, QStringLiteral("the desktop portal")}};
}

QString PortalPermissionProbe::recordingUnavailable() {
    ask();
    if (m_portal.refused() || m_portal.takeDesktop()) return {};  // taken once, in ask()
    return m_portal.lastError();
}
