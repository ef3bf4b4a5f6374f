#include "remote/GuardedTcpServer.h"

#include <QTcpSocket>
#include <QTimer>

namespace lumadesk {

ConnectionGuard::ConnectionGuard(GuardedTcpServer* server, QTcpSocket* socket)
    : QObject(socket), m_server(server), m_socket(socket) {
    ++server->m_open;
    // Connected before the HTTP server's own slot, so it sees each chunk before it is taken.
    m_watch = connect(socket, &QTcpSocket::readyRead, this, [this] { arrived(); });
    m_idle.setSingleShot(true);
    m_idle.callOnTimeout(this, [this] { idle(); });
    m_idle.start(GuardedTcpServer::kIdleMs);
}

ConnectionGuard::~ConnectionGuard() {
    if (m_server)
        --m_server->m_open;
}

void ConnectionGuard::done() {
    m_unread = 0;
    m_idle.start(GuardedTcpServer::kIdleMs);
}

void ConnectionGuard::arrived() {
    m_unread += m_socket->bytesAvailable();
    if (m_unread > GuardedTcpServer::kMaxUnreadBytes) {
        // Nobody else reads it again: the HTTP server's slot is not called for this chunk.
        QObject::disconnect(m_socket, &QTcpSocket::readyRead, nullptr, nullptr);
        m_socket->abort();
    }
}

void ConnectionGuard::idle() {
    // The HTTP server drops every readyRead connection when the WebSocket side takes over,
    // ours included; such a socket is left to its own limits.
    if (m_watch)
        m_socket->abort();
}

GuardedTcpServer::GuardedTcpServer(QObject* parent) : QTcpServer(parent) {}

void GuardedTcpServer::requestDone(QTcpSocket* socket) {
    if (auto* guard = socket->findChild<ConnectionGuard*>(QString(), Qt::FindDirectChildrenOnly))
        guard->done();
}

void GuardedTcpServer::incomingConnection(qintptr descriptor) {
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    if (m_open >= kMaxConnections) {
        socket->abort();
        delete socket;
        return;
    }
    new ConnectionGuard(this, socket);
    addPendingConnection(socket);
}

} // namespace lumadesk
