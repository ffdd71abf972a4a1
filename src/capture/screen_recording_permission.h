#pragma once
// Whether this process may record the screen, and the prompt that explains how to allow it
// when it may not. Once the test has passed it is not asked again in this process.

#include "model/ui_texts.h"
#include "platform/platform_services.h"

class ScreenRecordingPermission {
public:
    explicit ScreenRecordingPermission(const PlatformServices& platform) : m_platform(platform) {}

    // The test alone: every on-screen window must be readable (a name, or a non-zero sharing
    // state), and the system able to record at all. Logs each window that is not readable.
    bool ScreeningRecordPermissionCheck();

    // The test, and the prompt when it fails: the host's texts, or the desktop's own
    // explanation where the host gave none; its first button does what the desktop needs for
    // the user to be asked again (no settings page of another system is opened). Where the
    // system cannot record at all, a log line that says why instead of the prompt.
    bool ScreeningPermissionCheck(const PermissionTexts& texts);

private:
    PlatformServices m_platform;
    bool m_permissionGranted = false;
};
