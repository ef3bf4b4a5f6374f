#pragma once

#include <QByteArray>

namespace lumadesk {

// Frame bytes written the way they read on the wire: "FF 07 17 00 08 00 02". Anything that is
// not a hex digit (the spaces) is skipped.
inline QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}

} // namespace lumadesk
