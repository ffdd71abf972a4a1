#pragma once
// All fake platform services in one place, wired into a PlatformServices bundle.

#include "platform/fake/fake_clock.h"
#include "platform/fake/fake_log.h"
#include "platform/fake/fake_process_exit.h"
#include "platform/platform_services.h"

struct FakePlatform {
    FakeLog log;
    FakeClock clock;
    FakeProcessExit processExit;

    PlatformServices services() { return PlatformServices{&log, &clock, &processExit}; }
};
