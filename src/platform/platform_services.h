#pragma once
// The services the capture needs from the system. src/app picks the real ones; tests pass
// fakes. Objects receive this bundle in their constructors and keep no other way out.

class Clipboard;
class Clock;
class Dialogs;
class Log;
class PermissionProbe;
class ProcessExit;
class ScreenGrabber;
class Screens;
class Termination;
class WindowState;
class WindowList;

struct PlatformServices {
    Log* log = nullptr;
    Clock* clock = nullptr;
    ProcessExit* processExit = nullptr;
    Screens* screens = nullptr;
    WindowList* windowList = nullptr;
    ScreenGrabber* grabber = nullptr;
    Clipboard* clipboard = nullptr;
    Dialogs* dialogs = nullptr;
    PermissionProbe* permissionProbe = nullptr;
    Termination* termination = nullptr;  // none: the signals keep their default actions
    WindowState* windowState = nullptr;  // none: no compositing, windows leave at once
};
