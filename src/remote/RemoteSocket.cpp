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
    qsizetype at = 0;
    for (;;) {
        const qsizetype left = bytes.size() - at;
        if (m_piece == Piece::Header) {
            if (left < 2)
                return;
            const quint8 second = quint8(bytes[at + 1]);
            if ((second & 0x80) == 0) {
                m_failed = true;
                emit protocolError();
                return;
            }
            const int code = second & 0x7F;
            m_payload = quint64(code);
            m_lengthBytes = code == 126 ? 2 : code == 127 ? 8 : 0;
            m_piece = m_lengthBytes > 0 ? Piece::Length : Piece::Mask;
            at += 2;
        } else if (m_piece == Piece::Length) {
            if (left < m_lengthBytes)
                return;
            m_payload = 0;
            for (int i = 0; i < m_lengthBytes; ++i)
                m_payload = (m_payload << 8) | quint8(bytes[at + i]);
            m_piece = Piece::Mask;
            at += m_lengthBytes;
        } else if (m_piece == Piece::Mask) {
            if (left < 4)
                return;
            m_piece = Piece::Payload;
            at += 4;
        } else {
            if (quint64(left) < m_payload)
                return;
            m_piece = Piece::Header;
            at += qsizetype(m_payload);
        }
    }
}

} // namespace lumadesk
