#pragma once

#include "remote/RemoteGate.h"

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

    bool m_upgrading = false;
    bool m_watching = false;
    bool m_connecting = false;
    bool m_armed = false;
    bool m_failed = false;
    ClientFrameWatch m_frames;
};

} // namespace lumadesk
