#pragma once

#include <QByteArray>
#include <optional>

namespace lumadesk {

// The two things the remote reads from a stranger before anything else: the Host a request names
// and the WebSocket frames a client sends. Pure: bytes in, a verdict out.

// A Host header split into its name and port, written as a browser writes it: letters, digits,
// dots, hyphens; an IPv6 address in brackets; an optional port of one to five digits. Nothing
// for anything else.
struct HostParts {
    QByteArray name; // without brackets
    QByteArray port; // empty when none was given
    bool bracketed = false;
};
std::optional<HostParts> SplitHost(const QByteArray& host);
// Whether a Host holds only the characters SplitHost takes (safe to repeat in a header).
bool IsPlainHost(const QByteArray& host);

// Follows a WebSocket client's frames as a reader does that takes each piece (header, extended
// length, mask, payload) once it is complete: every frame must be masked (RFC 6455 5.1).
class ClientFrameWatch {
public:
    // `bytes` are the unread ones, starting where the last complete piece ended. Returns how many
    // of them complete pieces take (the reader consumes those); once a frame comes unmasked,
    // failed() holds and nothing more is followed.
    qsizetype follow(const char* bytes, qsizetype size);
    bool failed() const { return m_failed; }

private:
    enum class Piece { Header, Length, Mask, Payload };
    Piece m_piece = Piece::Header;
    int m_lengthBytes = 0;
    quint64 m_payload = 0;
    bool m_failed = false;
};

} // namespace lumadesk
