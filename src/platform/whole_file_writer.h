#pragma once
// Gives the file at a path exactly the bytes asked for, or leaves it as it was, whatever the
// path names:
// - a new name or a regular file: a temporary file in the same folder is written whole and
//   renamed over it, so a reader sees the old content or the new, never a part of either; an
//   existing file keeps its permissions;
// - a symbolic link: the same for the file it finally names; the link stays;
// - one of our own descriptors (/dev/stdout, /dev/fd/N, /proc/self/fd/N): written there;
// - a FIFO or a character device: written in place (a FIFO nobody reads fails at once);
// - a regular file without write permission: refused, even for root;
// - anything else (a folder, a socket, a block device): refused.
// Every write is checked: a full disk fails the write and leaves the old file whole.

#include <QByteArray>
#include <QString>
#include <optional>

// Nothing on success; otherwise why the file was not written.
std::optional<QString> writeWholeFile(const QString& path, const QByteArray& bytes);
