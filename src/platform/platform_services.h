#pragma once
// The services the capture needs from the system. src/app picks the real ones; tests pass
// fakes. Objects receive this bundle in their constructors and keep no other way out.

class Clock;
class Log;
class ProcessExit;

struct PlatformServices {
    Log* log = nullptr;
    Clock* clock = nullptr;
    ProcessExit* processExit = nullptr;
};
