#include "remote/RemoteSocket.h"

#include <QMetaMethod>

namespace lumadesk {

void RemoteSocket::connectNotify(const QMetaMethod& signal) {
    if (!m_upgrading || signal != QMetaMethod::fromSignal(&QTcpSocket::readyRead))
        return;
    if (m_connecting)
        return;
    if (!m_watching) {
        // The WebSocket server's own wait for the handshake: ours comes next, before the
        // WebSocket's reader.
        m_watching = true;
        m_connecting = true;
        connect(this, &QTcpSocket::readyRead, this, &RemoteSocket::arrived);
        m_connecting = false;
    } else if (!m_armed) {
        // The WebSocket's reader: the handshake is read, frames come next. A client must wait
        // for the answer before it sends one.
        m_armed = true;
        if (bytesAvailable() > 0) {
            m_failed = true;
            QMetaObject::invokeMethod(this, &RemoteSocket::protocolError, Qt::QueuedConnection);
        }
    }
}

void RemoteSocket::arrived() {
    if (!m_armed || m_failed || !isOpen())
        return;
    const QByteArray bytes = peek(bytesAvailable());
    m_frames.follow(bytes.constData(), bytes.size());
    if (m_frames.failed()) {
        m_failed = true;
        emit protocolError();
    }
}

} // namespace lumadesk
