#pragma once
// All fake platform services in one place, wired into a PlatformServices bundle.

#include "platform/fake/fake_clipboard.h"
#include "platform/fake/fake_clock.h"
#include "platform/fake/fake_dialogs.h"
#include "platform/fake/fake_log.h"
#include "platform/fake/fake_permission_probe.h"
#include "platform/fake/fake_process_exit.h"
#include "platform/fake/fake_screen_grabber.h"
#include "platform/fake/fake_screens.h"
#include "platform/fake/fake_window_list.h"
#include "platform/platform_services.h"

struct FakePlatform {
    FakeLog log;
    FakeClock clock;
    FakeProcessExit processExit;
    FakeScreens screens;
    FakeWindowList windowList;
    FakeScreenGrabber grabber;
    FakeClipboard clipboard;
    FakeDialogs dialogs;
    FakePermissionProbe permissionProbe;

    PlatformServices services() {
        return PlatformServices{&log,     &clock,     &processExit, &screens,        &windowList,
                                &grabber, &clipboard, &dialogs,     &permissionProbe};
    }
};
