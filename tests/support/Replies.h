// Building registry replies in tests, so that rows read as records rather than as hex.
#pragma once

#include <QByteArray>

namespace replies {

// One whole record: four NUL-ended texts, the skipped byte, the tileset byte and the record end.
inline QByteArray record(const QByteArray &address, const QByteArray &port, const QByteArray &name,
                         const QByteArray &description, quint8 tileset) {
    QByteArray bytes = address + '\0' + port + '\0' + name + '\0' + description + '\0';
    bytes += '\x01';
    bytes += char(tileset);
    if (tileset != 0x04)
        bytes += '\x04';
    return bytes;
}

inline QByteArray lead() {
    return QByteArray("REG\x04", 4);
}

} // namespace replies
