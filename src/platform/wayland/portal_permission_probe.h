#pragma once
// The screen-recording permission where the desktop portal gives the screen: the portal is asked
// for the desktop's picture when the permission is checked (before anything is shown), and a
// refusal (by the user, or by a desktop that stored "no") counts as a desktop whose windows
// cannot be read. The capture then shows its permission prompt and ends unable to record.
//
// A desktop that has no answer stored yet asks the user, and GNOME asks only for the program
// whose window has the focus: until an answer is stored, a small window of ours explaining the
// permission (the permission texts) is shown while the portal is asked. That picture holds the
// window: once the window has gone from the screen, the portal is asked again (the answer is
// stored by then, so the user is not asked twice), and only that picture is kept.

#include "platform/dialogs.h"
#include "platform/permission_probe.h"
#include "platform/wayland/portal_permission_texts.h"
#include "platform/wayland/portal_screenshot.h"
#include "platform/window_state.h"

class PortalPermissionProbe : public PermissionProbe {
public:
    // `windowState` tells when the explaining window has left the screen.
    PortalPermissionProbe(PortalScreenshot& portal, Dialogs& dialogs, WindowState& windowState)
        : m_portal(portal), m_dialogs(dialogs), m_windowState(windowState) {}

    // The texts of the window shown while the desktop asks the user; where the host gave no
    // informative text (`informativeGiven`), the desktop's own explanation.
    void explainWith(const QString& message, const QString& informativeText,
                     bool informativeGiven) {
        m_message = message;
        m_informativeText = informativeGiven ? informativeText : whileTheDesktopAsks();
    }

    bool systemHasRecordingPermission() override { return true; }
    std::vector<WindowDescription> windowDescriptions() override;
    QString recordingUnavailable() override;
    QString howToAllow() override;
    // Where the desktop keeps the refusal (GNOME), it is forgotten: the next capture asks again.
    void allowToBeAskedAgain() override;

private:
    // Asks the portal for the desktop once.
    void ask();

    PortalScreenshot& m_portal;
    Dialogs& m_dialogs;
    WindowState& m_windowState;
    QString m_message;
    QString m_informativeText;
    bool m_asked = false;
};
