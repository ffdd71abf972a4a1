// A stand-in for the windows' module whose entry calls a function that no program provides: a
// module built against another program than the one that loads it. Loaded, it must be refused
// before anything of it runs.

#include "app/toolkit_launch.h"

void quilletSymbolNoProgramHas();

extern "C" __attribute__((visibility("default"))) void quilletRunWithToolkit(const ToolkitLaunch&) {
    quilletSymbolNoProgramHas();
}
