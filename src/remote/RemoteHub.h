#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QTimer>
#include <QWebSocketProtocol>
#include <functional>
#include <vector>

class QWebSocket;

namespace lumadesk {

class RemoteController;
class RemoteSocket;

// The phones' WebSockets once the HTTP side let them in: each one's requests go to the
// controller and its answers back, the controller's states go to every one, without the console
// queueing states without end for a phone that does not read. Pings them, closes the silent
// ones, and holds each phone (its token) to kMaxChangesPerSecond. GUI thread only.
class RemoteHub : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxClients = 16;
    static constexpr int kPingMs = 30000;
    static constexpr qint64 kIdleMs = qint64(10) * 60 * 1000;
    // States queued for one phone beyond what the kernel took (a few dozen states).
    static constexpr qint64 kMaxQueuedBytes = 64 * 1024;
    static constexpr double kMaxChangesPerSecond = 50;

    explicit RemoteHub(RemoteController& controller, QObject* parent = nullptr);

    // The idle and allowance clock (milliseconds, only forward).
    void setClock(std::function<qint64()> clock);
    void setPingInterval(int milliseconds);

    // A socket the HTTP side let through, with the phone's token and the connection under it,
    // whose unmasked frame closes the socket (1002). Refused (1013) when kMaxClients are open.
    // The hub owns the socket from here; false when it was refused.
    bool add(QWebSocket* socket, const QByteArray& token, RemoteSocket* connection);
    // Every client closed with the code and reason.
    void closeAll(QWebSocketProtocol::CloseCode code, const QString& why);
    int count() const { return int(m_clients.size()); }

    // Closes a socket that is no client (or no longer one); a peer that does not answer the
    // close is cut after a few seconds. The socket deletes itself.
    static void refuse(QWebSocket* socket, QWebSocketProtocol::CloseCode code, const QString& why);

signals:
    void countChanged(int count);

private:
    struct Client {
        QWebSocket* socket;
        qint64 lastHeard;
        QByteArray token;
        bool behind = false; // states were held back while it did not read
    };
    // The changes a phone (its token) may still make now; refilled with time.
    struct Allowance {
        double changes = kMaxChangesPerSecond;
        qint64 at = 0;
    };

    Client* clientOf(QWebSocket* socket);
    void received(QWebSocket* socket, const QString& text);
    bool allowChange(const QByteArray& token);
    void send(const QByteArray& state);
    void caughtUp(QWebSocket* socket);
    bool detach(QWebSocket* socket);
    void pingAll();

    RemoteController& m_controller;
    std::function<qint64()> m_clock;
    std::vector<Client> m_clients;
    QTimer m_ping;
    QHash<QByteArray, Allowance> m_allowances;
};

} // namespace lumadesk
