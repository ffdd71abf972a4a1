#include "platform/wayland/portal_permission_probe.h"

#include "platform/wayland/interruptible_wait.h"
#include "platform/wayland/portal_permission_store.h"

namespace {

// After the compositor has handled the unmap, its next frame (60 Hz, with one to spare) is
// the first without the window; no surface of ours is left to be told when it is out.
constexpr int kFrameWaitMs = 34;

}  // namespace

void PortalPermissionProbe::ask() {
    if (m_asked) return;
    m_asked = true;
    if (storedScreenshotPermission(m_portal.termination()) != StoredPermission::Unknown) {
        // The portal answers at once from what is stored.
        m_portal.takeDesktop();
        return;
    }
    m_dialogs.runWhileExplaining(m_message, m_informativeText, [this] { m_portal.takeDesktop(); });
    if (!m_portal.takeDesktop()) return;  // refused or failed: there is no picture to replace
    m_windowState.isOffScreen(0);
    if (InterruptibleWait(m_portal.termination()).run(kFrameWaitMs) ==
        InterruptibleWait::End::Terminated) {
        return;
    }
    m_portal.takeDesktopAgain();
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

QString PortalPermissionProbe::howToAllow() {
    if (!m_portal.refused()) return {};
    return m_portal.refusalStored() ? refusalTheDesktopKeeps() : refusalThisTime();
}

void PortalPermissionProbe::allowToBeAskedAgain() {
    if (m_portal.refusalStored()) forgetScreenshotPermission(m_portal.termination());
}
