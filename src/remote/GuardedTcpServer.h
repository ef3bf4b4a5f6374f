#pragma once

#include <QPointer>
#include <QTcpServer>
#include <QTimer>

class QTcpSocket;

namespace lumadesk {

// The remote's listening socket. The HTTP server keeps every byte of a request until it is
// whole, so a peer could make it buffer without end; this caps the connections open at once,
// aborts a connection holding more than kMaxUnreadBytes of an unfinished request, and one that
// has not finished a request for kIdleMs. A connection the WebSocket side took over is left to
// its own limits.
class GuardedTcpServer : public QTcpServer {
    Q_OBJECT
public:
    static constexpr int kMaxConnections = 48;
    static constexpr qint64 kMaxUnreadBytes = 64 * 1024;
    static constexpr int kIdleMs = 30000;

    explicit GuardedTcpServer(QObject* parent = nullptr);

    int connectionCount() const { return m_open; }
    // The server answered a whole request on the socket: its count starts again.
    static void requestDone(QTcpSocket* socket);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    friend class ConnectionGuard;
    int m_open = 0;
};

// One connection's count and limits. Lives as a child of its socket, so it counts the
// connection until the socket is gone, whoever owns the socket by then.
class ConnectionGuard : public QObject {
    Q_OBJECT
public:
    ConnectionGuard(GuardedTcpServer* server, QTcpSocket* socket);
    ~ConnectionGuard() override;
    void done();

private:
    void arrived();
    void idle();

    QPointer<GuardedTcpServer> m_server;
    QTcpSocket* m_socket;
    QMetaObject::Connection m_watch;
    QTimer m_idle;
    qint64 m_unread = 0;
};

} // namespace lumadesk
