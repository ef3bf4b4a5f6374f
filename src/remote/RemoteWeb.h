#pragma once

#include "remote/RemotePairing.h"

#include <QByteArray>
#include <QHostAddress>
#include <QHttpServerResponder>
#include <QObject>
#include <QStringList>
#include <memory>

class QHttpServerRequest;
class QTcpSocket;
class QWebSocket;

namespace lumadesk {

class GuardedTcpServer;
class RemoteHttp;
class RemoteSocket;

// The remote's HTTP side: routes every request strictly, serves the pages, pairs phones, and
// lets a WebSocket through only on /ws, for a request that names this console in its Host,
// comes from the page's own origin and carries a paired token. Nothing but the pairing page is
// served to a stranger; the listening socket caps what strangers may hold (GuardedTcpServer).
// GUI thread only.
class RemoteWeb : public QObject {
    Q_OBJECT
public:
    explicit RemoteWeb(QObject* parent = nullptr);
    ~RemoteWeb() override;

    // Listens with a new pairing code, the operator's host names read again. False, with why
    // in *problem, when the port cannot be had.
    bool listen(const QHostAddress& address, quint16 port, QString* problem);
    // Stops listening; every connection of the HTTP side goes with it.
    void close();
    bool isListening() const { return m_http != nullptr; }
    // The listening socket; null when not listening.
    const GuardedTcpServer* listener() const { return m_tcp; }

    RemotePairing& pairing() { return m_pairing; }
    const RemotePairing& pairing() const { return m_pairing; }
    // The phone with this token was heard from: its "last seen" in the list.
    void seen(const QByteArray& token);

signals:
    void pairedChanged();
    // A WebSocket that passed every check, with the token it carries and the connection under
    // it (null when it cannot be found). Whoever takes it owns it.
    void socketOpened(QWebSocket* socket, const QByteArray& token, RemoteSocket* connection);

private:
    using Headers = QList<std::pair<QByteArray, QByteArray>>;

    void answer(const QHttpServerRequest& request, QTcpSocket* socket);
    void respond(const QHttpServerRequest& request, QTcpSocket* socket,
                 QHttpServerResponder::StatusCode status, const QByteArray& type,
                 const QByteArray& body, const Headers& extra = {});
    void pair(const QHttpServerRequest& request, QTcpSocket* socket);
    bool mayUpgrade(const QHttpServerRequest& request, QTcpSocket* socket);
    bool isOurHost(const QByteArray& host) const;
    bool isOurAddress(const QHostAddress& address) const;
    bool hasToken(const QByteArray& cookieHeader) const;
    void takeSockets();

    RemotePairing m_pairing;
    std::unique_ptr<RemoteHttp> m_http; // owns the listening socket and its connections
    GuardedTcpServer* m_tcp = nullptr;
    QStringList m_hostNames; // lower case
};

} // namespace lumadesk
