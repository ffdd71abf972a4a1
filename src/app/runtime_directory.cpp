#include "app/runtime_directory.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace {

// Qt 6.4's own test (QStandardPaths on Unix): a directory, not a symbolic link, owned by the
// effective user, with exactly the owner's read, write and search permissions.
bool usable(const struct stat& st) {
    return S_ISDIR(st.st_mode) && st.st_uid == geteuid() && (st.st_mode & 07777) == 0700;
}

// Opens `path` as a directory without following a symbolic link, and makes it usable when it
// is ours but too open. Another user's directory (planted in /tmp before us) is refused.
bool claimDirectory(const std::string& path) {
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
    const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid();
    if (ok && (st.st_mode & 07777) != 0700) ok = fchmod(fd, 0700) == 0;
    close(fd);
    return ok;
}

}  // namespace

bool ensureRuntimeDirectory() {
    if (const char* given = std::getenv("XDG_RUNTIME_DIR"); given != nullptr && *given != '\0') {
        struct stat st {};
        if (lstat(given, &st) == 0 && usable(st)) return true;
    }
    const std::string ours = "/tmp/quillet-runtime-" + std::to_string(geteuid());
    if (!claimDirectory(ours)) return false;
    return setenv("XDG_RUNTIME_DIR", ours.c_str(), 1) == 0;
}
