#include "remote/GuardedTcpServer.h"
#include "remote/RemoteSocket.h"

#include <QTimer>

namespace lumadesk {

namespace {

// How often a held connection looks whether its peer has read enough to go on.
constexpr int kHeldCheckMs = 20;

// One key per peer, whether it came over IPv4 or as an IPv4-mapped IPv6 address.
QString addressKey(const QHostAddress& address) {
    bool mapped = false;
    const quint32 v4 = address.toIPv4Address(&mapped);
    return mapped ? QHostAddress(v4).toString() : address.toString();
}

ConnectionGuard* guardOf(QTcpSocket* socket) {
    return socket->findChild<ConnectionGuard*>(QString(), Qt::FindDirectChildrenOnly);
}

} // namespace

ConnectionGuard::ConnectionGuard(GuardedTcpServer* server, QTcpSocket* socket,
                                 const QString& address, bool trial)
    : QObject(socket), m_server(server), m_socket(socket), m_address(address),
      m_standing(trial ? GuardedTcpServer::Standing::Trial : GuardedTcpServer::Standing::Stranger) {
    if (trial) {
        ++server->m_trials;
        ++server->m_trialsFrom[address];
        m_trial.setSingleShot(true);
        m_trial.callOnTimeout(this, [this] { cut(); });
        m_trial.start(GuardedTcpServer::kTrialMs);
    } else {
        ++server->m_strangers;
        ++server->m_strangersFrom[address];
    }
    // Connected before the HTTP server's own slot, so it sees each chunk before it is taken.
    m_watch = connect(socket, &QTcpSocket::readyRead, this, [this] { arrived(); });
    m_idle.setSingleShot(true);
    m_idle.callOnTimeout(this, [this] { idle(); });
    m_idle.start(GuardedTcpServer::kIdleMs);
    m_heldCheck.setInterval(kHeldCheckMs);
    m_heldCheck.callOnTimeout(this, [this] { checkHeld(); });
    m_stalled.setSingleShot(true);
    m_stalled.callOnTimeout(this, [this] { cut(); });
}

ConnectionGuard::~ConnectionGuard() {
    if (m_server)
        m_server->leave(m_standing, m_address);
}

bool ConnectionGuard::admit(bool paired) {
    using Standing = GuardedTcpServer::Standing;
    if (paired && m_standing != Standing::Paired && m_server &&
        m_server->m_paired < GuardedTcpServer::kMaxPairedConnections) {
        m_server->leave(m_standing, m_address);
        m_standing = Standing::Paired;
        ++m_server->m_paired;
        m_trial.stop();
    }
    return m_standing != Standing::Trial;
}

void ConnectionGuard::done() {
    m_unread = 0;
    m_idle.start(GuardedTcpServer::kIdleMs);
    if (!m_held && m_socket->bytesToWrite() > GuardedTcpServer::kMaxUnsentBytes)
        hold();
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
        cut();
}

// The peer does not read its answers: nothing more is read from it, so it cannot ask for more.
// Blocking the socket's signals keeps the HTTP server from seeing what arrives, and the read
// buffer's limit makes the socket leave the rest in the kernel, whose window then closes.
void ConnectionGuard::hold() {
    m_held = true;
    m_socket->setReadBufferSize(GuardedTcpServer::kMaxUnreadBytes);
    m_socket->blockSignals(true);
    m_heldCheck.start();
    m_stalled.start(GuardedTcpServer::kStalledMs);
}

void ConnectionGuard::checkHeld() {
    if (m_socket->state() != QAbstractSocket::ConnectedState) {
        // Gone while its signals were blocked: nobody else heard of it.
        m_heldCheck.stop();
        m_stalled.stop();
        m_socket->blockSignals(false);
        m_socket->deleteLater();
    } else if (m_socket->bytesToWrite() <= GuardedTcpServer::kMaxUnsentBytes) {
        release();
    }
}

void ConnectionGuard::release() {
    m_held = false;
    m_heldCheck.stop();
    m_stalled.stop();
    m_socket->blockSignals(false);
    m_socket->setReadBufferSize(0);
    // What came while it was held is told now, as the HTTP server does for its own leftovers.
    if (m_socket->bytesAvailable() > 0)
        QMetaObject::invokeMethod(m_socket, &QTcpSocket::readyRead, Qt::QueuedConnection);
}

void ConnectionGuard::cut() {
    m_heldCheck.stop();
    m_stalled.stop();
    m_trial.stop();
    // Unblocked first, so the HTTP server hears of the end and lets the socket go.
    m_socket->blockSignals(false);
    m_socket->abort();
}

GuardedTcpServer::GuardedTcpServer(QObject* parent) : QTcpServer(parent) {}

bool GuardedTcpServer::admit(QTcpSocket* socket, bool paired) {
    ConnectionGuard* guard = guardOf(socket);
    return guard == nullptr || guard->admit(paired);
}

void GuardedTcpServer::requestDone(QTcpSocket* socket) {
    if (ConnectionGuard* guard = guardOf(socket))
        guard->done();
}

void GuardedTcpServer::upgrading(QTcpSocket* socket) {
    if (auto* remote = qobject_cast<RemoteSocket*>(socket))
        remote->upgrading();
}

void GuardedTcpServer::leave(Standing standing, const QString& address) {
    auto drop = [&address](QHash<QString, int>& from) {
        auto it = from.find(address);
        if (it != from.end() && --*it <= 0)
            from.erase(it);
    };
    switch (standing) {
    case Standing::Stranger:
        --m_strangers;
        drop(m_strangersFrom);
        break;
    case Standing::Trial:
        --m_trials;
        drop(m_trialsFrom);
        break;
    case Standing::Paired:
        --m_paired;
        break;
    }
}

void GuardedTcpServer::incomingConnection(qintptr descriptor) {
    auto* socket = new RemoteSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    const QString address = addressKey(socket->peerAddress());
    bool trial = false;
    if (m_strangers >= kMaxConnections || m_strangersFrom.value(address) >= kMaxPerAddress) {
        trial = m_trials < kReservedForPaired && m_trialsFrom.value(address) < kReservedPerAddress;
        if (!trial) {
            socket->abort();
            delete socket;
            return;
        }
    }
    new ConnectionGuard(this, socket, address, trial);
    addPendingConnection(socket);
}

} // namespace lumadesk
