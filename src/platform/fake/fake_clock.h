#pragma once

#include "platform/clock.h"

class FakeClock : public Clock {
public:
    WallTime now() override { return time; }
    WallTime time{1700000000, 123456};
};
