#pragma once
// File names as the system gives them: bytes, usually but not always UTF-8. A name is carried
// in a QString with each byte that is not part of valid UTF-8 kept as the lone surrogate
// U+DC80 + (byte - 0x80), so that turning it back into bytes gives exactly the bytes given.
// Qt's own conversions would replace such a byte with U+FFFD and so name another file.

#include <QByteArray>
#include <QString>

QString localPathFromBytes(const QByteArray& bytes);
QByteArray localPathBytes(const QString& path);
