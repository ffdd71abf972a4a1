#pragma once
// What the program a host starts hands to the widget toolkit's side, a library of its own that
// it loads only when the capture needs windows: an automatic capture never loads the toolkit.

struct LaunchRequest;
class RealPlatform;

struct ToolkitLaunch {
    int argc = 0;
    char** argv = nullptr;
    const char* platformPlugin = "";  // Qt's platform: "xcb" or "wayland"
    int displayFd = -1;               // a connection of ours to the display server
    RealPlatform* platform = nullptr;
    const LaunchRequest* request = nullptr;
    bool automaticNeedsToolkit = false;  // an automatic capture that runs with the toolkit
};

// The toolkit's side: runs the capture with windows and ends the process (see runWithToolkit).
using ToolkitEntry = void (*)(const ToolkitLaunch& launch);
inline constexpr char kToolkitEntryName[] = "quilletRunWithToolkit";
inline constexpr char kToolkitLibraryName[] = "libquillet-capture-ui.so";
