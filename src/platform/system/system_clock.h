#pragma once

#include "platform/clock.h"

class SystemClock : public Clock {
public:
    WallTime now() override;
};
