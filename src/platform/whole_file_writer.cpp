#include "platform/whole_file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/local_path.h"

namespace {

using Outcome = std::optional<QString>;

QString errorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

Outcome writeAll(int fd, const QByteArray& bytes) {
    const char* data = bytes.constData();
    std::size_t left = std::size_t(bytes.size());
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errorText(errno);
        if (n == 0) return QStringLiteral("nothing could be written");
        data += n;
        left -= std::size_t(n);
    }
    return std::nullopt;
}

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// When `path` names a descriptor of this process through /proc (/dev/stdout and /dev/fd/N
// lead there), that descriptor; -1 otherwise.
int ownDescriptorNamedBy(const std::string& path) {
    char folder[PATH_MAX];
    if (realpath(folderOf(path).c_str(), folder) == nullptr) return -1;
    const std::string own = "/proc/" + std::to_string(getpid()) + "/fd";
    if (folder != own) return -1;
    const std::string name = nameOf(path);
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) return -1;
    return name.size() > 9 ? -1 : std::atoi(name.c_str());
}

Outcome writeInPlace(const std::string& path, const QByteArray& bytes, bool fifo) {
    // Without O_NONBLOCK a FIFO with no reader would block open() forever; with it, open
    // fails at once (ENXIO). The writes then block as usual, for a reader that is there.
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | (fifo ? O_NONBLOCK : 0));
    if (fd < 0) {
        return errno == ENXIO && fifo ? QStringLiteral("nobody reads the FIFO") : errorText(errno);
    }
    if (fifo) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    Outcome outcome = writeAll(fd, bytes);
    if (::close(fd) != 0 && !outcome) outcome = errorText(errno);
    return outcome;
}

Outcome replaceRegularFile(const std::string& path, const QByteArray& bytes,
                           const struct stat* existing) {
    std::string temporary = folderOf(path) + "/.quillet-XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return errorText(errno);
    mode_t mode = 0666;
    if (existing) {
        mode = existing->st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode &= ~mask;
    }
    Outcome outcome = writeAll(fd, bytes);
    if (!outcome && fchmod(fd, mode) != 0) outcome = errorText(errno);
    if (::close(fd) != 0 && !outcome) outcome = errorText(errno);
    if (!outcome && ::rename(temporary.c_str(), path.c_str()) != 0) outcome = errorText(errno);
    if (outcome) ::unlink(temporary.c_str());
    return outcome;
}

}  // namespace

Outcome writeWholeFile(const QString& pathText, const QByteArray& bytes) {
    if (pathText.isEmpty()) return QStringLiteral("no path given");
    std::string path = localPathBytes(pathText).toStdString();
    if (path.find('\0') != std::string::npos) return QStringLiteral("the path holds a NUL byte");
    // Follow symbolic links one by one: a link to one of our descriptors means that
    // descriptor, any other link the file it finally names.
    for (int hops = 0;; ++hops) {
        if (const int own = ownDescriptorNamedBy(path); own >= 0) {
            if (fcntl(own, F_GETFD) < 0) return errorText(errno);
            return writeAll(own, bytes);
        }
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0) {
            if (errno != ENOENT) return errorText(errno);
            return replaceRegularFile(path, bytes, nullptr);
        }
        if (S_ISREG(info.st_mode)) {
            if ((info.st_mode & 0222) == 0 || access(path.c_str(), W_OK) != 0) {
                return QStringLiteral("the file is read-only");
            }
            return replaceRegularFile(path, bytes, &info);
        }
        if (S_ISFIFO(info.st_mode)) return writeInPlace(path, bytes, true);
        if (S_ISCHR(info.st_mode)) return writeInPlace(path, bytes, false);
        if (!S_ISLNK(info.st_mode)) return QStringLiteral("not a file that can be written");
        if (hops >= 40) return errorText(ELOOP);
        char target[PATH_MAX];
        const ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
        if (n < 0) return errorText(errno);
        const std::string link(target, std::size_t(n));
        path = link.front() == '/' ? link : folderOf(path) + "/" + link;
    }
}
