#include "capture/screen_recording_permission.h"

#include "platform/dialogs.h"
#include "platform/log.h"
#include "platform/permission_probe.h"
#include "platform/termination.h"

bool ScreenRecordingPermission::ScreeningRecordPermissionCheck() {
    if (m_permissionGranted) return true;
    PermissionProbe& probe = *m_platform.permissionProbe;
    if (!probe.systemHasRecordingPermission()) {
        m_permissionGranted = true;
        return true;
    }
    if (!probe.recordingUnavailable().isEmpty()) return false;
    bool allReadable = true;
    for (const WindowDescription& w : probe.windowDescriptions()) {
        if (w.name || w.sharingState.value_or(0) != 0) continue;
        allReadable = false;
        m_platform.log->write(QStringLiteral("windowInfo get Fail pid:%1 appName:%2")
                                  .arg(QString::number(w.ownerPid), w.ownerName));
    }
    m_permissionGranted = allReadable;
    return allReadable;
}

bool ScreenRecordingPermission::ScreeningPermissionCheck(const PermissionTexts& texts) {
    if (ScreeningRecordPermissionCheck()) return true;
    // Ended from outside while the permission was asked: the caller cancels.
    if (m_platform.termination && m_platform.termination->requested()) return false;
    // Nothing the user could allow would help: say why instead of prompting.
    if (const QString why = m_platform.permissionProbe->recordingUnavailable(); !why.isEmpty()) {
        m_platform.log->write(QStringLiteral("cannot record the screen: ") + why);
        return false;
    }
    PermissionProbe& probe = *m_platform.permissionProbe;
    const QString desktops = texts.permissionInfoGiven ? QString() : probe.howToAllow();
    const AlertTexts alert{texts.permissionOKText, texts.permissionCancelText,
                           texts.permissionTitleText,
                           desktops.isEmpty() ? texts.permissionInfoText : desktops};
    if (m_platform.dialogs->runAlert(alert)) probe.allowToBeAskedAgain();
    return false;
}
