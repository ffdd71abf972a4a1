#include "platform/wayland/portal_picture_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <string>

namespace {

// Closes a descriptor when it goes out of scope.
struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0) close(fd);
    }
};

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Why `info` is not a file the portal wrote for us; empty when it is.
QString refusalOf(const struct stat& info) {
    if (!S_ISREG(info.st_mode)) return QStringLiteral("not a regular file");
    if (info.st_uid != geteuid()) {
        return QStringLiteral("owned by another user (%1)").arg(qulonglong(info.st_uid));
    }
    if (info.st_nlink != 1) return QStringLiteral("it has other names (hard links)");
    if (info.st_size > kLargestPortalPicture) {
        return QStringLiteral("too large for a screenshot (%1 bytes)").arg(qlonglong(info.st_size));
    }
    return {};
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Removes the name under which `fd` is open, once it is checked to be the same file still:
// by the path the kernel knows for the descriptor, inside its folder opened without following
// a link.
bool removeOpenFile(int fd, const struct stat& opened) {
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    std::string path(4096, '\0');
    const ssize_t n = readlink(link, path.data(), path.size() - 1);
    if (n <= 0 || path[0] != '/') return false;
    path.resize(size_t(n));
    const size_t slash = path.rfind('/');
    const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
    const std::string name = path.substr(slash + 1);
    Descriptor dir{open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)};
    if (dir.fd < 0) return false;
    struct stat named {};
    if (fstatat(dir.fd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 ||
        !sameFile(named, opened)) {
        return false;
    }
    return unlinkat(dir.fd, name.c_str(), 0) == 0;
}

}  // namespace

PortalPicture takePortalPicture(const QString& path) {
    const QByteArray bytesOfPath = QFile::encodeName(path);
    const auto refuse = [&path](const QString& why) {
        return PortalPicture{{},
                             QStringLiteral("the screenshot portal's file %1 is refused (%2); "
                                            "it is left as it is")
                                 .arg(path, why)};
    };
    // A first look without opening: a device's open alone may act (a tape rewinds).
    struct stat named {};
    if (lstat(bytesOfPath.constData(), &named) != 0) return refuse(systemError());
    if (S_ISLNK(named.st_mode)) return refuse(QStringLiteral("a symbolic link"));
    if (const QString why = refusalOf(named); !why.isEmpty()) return refuse(why);
    // What is opened is checked again: the name may have been given to another file since.
    Descriptor file{
        open(bytesOfPath.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
    if (file.fd < 0) return refuse(systemError());
    struct stat opened {};
    if (fstat(file.fd, &opened) != 0) return refuse(systemError());
    if (const QString why = refusalOf(opened); !why.isEmpty()) return refuse(why);
    if (!sameFile(named, opened)) return refuse(QStringLiteral("it changed while being opened"));
    QByteArray bytes;
    bytes.resize(qsizetype(opened.st_size));
    qsizetype have = 0;
    while (have < bytes.size()) {
        const ssize_t n = read(file.fd, bytes.data() + have, size_t(bytes.size() - have));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return refuse(systemError());
        if (n == 0) break;
        have += n;
    }
    bytes.truncate(have);
    QImage image = QImage::fromData(bytes);
    if (image.isNull()) return refuse(QStringLiteral("not a picture"));
    // The picture was written for us alone: nobody else is to find it later.
    if (!removeOpenFile(file.fd, opened)) {
        return {image,
                QStringLiteral("the screenshot portal's file %1 could not be removed").arg(path)};
    }
    return {image, {}};
}
