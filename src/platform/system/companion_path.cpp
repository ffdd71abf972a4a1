#include "platform/system/companion_path.h"

#include <unistd.h>

#include <climits>

std::string companionPath(const std::string& name, const std::string& installedFolder, int mode) {
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    std::string folder = n > 0 ? std::string(path, size_t(n)) : std::string();
    folder = folder.substr(0, folder.rfind('/') + 1);
    const std::string besideUs = folder + name;
    const std::string installed = folder + installedFolder + "/" + name;
    return access(besideUs.c_str(), mode) == 0 || access(installed.c_str(), mode) != 0 ? besideUs
                                                                                       : installed;
}

std::string toolkitModuleFolder() {
    return QUILLET_TOOLKIT_DIR;
}

std::string clipboardHelperFolder() {
    return QUILLET_HELPER_DIR;
}
