#include "platform/system/system_clock.h"

#include <sys/time.h>

WallTime SystemClock::now() {
    timeval tv{};
    gettimeofday(&tv, nullptr);
    return WallTime{tv.tv_sec, tv.tv_usec};
}
