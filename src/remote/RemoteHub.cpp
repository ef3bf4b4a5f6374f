#include "remote/RemoteHub.h"

#include "platform/MonotonicClock.h"
#include "remote/RemoteController.h"
#include "remote/RemoteSocket.h"

#include <QWebSocket>
#include <algorithm>

namespace lumadesk {

namespace {

constexpr auto kPolicy = QWebSocketProtocol::CloseCodePolicyViolated;
constexpr auto kTryLater = QWebSocketProtocol::CloseCode(1013);

} // namespace

RemoteHub::RemoteHub(RemoteController& controller, QObject* parent)
    : QObject(parent), m_controller(controller), m_clock(MonotonicMs) {
    m_ping.setInterval(kPingMs);
    m_ping.callOnTimeout(this, &RemoteHub::pingAll);
    connect(&controller, &RemoteController::stateChanged, this, &RemoteHub::send);
}

void RemoteHub::setClock(std::function<qint64()> clock) {
    m_clock = clock ? std::move(clock) : std::function<qint64()>(MonotonicMs);
}

void RemoteHub::setPingInterval(int milliseconds) {
    m_ping.setInterval(std::max(1, milliseconds));
}

void RemoteHub::refuse(QWebSocket* socket, QWebSocketProtocol::CloseCode code, const QString& why) {
    QObject::connect(socket, &QWebSocket::disconnected, socket, &QObject::deleteLater);
    socket->close(code, why);
    // A peer that never answers the close is cut off.
    QTimer::singleShot(5000, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
}

RemoteHub::Client* RemoteHub::clientOf(QWebSocket* socket) {
    const auto it = std::find_if(m_clients.begin(), m_clients.end(),
                                 [socket](const Client& c) { return c.socket == socket; });
    return it != m_clients.end() ? &*it : nullptr;
}

bool RemoteHub::add(QWebSocket* socket, const QByteArray& token, RemoteSocket* connection) {
    socket->setParent(this);
    if (count() >= kMaxClients) {
        refuse(socket, kTryLater, QStringLiteral("too many phones"));
        return false;
    }
    if (connection != nullptr) {
        connect(connection, &RemoteSocket::protocolError, this, [this, socket] {
            if (detach(socket))
                refuse(socket, QWebSocketProtocol::CloseCodeProtocolError,
                       QStringLiteral("unmasked frame"));
        });
    }
    connect(socket, &QWebSocket::textMessageReceived, this,
            [this, socket](const QString& text) { received(socket, text); });
    connect(socket, &QWebSocket::binaryMessageReceived, this, [this, socket] {
        received(socket, QString()); // touches the idle clock; answered as unreadable
    });
    connect(socket, &QWebSocket::pong, this, [this, socket] {
        if (Client* client = clientOf(socket))
            client->lastHeard = m_clock();
    });
    connect(socket, &QWebSocket::disconnected, this, [this, socket] {
        detach(socket);
        socket->deleteLater();
    });
    connect(socket, &QWebSocket::bytesWritten, this, [this, socket] { caughtUp(socket); });
    // What is due goes to the others first; the newcomer gets the whole state.
    const QByteArray first = m_controller.welcome();
    m_clients.push_back({socket, m_clock(), token});
    if (m_clients.size() == 1)
        m_ping.start();
    socket->sendTextMessage(QString::fromUtf8(first));
    emit countChanged(count());
    return true;
}

void RemoteHub::send(const QByteArray& state) {
    const QString text = QString::fromUtf8(state);
    for (Client& client : m_clients) {
        // A phone that stops reading must not make the console queue states without end; it
        // gets the newest one once it has read what was queued.
        client.behind = client.socket->bytesToWrite() > kMaxQueuedBytes;
        if (!client.behind)
            client.socket->sendTextMessage(text);
    }
}

void RemoteHub::caughtUp(QWebSocket* socket) {
    Client* client = clientOf(socket);
    if (client != nullptr && client->behind && socket->bytesToWrite() <= kMaxQueuedBytes / 2) {
        client->behind = false;
        socket->sendTextMessage(QString::fromUtf8(m_controller.wholeState()));
    }
}

// Takes the socket out of the clients; false when it was not one.
bool RemoteHub::detach(QWebSocket* socket) {
    disconnect(socket, nullptr, this, nullptr);
    if (std::erase_if(m_clients, [socket](const Client& c) { return c.socket == socket; }) == 0)
        return false;
    if (m_clients.empty()) {
        m_ping.stop();
        m_controller.setWatched(false);
    }
    emit countChanged(count());
    return true;
}

void RemoteHub::closeAll(QWebSocketProtocol::CloseCode code, const QString& why) {
    const std::vector<Client> open = m_clients;
    for (const Client& client : open) {
        detach(client.socket);
        refuse(client.socket, code, why);
        client.socket->flush(); // the listening side may be torn down next
    }
}

void RemoteHub::pingAll() {
    const qint64 now = m_clock();
    const std::vector<Client> open = m_clients;
    for (const Client& client : open) {
        if (now - client.lastHeard >= kIdleMs) {
            detach(client.socket);
            refuse(client.socket, QWebSocketProtocol::CloseCodeGoingAway, QStringLiteral("idle"));
        } else {
            client.socket->ping();
        }
    }
}

void RemoteHub::received(QWebSocket* socket, const QString& text) {
    Client* client = clientOf(socket);
    if (client == nullptr)
        return;
    client->lastHeard = m_clock();
    // Every request is answered; a phone that sends on without reading the answers is let go.
    if (socket->bytesToWrite() > 4 * kMaxQueuedBytes) {
        detach(socket);
        refuse(socket, kPolicy, QStringLiteral("answers not read"));
        return;
    }
    const QByteArray token = client->token;
    const QByteArray reply =
        text.isNull()
            ? RemoteErrorJson({}, QStringLiteral("not a text message"))
            : m_controller.answer(text.toUtf8(), [this, &token] {
                  return allowChange(token)
                             ? QString()
                             : QStringLiteral("too many changes, at most 50 a second: not sent");
              });
    socket->sendTextMessage(QString::fromUtf8(reply));
}

bool RemoteHub::allowChange(const QByteArray& token) {
    const qint64 now = m_clock();
    // Kept across reconnects, so a new socket brings no new allowance; a full one is forgotten.
    if (m_allowances.size() > kMaxClients)
        m_allowances.removeIf([now](const auto& it) { return now - it.value().at >= 1000; });
    Allowance& allowance = m_allowances[token];
    allowance.changes =
        std::min(kMaxChangesPerSecond,
                 allowance.changes + double(now - allowance.at) * kMaxChangesPerSecond / 1000.0);
    allowance.at = now;
    if (allowance.changes < 1)
        return false;
    allowance.changes -= 1;
    return true;
}

} // namespace lumadesk
