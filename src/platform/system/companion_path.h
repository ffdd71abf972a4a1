#pragma once
// Where a file that comes with the program is: beside the program in a build tree, else where
// the package installs it, in a folder given relative to the program's own (from the build's
// install layout, so that a packager's choice of folders is followed).

#include <string>

// `name` beside the program when it is there with `mode` (access(2)), else in
// `installedFolder` relative to the program's folder when it is there; beside it otherwise.
std::string companionPath(const std::string& name, const std::string& installedFolder, int mode);

// The installed folders relative to the program's own (see src/CMakeLists.txt).
std::string toolkitModuleFolder();
std::string clipboardHelperFolder();
