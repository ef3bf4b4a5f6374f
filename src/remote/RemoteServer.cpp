#include "remote/RemoteServer.h"

#include "actions/OperatorActions.h"
#include "link/RadioLink.h"
#include "model/BusinessMemory.h"
#include "model/StudioModel.h"
#include "model/XmlFileContext.h"
#include "platform/MonotonicClock.h"
#include "remote/GuardedTcpServer.h"
#include "remote/RemoteGate.h"
#include "remote/RemoteMessages.h"
#include "remote/RemotePairing.h"
#include "remote/RemoteSocket.h"

#include <QAbstractHttpServer>
#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QNetworkInterface>
#include <QNetworkRequest>
#include <QSettings>
#include <QTcpSocket>
#include <QTimer>
#include <QWebSocket>
#include <algorithm>
#include <vector>

// Q_INIT_RESOURCE must be used outside any namespace.
static void registerRemoteResources() {
    Q_INIT_RESOURCE(remote_web);
}

namespace lumadesk {

namespace {

using Status = QHttpServerResponder::StatusCode;

// A change is published this long after the first note of it, so a burst of reports goes out
// as one state.
constexpr int kPushDelayMs = 4;
// Catches what nobody noted (a book time-out, a tick), while phones are connected.
constexpr int kRefreshMs = 1000;
constexpr int kPingMs = 30000;
constexpr qint64 kIdleMs = qint64(10) * 60 * 1000;
constexpr qsizetype kMaxPairBodyBytes = 256;
// States queued for one phone beyond what the kernel took (a few dozen states).
constexpr qint64 kMaxQueuedBytes = 64 * 1024;
// Messages up to this long are read and answered with an error when over kMaxMessageBytes;
// longer ones make Qt close the socket (1009) without reading them whole.
constexpr qint64 kMaxFrameBytes = 2 * RemoteServer::kMaxMessageBytes;
// Close codes: the request broke a rule; the console has no room for another phone.
constexpr auto kPolicy = QWebSocketProtocol::CloseCodePolicyViolated;
constexpr auto kTryLater = QWebSocketProtocol::CloseCode(1013);
const QByteArray kCookieName = QByteArrayLiteral("lumadesk_token");
// The cookie outlives the browser's session for this long, counted again at each visit.
constexpr int kCookieDays = 30;
// Names besides this machine's addresses that a request's Host may give, as the operator
// listed them in the console's settings.
const QString kHostNamesKey = QStringLiteral("remote/hostNames");
// A phone's changes beyond this rate are refused, so one phone cannot flood the radio.
constexpr double kMaxChangesPerSecond = 50;

class NameList : public FileListSink {
public:
    QStringList names;
    void clear() override { names.clear(); }
    void append(const QString& name) override { names.append(name); }
};

QByteArray cookieValue(const QByteArray& header, const QByteArray& name) {
    for (const QByteArray& part : header.split(';')) {
        const QByteArray pair = part.trimmed();
        if (pair.startsWith(name) && pair.size() > name.size() && pair[name.size()] == '=')
            return pair.mid(name.size() + 1);
    }
    return {};
}

// A Host header fit to be echoed into our own headers: a name or address and a port.
QByteArray cookieFor(const QByteArray& token) {
    return kCookieName + '=' + token + "; Max-Age=" + QByteArray::number(kCookieDays * 86400) +
           "; HttpOnly; SameSite=Strict; Path=/";
}

QByteArray resource(const QString& name) {
    QFile file(QStringLiteral(":/remote/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray contentTypeOf(const QString& name) {
    if (name.endsWith(QLatin1String(".html")))
        return "text/html; charset=utf-8";
    if (name.endsWith(QLatin1String(".css")))
        return "text/css; charset=utf-8";
    if (name.endsWith(QLatin1String(".js")))
        return "text/javascript; charset=utf-8";
    return "application/octet-stream";
}

QByteArray json(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray errorBody(const char* error) {
    return json({{QLatin1String("error"), QLatin1String(error)}});
}

// Qt warns of every upgrade refused before it is made; a stranger could fill the log with them.
QLoggingCategory::CategoryFilter previousFilter = nullptr;
void quietRefusedUpgrades(QLoggingCategory* category) {
    if (previousFilter != nullptr)
        previousFilter(category);
    if (qstrcmp(category->categoryName(), "qt.httpserver") == 0)
        category->setEnabled(QtWarningMsg, false);
}

// The digits of a port, as a Host header may end.
// The HTTP side: every request goes to one handler, which routes strictly.
class RemoteHttp final : public QAbstractHttpServer {
public:
    using Handler = std::function<void(const QHttpServerRequest&, QTcpSocket*)>;
    // Whether a WebSocket upgrade may go ahead; when not, it has answered the request.
    using UpgradeCheck = std::function<bool(const QHttpServerRequest&, QTcpSocket*)>;
    RemoteHttp(Handler handler, UpgradeCheck upgrade)
        : m_handler(std::move(handler)), m_upgrade(std::move(upgrade)) {}
    using QAbstractHttpServer::makeResponder;

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override {
        // Qt asks here before it hands an upgrade to its WebSocket side. A refusal is answered
        // here; Qt then closes the connection once the answer is out, without upgrading.
        if (request.value("upgrade").compare("websocket", Qt::CaseInsensitive) == 0) {
            if (m_upgrade(request, socket)) {
                GuardedTcpServer::upgrading(socket);
                return true;
            }
            m_refused = socket;
            return false;
        }
        m_handler(request, socket);
        GuardedTcpServer::requestDone(socket);
        return true;
    }
    void missingHandler(const QHttpServerRequest&, QTcpSocket* socket) override {
        if (socket != m_refused)
            socket->abort();
        m_refused = nullptr;
    }

private:
    Handler m_handler;
    UpgradeCheck m_upgrade;
    QTcpSocket* m_refused = nullptr;
};

} // namespace

struct RemoteServer::Private {
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

    RemoteServer* q;
    StudioModel& model;
    RadioLink& link;
    OperatorActions& actions;
    RemotePairing pairing;
    std::function<qint64()> clock = MonotonicMs;

    std::unique_ptr<RemoteHttp> http; // owns the listening socket and its connections
    GuardedTcpServer* tcp = nullptr;
    QHostAddress address;
    std::vector<Client> clients;
    QTimer push;
    QTimer refresh;
    QTimer ping;
    QByteArray lastSent;
    QStringList setups;
    QStringList hostNames; // lower case
    QHash<QByteArray, Allowance> allowances;

    Private(RemoteServer* server, StudioModel& m, RadioLink& l, OperatorActions& a)
        : q(server), model(m), link(l), actions(a) {}

    // ---- HTTP
    void answer(const QHttpServerRequest& request, QTcpSocket* socket);
    void respond(const QHttpServerRequest& request, QTcpSocket* socket, Status status,
                 const QByteArray& type, const QByteArray& body,
                 const QList<std::pair<QByteArray, QByteArray>>& extra = {});
    void pair(const QHttpServerRequest& request, QTcpSocket* socket);
    bool hasToken(const QByteArray& cookieHeader) const {
        return pairing.isPaired(cookieValue(cookieHeader, kCookieName));
    }
    // The phone with this cookie was heard from: its "last seen" in the list.
    void seen(const QByteArray& cookieHeader) {
        if (pairing.seen(cookieValue(cookieHeader, kCookieName)))
            emit q->pairedChanged();
    }
    bool isOurHost(const QByteArray& host) const;
    bool isOurAddress(const QHostAddress& address) const;
    bool mayUpgrade(const QHttpServerRequest& request, QTcpSocket* socket);

    // ---- WebSocket
    void takeSockets();
    void refuse(QWebSocket* socket, QWebSocketProtocol::CloseCode code, const QString& why);
    void received(QWebSocket* socket, const QString& text);
    bool allowChange(const QByteArray& token);
    QString apply(const RemoteRequest& request);
    bool detach(QWebSocket* socket);
    void dropClient(QWebSocket* socket);
    void closeAll(QWebSocketProtocol::CloseCode code, const QString& why);
    void pingAll();

    // ---- state
    QByteArray state() const;
    void publish(QWebSocket* newcomer = nullptr);
    void caughtUp(QWebSocket* socket);
    void relistSetups();
};

QByteArray RemoteServer::Private::state() const {
    RemoteStateInputs in;
    in.model = &model;
    in.book = &link.pending();
    in.answering = [this](int studio, int channel) { return link.isAnswering(studio, channel); };
    in.connected = link.isConnected();
    in.setups = setups;
    return RemoteStateJson(in);
}

void RemoteServer::Private::publish(QWebSocket* newcomer) {
    push.stop();
    if (clients.empty())
        return;
    const QByteArray now = state();
    const bool changed = now != lastSent;
    lastSent = now;
    for (Client& client : clients) {
        if (!changed && client.socket != newcomer)
            continue;
        // A phone that stops reading must not make the console queue states without end; it
        // gets the newest one once it has read what was queued.
        client.behind = client.socket->bytesToWrite() > kMaxQueuedBytes;
        if (!client.behind)
            client.socket->sendTextMessage(QString::fromUtf8(now));
    }
}

void RemoteServer::Private::caughtUp(QWebSocket* socket) {
    for (Client& client : clients) {
        if (client.socket == socket && client.behind &&
            socket->bytesToWrite() <= kMaxQueuedBytes / 2) {
            client.behind = false;
            socket->sendTextMessage(QString::fromUtf8(lastSent));
        }
    }
}

void RemoteServer::Private::relistSetups() {
    NameList list;
    XmlFileContext files{&model, nullptr, &list};
    ListMemoryFiles(&files);
    setups = list.names;
}

// ---- HTTP

void RemoteServer::Private::respond(const QHttpServerRequest& request, QTcpSocket* socket,
                                    Status status, const QByteArray& type, const QByteArray& body,
                                    const QList<std::pair<QByteArray, QByteArray>>& extra) {
    const QByteArray host = request.value("host");
    QByteArray connect = "'self'";
    if (IsPlainHost(host))
        connect += " ws://" + host;
    QHttpServerResponder responder = RemoteHttp::makeResponder(request, socket);
    responder.writeStatusLine(status);
    responder.writeHeader("Content-Security-Policy",
                          "default-src 'self'; connect-src " + connect +
                              "; frame-ancestors 'none'; base-uri 'none'; form-action 'self'");
    responder.writeHeader("X-Content-Type-Options", "nosniff");
    responder.writeHeader("Cache-Control", "no-store");
    responder.writeHeader("Referrer-Policy", "no-referrer");
    responder.writeHeader("X-Frame-Options", "DENY");
    for (const auto& [key, value] : extra)
        responder.writeHeader(key, value);
    if (!type.isEmpty())
        responder.writeHeader("Content-Type", type);
    responder.writeHeader("Content-Length", QByteArray::number(body.size()));
    responder.writeBody(body);
}

// This machine's own address or a name the operator listed, with the port listened on, so a
// page of a foreign name pointed at this machine (DNS rebinding) gets nothing.
bool RemoteServer::Private::isOurHost(const QByteArray& host) const {
    const std::optional<HostParts> parts = SplitHost(host);
    if (!parts)
        return false;
    const quint16 ours = tcp != nullptr ? tcp->serverPort() : 0;
    if (parts->port.isEmpty() ? ours != 80 : parts->port.toUInt() != ours)
        return false;
    const QByteArray& name = parts->name;
    QHostAddress literal;
    if (parts->bracketed)
        return literal.setAddress(QString::fromLatin1(name)) &&
               literal.protocol() == QAbstractSocket::IPv6Protocol && isOurAddress(literal);
    const bool numeric = std::all_of(name.cbegin(), name.cend(),
                                     [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
    if (numeric) // only the dotted quad a browser writes
        return literal.setAddress(QString::fromLatin1(name)) &&
               literal.protocol() == QAbstractSocket::IPv4Protocol &&
               literal.toString().toLatin1() == name && isOurAddress(literal);
    const QString lower = QString::fromLatin1(name).toLower();
    return lower == QLatin1String("localhost") || hostNames.contains(lower);
}

bool RemoteServer::Private::isOurAddress(const QHostAddress& asked) const {
    if (asked.isLoopback() || (tcp != nullptr && asked == tcp->serverAddress()))
        return true;
    // The scope of a link-local address is not part of a Host.
    QHostAddress bare = asked;
    bare.setScopeId(QString());
    const QList<QHostAddress> own = QNetworkInterface::allAddresses();
    return std::any_of(own.cbegin(), own.cend(), [&bare](QHostAddress a) {
        a.setScopeId(QString());
        return a == bare;
    });
}

// Every check is made on the request, before anything is upgraded: a refused WebSocket is an
// HTTP answer, never a socket that opened.
bool RemoteServer::Private::mayUpgrade(const QHttpServerRequest& request, QTcpSocket* socket) {
    const bool paired = hasToken(request.value("cookie"));
    if (!GuardedTcpServer::admit(socket, paired)) {
        socket->abort();
        return false;
    }
    const QByteArray host = request.value("host");
    const QList<std::pair<QByteArray, QByteArray>> closing{{"Connection", "close"}};
    auto refuseWith = [&](Status status, const char* error) {
        respond(request, socket, status, "application/json", errorBody(error), closing);
        return false;
    };
    if (!isOurHost(host))
        return refuseWith(Status::Forbidden, "foreign host");
    if (request.url().path() != QLatin1String("/ws"))
        return refuseWith(Status::NotFound, "not found");
    if (!paired)
        return refuseWith(Status::Unauthorized, "not paired");
    if (request.value("origin") != "http://" + host)
        return refuseWith(Status::Forbidden, "foreign origin");
    return true;
}

void RemoteServer::Private::answer(const QHttpServerRequest& request, QTcpSocket* socket) {
    const bool paired = hasToken(request.value("cookie"));
    if (!GuardedTcpServer::admit(socket, paired)) {
        socket->abort();
        return;
    }
    if (!isOurHost(request.value("host"))) {
        respond(request, socket, Status::Forbidden, "application/json", errorBody("foreign host"));
        return;
    }
    const QString path = request.url().path();
    const bool get = request.method() == QHttpServerRequest::Method::Get;
    auto file = [&](const QString& name) {
        respond(request, socket, Status::Ok, contentTypeOf(name), resource(name));
    };
    if (path == QLatin1String("/pair")) {
        if (request.method() == QHttpServerRequest::Method::Post)
            pair(request, socket);
        else
            respond(request, socket, Status::MethodNotAllowed, "application/json",
                    errorBody("method not allowed"), {{"Allow", "POST"}});
        return;
    }
    if (!get) {
        respond(request, socket, Status::MethodNotAllowed, "application/json",
                errorBody("method not allowed"), {{"Allow", "GET"}});
        return;
    }
    if (path == QLatin1String("/") && paired) {
        // Each visit renews the cookie's life and the phone's "last seen".
        const QByteArray token = cookieValue(request.value("cookie"), kCookieName);
        seen(request.value("cookie"));
        respond(request, socket, Status::Ok, contentTypeOf(QStringLiteral("remote.html")),
                resource(QStringLiteral("remote.html")), {{"Set-Cookie", cookieFor(token)}});
    } else if (path == QLatin1String("/"))
        file(QStringLiteral("pair.html"));
    else if (path == QLatin1String("/style.css") || path == QLatin1String("/pair.js"))
        file(path.mid(1));
    else if (!paired)
        respond(request, socket, Status::Unauthorized, "application/json", errorBody("not paired"));
    else if (path == QLatin1String("/remote.js"))
        file(path.mid(1));
    else if (path == QLatin1String("/ws"))
        respond(request, socket, Status::UpgradeRequired, "application/json",
                errorBody("websocket only"), {{"Upgrade", "websocket"}});
    else
        respond(request, socket, Status::NotFound, "application/json", errorBody("not found"));
}

void RemoteServer::Private::pair(const QHttpServerRequest& request, QTcpSocket* socket) {
    auto refuse = [&](Status status, const char* error,
                      const QList<std::pair<QByteArray, QByteArray>>& extra = {}) {
        respond(request, socket, status, "application/json", errorBody(error), extra);
    };
    // A page of another site may post here too; the browser names it in Origin.
    const QByteArray origin = request.value("origin");
    if (!origin.isEmpty() && origin != "http://" + request.value("host"))
        return refuse(Status::Forbidden, "foreign origin");
    const QByteArray body = request.body();
    QJsonParseError problem;
    const QJsonDocument document = body.size() <= kMaxPairBodyBytes
                                       ? QJsonDocument::fromJson(body, &problem)
                                       : QJsonDocument();
    const QJsonObject object = document.object();
    // "phone", the browser's own id, is optional: a phone paired again replaces itself.
    const QJsonValue phone = object.value(QLatin1String("phone"));
    const bool phoneFits =
        phone.isUndefined() ||
        (phone.isString() && RemotePairing::isPhoneId(phone.toString().toLatin1()));
    if (body.size() > kMaxPairBodyBytes || problem.error != QJsonParseError::NoError ||
        !document.isObject() || object.size() != (phone.isUndefined() ? 1 : 2) || !phoneFits ||
        !object.value(QLatin1String("code")).isString())
        return refuse(Status::BadRequest, "bad request");
    const QByteArray code = object.value(QLatin1String("code")).toString().toUtf8();
    const RemotePairing::Result result = pairing.pair(
        request.remoteAddress(), code, request.value("user-agent"), phone.toString().toLatin1());
    switch (result.outcome) {
    case RemotePairing::Outcome::Locked:
        return refuse(Status::TooManyRequests, "locked",
                      {{"Retry-After", QByteArray::number(result.retryAfterSeconds)}});
    case RemotePairing::Outcome::WrongCode:
        return refuse(Status::Forbidden, "wrong code");
    case RemotePairing::Outcome::Paired:
        break;
    }
    respond(request, socket, Status::Ok, "application/json",
            json({{QLatin1String("paired"), true}}), {{"Set-Cookie", cookieFor(result.token)}});
    emit q->pairedChanged();
}

// ---- WebSocket

void RemoteServer::Private::refuse(QWebSocket* socket, QWebSocketProtocol::CloseCode code,
                                   const QString& why) {
    QObject::connect(socket, &QWebSocket::disconnected, socket, &QObject::deleteLater);
    socket->close(code, why);
    // A peer that never answers the close is cut off.
    QTimer::singleShot(5000, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
}

void RemoteServer::Private::takeSockets() {
    while (http && http->hasPendingWebSocketConnections()) {
        QWebSocket* socket = http->nextPendingWebSocketConnection().release();
        if (socket == nullptr)
            break;
        socket->setParent(q);
        socket->setMaxAllowedIncomingFrameSize(kMaxFrameBytes);
        socket->setMaxAllowedIncomingMessageSize(kMaxFrameBytes);
        // Nothing is sent or read before the request has shown it may.
        const QNetworkRequest request = socket->request();
        const QByteArray host = request.rawHeader("Host");
        if (socket->requestUrl().path() != QLatin1String("/ws")) {
            refuse(socket, kPolicy, QStringLiteral("no such socket"));
            continue;
        }
        if (!hasToken(request.rawHeader("Cookie"))) {
            refuse(socket, kPolicy, QStringLiteral("not paired"));
            continue;
        }
        if (host.isEmpty() || request.rawHeader("Origin") != "http://" + host) {
            refuse(socket, kPolicy, QStringLiteral("foreign origin"));
            continue;
        }
        if (int(clients.size()) >= kMaxClients) {
            refuse(socket, kTryLater, QStringLiteral("too many phones"));
            continue;
        }
        seen(request.rawHeader("Cookie"));
        clients.push_back({socket, clock(), cookieValue(request.rawHeader("Cookie"), kCookieName)});
        // The connection under it stays among the listening socket's children.
        for (auto* connection : tcp->findChildren<RemoteSocket*>(Qt::FindDirectChildrenOnly)) {
            if (connection->peerPort() == socket->peerPort() &&
                connection->peerAddress() == socket->peerAddress())
                QObject::connect(connection, &RemoteSocket::protocolError, q, [this, socket] {
                    if (detach(socket))
                        refuse(socket, QWebSocketProtocol::CloseCodeProtocolError,
                               QStringLiteral("unmasked frame"));
                });
        }
        QObject::connect(socket, &QWebSocket::textMessageReceived, q,
                         [this, socket](const QString& text) { received(socket, text); });
        QObject::connect(socket, &QWebSocket::binaryMessageReceived, q, [this, socket] {
            received(socket, QString()); // touches the idle clock; answered as unreadable
        });
        QObject::connect(socket, &QWebSocket::pong, q, [this, socket] {
            for (Client& client : clients) {
                if (client.socket == socket)
                    client.lastHeard = clock();
            }
        });
        QObject::connect(socket, &QWebSocket::disconnected, q,
                         [this, socket] { dropClient(socket); });
        QObject::connect(socket, &QWebSocket::bytesWritten, q,
                         [this, socket] { caughtUp(socket); });
        if (clients.size() == 1) {
            relistSetups();
            if (refresh.interval() > 0)
                refresh.start();
            ping.start();
        }
        publish(socket);
        emit q->clientsChanged(int(clients.size()));
    }
}

// Takes the socket out of the clients; false when it was not one.
bool RemoteServer::Private::detach(QWebSocket* socket) {
    QObject::disconnect(socket, nullptr, q, nullptr);
    if (std::erase_if(clients, [socket](const Client& c) { return c.socket == socket; }) == 0)
        return false;
    if (clients.empty()) {
        refresh.stop();
        ping.stop();
        push.stop();
        lastSent.clear();
    }
    emit q->clientsChanged(int(clients.size()));
    return true;
}

void RemoteServer::Private::dropClient(QWebSocket* socket) {
    detach(socket);
    socket->deleteLater();
}

void RemoteServer::Private::closeAll(QWebSocketProtocol::CloseCode code, const QString& why) {
    const std::vector<Client> open = clients;
    for (const Client& client : open) {
        detach(client.socket);
        refuse(client.socket, code, why);
        client.socket->flush(); // the listening side may be torn down next
    }
}

void RemoteServer::Private::pingAll() {
    const qint64 now = clock();
    const std::vector<Client> open = clients;
    for (const Client& client : open) {
        if (now - client.lastHeard >= kIdleMs) {
            detach(client.socket);
            refuse(client.socket, QWebSocketProtocol::CloseCodeGoingAway, QStringLiteral("idle"));
        } else {
            client.socket->ping();
        }
    }
}

void RemoteServer::Private::received(QWebSocket* socket, const QString& text) {
    for (Client& client : clients) {
        if (client.socket == socket)
            client.lastHeard = clock();
    }
    // Every request is answered; a phone that sends on without reading the answers is let go.
    if (socket->bytesToWrite() > 4 * kMaxQueuedBytes) {
        detach(socket);
        refuse(socket, kPolicy, QStringLiteral("answers not read"));
        return;
    }
    const RemoteParse parsed = text.isNull()
                                   ? RemoteParse{{}, {}, QStringLiteral("not a text message")}
                                   : ParseRemoteRequest(text.toUtf8(), kMaxMessageBytes);
    if (!parsed.request) {
        socket->sendTextMessage(QString::fromUtf8(RemoteErrorJson(parsed.id, parsed.error)));
        return;
    }
    QByteArray token;
    for (const Client& client : clients) {
        if (client.socket == socket)
            token = client.token;
    }
    if (!allowChange(token)) {
        socket->sendTextMessage(QString::fromUtf8(RemoteErrorJson(
            parsed.id, QStringLiteral("too many changes, at most 50 a second: not sent"))));
        return;
    }
    const QString problem = apply(*parsed.request);
    socket->sendTextMessage(QString::fromUtf8(problem.isEmpty()
                                                  ? RemoteOkJson(parsed.request->id)
                                                  : RemoteErrorJson(parsed.id, problem)));
}

bool RemoteServer::Private::allowChange(const QByteArray& token) {
    const qint64 now = clock();
    // Kept across reconnects, so a new socket brings no new allowance; a full one is forgotten.
    if (allowances.size() > kMaxClients)
        allowances.removeIf([now](const auto& it) { return now - it.value().at >= 1000; });
    Allowance& allowance = allowances[token];
    allowance.changes =
        std::min(kMaxChangesPerSecond,
                 allowance.changes + double(now - allowance.at) * kMaxChangesPerSecond / 1000.0);
    allowance.at = now;
    if (allowance.changes < 1)
        return false;
    allowance.changes -= 1;
    return true;
}

QString RemoteServer::Private::apply(const RemoteRequest& request) {
    StudioData* studio = model.pScanStudio;
    if (studio == nullptr)
        return QStringLiteral("no studio scanned");
    StrobeData* unit = studio->UnitOn(request.channel);
    const bool needsUnit = request.op == RemoteOp::Step || request.op == RemoteOp::Switch ||
                           request.op == RemoteOp::Test;
    if (needsUnit && unit == nullptr)
        return QStringLiteral("no head on %1").arg(ChannelLabel(request.channel));
    if (!actions.radioTakesCommands())
        return OperatorActions::notTakingCommandsText();
    const QString value = request.flash ? QStringLiteral("flash") : QStringLiteral("model");
    switch (request.op) {
    case RemoteOp::Step:
        if (!actions.stepLevel(*unit, request.flash, request.by))
            return QStringLiteral("%1 %2 is at its end").arg(unit->sChName, value);
        return {};
    case RemoteOp::Switch:
        if (!actions.setSwitch(*unit, request.commandType, request.on ? 1 : 0))
            return QStringLiteral("%1 is %2 already")
                .arg(unit->sChName, request.on ? QStringLiteral("on") : QStringLiteral("off"));
        return {};
    case RemoteOp::Test:
        actions.testFlash(*unit);
        return {};
    case RemoteOp::Offset:
        if (!actions.offsetTicked(*studio, request.flash, request.by))
            return QStringLiteral("no head ticked");
        return {};
    case RemoteOp::Load: {
        QString problem;
        if (!actions.loadSetup(*studio, request.name, &problem))
            return problem.isEmpty() ? QStringLiteral("Fail to open file") : problem;
        return {};
    }
    case RemoteOp::SendAgain:
        if (!link.isConnected())
            return QStringLiteral("the link is down");
        if (actions.sendAgain() == 0)
            return QStringLiteral("nothing to send again");
        return {};
    }
    return QStringLiteral("unknown request");
}

// ---- RemoteServer

RemoteServer::RemoteServer(StudioModel& model, RadioLink& link, OperatorActions& actions,
                           QObject* parent)
    : QObject(parent), d(std::make_unique<Private>(this, model, link, actions)) {
    registerRemoteResources();
    static const bool quiet = [] {
        previousFilter = QLoggingCategory::installFilter(quietRefusedUpgrades);
        return true;
    }();
    Q_UNUSED(quiet);
    d->push.setSingleShot(true);
    d->push.setTimerType(Qt::PreciseTimer);
    d->push.setInterval(kPushDelayMs);
    d->push.callOnTimeout(this, [this] { d->publish(); });
    d->refresh.setInterval(kRefreshMs);
    d->refresh.callOnTimeout(this, [this] {
        d->relistSetups();
        d->publish();
    });
    d->ping.setInterval(kPingMs);
    d->ping.callOnTimeout(this, [this] { d->pingAll(); });
    connect(&actions, &OperatorActions::changed, this, &RemoteServer::noteChange);
    link.setAppliedListener([this] { noteChange(); });
}

RemoteServer::~RemoteServer() {
    d->link.setAppliedListener({});
    stop();
}

bool RemoteServer::start(const QHostAddress& address, quint16 port, QString* problem) {
    stop();
    auto http =
        std::make_unique<RemoteHttp>([this](const QHttpServerRequest& request,
                                            QTcpSocket* socket) { d->answer(request, socket); },
                                     [this](const QHttpServerRequest& request, QTcpSocket* socket) {
                                         return d->mayUpgrade(request, socket);
                                     });
    http->setParent(this); // owned by d, but found among the server's children
    auto* tcp = new GuardedTcpServer(http.get());
    if (!tcp->listen(address, port)) {
        if (problem != nullptr)
            *problem = tcp->errorString();
        return false;
    }
    http->bind(tcp);
    connect(http.get(), &QAbstractHttpServer::newWebSocketConnection, this,
            [this] { d->takeSockets(); });
    d->http = std::move(http);
    d->tcp = tcp;
    d->address = address;
    d->hostNames.clear();
    const QStringList listed = QSettings(QStringLiteral("LumaDesk"), QStringLiteral("LumaDesk"))
                                   .value(kHostNamesKey)
                                   .toStringList();
    for (const QString& name : listed)
        d->hostNames.append(name.trimmed().toLower());
    d->pairing.newCode();
    emit runningChanged(true);
    return true;
}

void RemoteServer::stop() {
    if (!d->http)
        return;
    d->closeAll(QWebSocketProtocol::CloseCodeGoingAway, QStringLiteral("remote switched off"));
    d->tcp = nullptr;
    d->http.reset();
    d->pairing.clearCode();
    emit runningChanged(false);
}

bool RemoteServer::isRunning() const {
    return d->http != nullptr;
}

QHostAddress RemoteServer::address() const {
    return d->tcp != nullptr ? d->tcp->serverAddress() : QHostAddress();
}

quint16 RemoteServer::port() const {
    return d->tcp != nullptr ? d->tcp->serverPort() : 0;
}

QList<QUrl> RemoteServer::pageAddresses() const {
    QList<QUrl> out;
    if (d->tcp == nullptr)
        return out;
    auto url = [this](const QHostAddress& a) {
        QUrl u;
        u.setScheme(QStringLiteral("http"));
        u.setHost(a.toString());
        u.setPort(port());
        u.setPath(QStringLiteral("/"));
        return u;
    };
    const QHostAddress listened = d->tcp->serverAddress();
    const bool any = listened == QHostAddress::AnyIPv4 || listened == QHostAddress::Any;
    if (!any && !listened.isLoopback()) {
        out.append(url(listened));
    } else if (any) {
        for (const QHostAddress& a : QNetworkInterface::allAddresses()) {
            if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback())
                out.append(url(a));
        }
    }
    if (any || listened.isLoopback())
        out.append(url(QHostAddress(QHostAddress::LocalHost)));
    return out;
}

QString RemoteServer::pairingCode() const {
    return d->pairing.code();
}

QList<PairedPhone> RemoteServer::pairedPhones() const {
    return d->pairing.phones();
}

void RemoteServer::forgetAll() {
    d->pairing.forgetAll();
    d->closeAll(kPolicy, QStringLiteral("forgotten"));
    emit pairedChanged();
}

int RemoteServer::clientCount() const {
    return int(d->clients.size());
}

void RemoteServer::noteChange() {
    if (!d->clients.empty() && !d->push.isActive())
        d->push.start();
}

void RemoteServer::setClock(std::function<qint64()> clock) {
    d->clock = clock ? clock : std::function<qint64()>(MonotonicMs);
    d->pairing.setClock(std::move(clock));
}

} // namespace lumadesk

namespace lumadesk {

void RemoteServer::setPingInterval(int milliseconds) {
    d->ping.setInterval(std::max(1, milliseconds));
}

void RemoteServer::setRefreshInterval(int milliseconds) {
    d->refresh.setInterval(milliseconds);
    if (milliseconds <= 0)
        d->refresh.stop();
    else if (!d->clients.empty())
        d->refresh.start();
}

} // namespace lumadesk
