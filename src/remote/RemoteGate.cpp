#include "remote/RemoteGate.h"

namespace lumadesk {

bool IsPlainHost(const QByteArray& host) {
    if (host.isEmpty() || host.size() > 255)
        return false;
    for (char c : host) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '.' || c == '-' || c == ':' || c == '[' ||
                        c == ']';
        if (!ok)
            return false;
    }
    return true;
}

std::optional<HostParts> SplitHost(const QByteArray& host) {
    if (!IsPlainHost(host))
        return std::nullopt;
    HostParts parts;
    if (host.startsWith('[')) {
        const qsizetype close = host.indexOf(']');
        if (close < 0)
            return std::nullopt;
        parts.name = host.mid(1, close - 1);
        const QByteArray rest = host.mid(close + 1);
        if (!rest.isEmpty() && (!rest.startsWith(':') || rest.size() == 1))
            return std::nullopt;
        parts.port = rest.mid(1);
        parts.bracketed = true;
        if (parts.name.contains('[') || parts.name.contains(']'))
            return std::nullopt;
    } else if (host.count(':') > 1 || host.contains('[') || host.contains(']')) {
        return std::nullopt;
    } else if (const qsizetype colon = host.indexOf(':'); colon >= 0) {
        parts.name = host.left(colon);
        parts.port = host.mid(colon + 1);
        if (parts.port.isEmpty())
            return std::nullopt;
    } else {
        parts.name = host;
    }
    if (parts.name.isEmpty() || parts.port.size() > 5)
        return std::nullopt;
    for (char c : parts.port) {
        if (c < '0' || c > '9')
            return std::nullopt;
    }
    return parts;
}

qsizetype ClientFrameWatch::follow(const char* bytes, qsizetype size) {
    qsizetype at = 0;
    while (!m_failed) {
        const qsizetype left = size - at;
        if (m_piece == Piece::Header) {
            if (left < 2)
                break;
            const auto second = quint8(bytes[at + 1]);
            if ((second & 0x80) == 0) {
                m_failed = true;
                break;
            }
            const int code = second & 0x7F;
            m_payload = quint64(code);
            m_lengthBytes = code == 126 ? 2 : code == 127 ? 8 : 0;
            m_piece = m_lengthBytes > 0 ? Piece::Length : Piece::Mask;
            at += 2;
        } else if (m_piece == Piece::Length) {
            if (left < m_lengthBytes)
                break;
            m_payload = 0;
            for (int i = 0; i < m_lengthBytes; ++i)
                m_payload = (m_payload << 8) | quint8(bytes[at + i]);
            m_piece = Piece::Mask;
            at += m_lengthBytes;
        } else if (m_piece == Piece::Mask) {
            if (left < 4)
                break;
            m_piece = Piece::Payload;
            at += 4;
        } else {
            if (quint64(left) < m_payload)
                break;
            m_piece = Piece::Header;
            at += qsizetype(m_payload);
        }
    }
    return at;
}

} // namespace lumadesk
