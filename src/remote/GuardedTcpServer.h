#pragma once

#include <QHash>
#include <QPointer>
#include <QTcpServer>
#include <QTimer>

class QTcpSocket;

namespace lumadesk {

// The remote's listening socket. The HTTP server keeps every byte of a request until it is
// whole and every answer until the peer reads it, so a peer could make it buffer without end;
// this caps the connections open at once and per address, aborts a connection holding more
// than kMaxUnreadBytes of an unfinished request or one that has not finished a request for
// kIdleMs, and stops reading a connection while more than kMaxUnsentBytes of its answers wait
// (cut when that lasts kStalledMs). A connection the WebSocket side took over is left to its
// own limits.
//
// Until a request shows a paired phone's token a connection is a stranger's: at most
// kMaxConnections of them, kMaxPerAddress from one address. Beyond those, kReservedForPaired
// further connections (kReservedPerAddress from one address) are taken on trial: their first
// request must carry a paired token within kTrialMs, or they are closed unanswered. So
// strangers filling every slot cannot keep a paired phone out.
class GuardedTcpServer : public QTcpServer {
    Q_OBJECT
public:
    static constexpr int kMaxConnections = 48;
    static constexpr int kMaxPerAddress = 8;
    static constexpr int kReservedForPaired = 16;
    static constexpr int kReservedPerAddress = 4;
    static constexpr int kMaxPairedConnections = 64;
    static constexpr int kTrialMs = 3000;
    static constexpr qint64 kMaxUnreadBytes = 64 * 1024;
    static constexpr qint64 kMaxUnsentBytes = 64 * 1024;
    static constexpr int kIdleMs = 30000;
    static constexpr int kStalledMs = 5000;

    explicit GuardedTcpServer(QObject* parent = nullptr);

    int connectionCount() const { return m_strangers + m_trials + m_paired; }
    // A request arrived on the socket; paired: it carries a paired phone's token. False when
    // the connection must be closed unanswered (it holds a reserved slot without a token).
    static bool admit(QTcpSocket* socket, bool paired);
    // The server answered a whole request on the socket: its counts start again.
    static void requestDone(QTcpSocket* socket);
    // The request on the socket is let upgrade to a WebSocket: its frames are watched.
    static void upgrading(QTcpSocket* socket);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    friend class ConnectionGuard;
    enum class Standing { Stranger, Trial, Paired };
    void leave(Standing standing, const QString& address);

    int m_strangers = 0;
    int m_trials = 0;
    int m_paired = 0;
    QHash<QString, int> m_strangersFrom;
    QHash<QString, int> m_trialsFrom;
};

// One connection's count and limits. Lives as a child of its socket, so it counts the
// connection until the socket is gone, whoever owns the socket by then.
class ConnectionGuard : public QObject {
    Q_OBJECT
public:
    ConnectionGuard(GuardedTcpServer* server, QTcpSocket* socket, const QString& address,
                    bool trial);
    ~ConnectionGuard() override;
    bool admit(bool paired);
    void done();

private:
    void arrived();
    void idle();
    void hold();
    void checkHeld();
    void release();
    void cut();

    QPointer<GuardedTcpServer> m_server;
    QTcpSocket* m_socket;
    QString m_address;
    GuardedTcpServer::Standing m_standing;
    QMetaObject::Connection m_watch;
    QTimer m_idle;
    QTimer m_trial;
    QTimer m_heldCheck;
    QTimer m_stalled;
    bool m_held = false;
    qint64 m_unread = 0;
};

} // namespace lumadesk
