#pragma once
// The picture file the screenshot portal names in its answer. The answer comes over the
// session bus, from a process we do not control: a stale, faulty or hostile portal may name
// anything. The file is read, and removed, only when it is a picture written for us: a regular
// file (not a link, FIFO or device) owned by our user, with no other name, of a sane size, that
// decodes as a picture. Nothing here blocks: a FIFO is refused, never waited on.

#include <QImage>
#include <QString>

// The largest file taken: far above any desktop's PNG, far below what memory allows.
inline constexpr qint64 kLargestPortalPicture = qint64(1) << 30;

struct PortalPicture {
    QImage image;  // null when the file was refused
    // Why it was refused, naming the file, which is then left as it is; beside a picture,
    // that the file could not be removed.
    QString problem;
};

// Reads the picture at `path` and removes that file; on refusal the file is left untouched.
PortalPicture takePortalPicture(const QString& path);
