#pragma once
// The platform services that need the widget toolkit, made once it runs and attached to the
// platform: on X11 Qt's screens, the window list and the windows' state; on Wayland sway's
// window list, the desktop portal and a clipboard offered from our window where the compositor
// wants that; dialogs on both. The pointer on Wayland is where Qt last saw it.

#include <memory>

#include "model/ui_texts.h"

class RealPlatform;

class ToolkitPlatform {
public:
    // `permission`: the texts of the window shown while the desktop portal asks the user.
    ToolkitPlatform(RealPlatform& platform, const PermissionTexts& permission);
    ~ToolkitPlatform();
    // The capture will show windows: what they need from other processes is asked for now, so
    // that it comes while they are made (KWin's window list; nothing for an automatic capture).
    void prepareWindows();
    ToolkitPlatform(const ToolkitPlatform&) = delete;
    ToolkitPlatform& operator=(const ToolkitPlatform&) = delete;

private:
    void assembleOnX11(RealPlatform& platform);
    void assembleOnWayland(RealPlatform& platform, const PermissionTexts& permission);

    struct Parts;
    std::unique_ptr<Parts> m_parts;
};
