#pragma once

#include <QTcpSocket>

namespace lumadesk {

// A connection of the remote. Once it is let upgrade it follows the client's frames, which must
// all be masked; the WebSocket reads unmasked ones as well. Its watch is connected to readyRead
// when the WebSocket side first connects there, so it sees each arrival before the WebSocket
// reads it, and it reads nothing itself: it follows how the WebSocket takes whole pieces of a
// frame (header, length, mask, payload) as they become complete.
class RemoteSocket : public QTcpSocket {
    Q_OBJECT
public:
    using QTcpSocket::QTcpSocket;
    void upgrading() { m_upgrading = true; }

signals:
    // An unmasked frame, or frames sent before the upgrade was answered.
    void protocolError();

protected:
    void connectNotify(const QMetaMethod& signal) override;

private:
    void arrived();

    enum class Piece { Header, Length, Mask, Payload };
    bool m_upgrading = false;
    bool m_watching = false;
    bool m_connecting = false;
    bool m_armed = false;
    bool m_failed = false;
    Piece m_piece = Piece::Header;
    int m_lengthBytes = 0;
    quint64 m_payload = 0;
};

} // namespace lumadesk
