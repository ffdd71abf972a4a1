#pragma once
// What stands at a path, as lstat sees it, for tests of files that are not ours: a tool must
// leave them exactly as they were.

#include <sys/stat.h>

#include <QByteArray>
#include <QFile>
#include <QString>
#include <string>

// What stands at a path, as lstat sees it: its type, owner and content.
struct FileState {
    bool exists = false;
    mode_t type = 0;
    uid_t owner = 0;
    QByteArray content;  // regular files only
    bool operator==(const FileState&) const = default;
};

inline FileState fileState(const std::string& path) {
    FileState state;
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) return state;
    state.exists = true;
    state.type = info.st_mode & S_IFMT;
    state.owner = info.st_uid;
    if (S_ISREG(info.st_mode)) {
        QFile f(QString::fromStdString(path));
        if (f.open(QIODevice::ReadOnly)) state.content = f.readAll();
    }
    return state;
}
