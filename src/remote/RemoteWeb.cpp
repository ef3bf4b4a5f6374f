#include "remote/RemoteWeb.h"

#include "remote/GuardedTcpServer.h"
#include "remote/RemoteController.h"
#include "remote/RemoteGate.h"
#include "remote/RemoteHub.h"
#include "remote/RemoteSocket.h"

#include <QAbstractHttpServer>
#include <QFile>
#include <QHttpServerRequest>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QNetworkInterface>
#include <QNetworkRequest>
#include <QSettings>
#include <QTcpSocket>
#include <QWebSocket>
#include <algorithm>

// Q_INIT_RESOURCE must be used outside any namespace.
static void registerRemoteResources() {
    Q_INIT_RESOURCE(remote_web);
}

namespace lumadesk {

namespace {

using Status = QHttpServerResponder::StatusCode;

constexpr qsizetype kMaxPairBodyBytes = 256;
// Messages up to this long are read and answered with an error when over the controller's
// limit; longer ones make Qt close the socket (1009) without reading them whole.
constexpr qint64 kMaxFrameBytes = 2 * RemoteController::kMaxMessageBytes;
constexpr auto kPolicy = QWebSocketProtocol::CloseCodePolicyViolated;
const QByteArray kCookieName = QByteArrayLiteral("lumadesk_token");
// The cookie outlives the browser's session for this long, counted again at each visit.
constexpr int kCookieDays = 30;
// Names besides this machine's addresses that a request's Host may give, as the operator
// listed them in the console's settings.
const QString kHostNamesKey = QStringLiteral("remote/hostNames");

QByteArray cookieValue(const QByteArray& header, const QByteArray& name) {
    for (const QByteArray& part : header.split(';')) {
        const QByteArray pair = part.trimmed();
        if (pair.startsWith(name) && pair.size() > name.size() && pair[name.size()] == '=')
            return pair.mid(name.size() + 1);
    }
    return {};
}

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

} // namespace

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

RemoteWeb::RemoteWeb(QObject* parent) : QObject(parent) {
    registerRemoteResources();
    static const bool quiet = [] {
        previousFilter = QLoggingCategory::installFilter(quietRefusedUpgrades);
        return true;
    }();
    Q_UNUSED(quiet);
}

RemoteWeb::~RemoteWeb() = default;

bool RemoteWeb::listen(const QHostAddress& address, quint16 port, QString* problem) {
    close();
    auto http = std::make_unique<RemoteHttp>(
        [this](const QHttpServerRequest& request, QTcpSocket* socket) { answer(request, socket); },
        [this](const QHttpServerRequest& request, QTcpSocket* socket) {
            return mayUpgrade(request, socket);
        });
    http->setParent(this); // owned by m_http, but found among the server's children
    auto* tcp = new GuardedTcpServer(http.get());
    if (!tcp->listen(address, port)) {
        if (problem != nullptr)
            *problem = tcp->errorString();
        return false;
    }
    http->bind(tcp);
    connect(http.get(), &QAbstractHttpServer::newWebSocketConnection, this,
            &RemoteWeb::takeSockets);
    m_http = std::move(http);
    m_tcp = tcp;
    m_hostNames.clear();
    const QStringList listed = QSettings(QStringLiteral("LumaDesk"), QStringLiteral("LumaDesk"))
                                   .value(kHostNamesKey)
                                   .toStringList();
    for (const QString& name : listed)
        m_hostNames.append(name.trimmed().toLower());
    m_pairing.newCode();
    return true;
}

void RemoteWeb::close() {
    m_tcp = nullptr;
    m_http.reset();
    m_pairing.clearCode();
}

bool RemoteWeb::hasToken(const QByteArray& cookieHeader) const {
    return m_pairing.isPaired(cookieValue(cookieHeader, kCookieName));
}

void RemoteWeb::seen(const QByteArray& token) {
    if (m_pairing.seen(token))
        emit pairedChanged();
}

void RemoteWeb::respond(const QHttpServerRequest& request, QTcpSocket* socket, Status status,
                        const QByteArray& type, const QByteArray& body,
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
bool RemoteWeb::isOurHost(const QByteArray& host) const {
    const std::optional<HostParts> parts = SplitHost(host);
    if (!parts)
        return false;
    const quint16 ours = m_tcp != nullptr ? m_tcp->serverPort() : 0;
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
    return lower == QLatin1String("localhost") || m_hostNames.contains(lower);
}

bool RemoteWeb::isOurAddress(const QHostAddress& asked) const {
    if (asked.isLoopback() || (m_tcp != nullptr && asked == m_tcp->serverAddress()))
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
bool RemoteWeb::mayUpgrade(const QHttpServerRequest& request, QTcpSocket* socket) {
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

void RemoteWeb::answer(const QHttpServerRequest& request, QTcpSocket* socket) {
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
        seen(token);
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

void RemoteWeb::pair(const QHttpServerRequest& request, QTcpSocket* socket) {
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
    const RemotePairing::Result result = m_pairing.pair(
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
    emit pairedChanged();
}

void RemoteWeb::takeSockets() {
    while (m_http && m_http->hasPendingWebSocketConnections()) {
        QWebSocket* socket = m_http->nextPendingWebSocketConnection().release();
        if (socket == nullptr)
            break;
        socket->setParent(this);
        socket->setMaxAllowedIncomingFrameSize(kMaxFrameBytes);
        socket->setMaxAllowedIncomingMessageSize(kMaxFrameBytes);
        // Nothing is sent or read before the request has shown it may.
        const QNetworkRequest request = socket->request();
        const QByteArray host = request.rawHeader("Host");
        if (socket->requestUrl().path() != QLatin1String("/ws")) {
            RemoteHub::refuse(socket, kPolicy, QStringLiteral("no such socket"));
            continue;
        }
        if (!hasToken(request.rawHeader("Cookie"))) {
            RemoteHub::refuse(socket, kPolicy, QStringLiteral("not paired"));
            continue;
        }
        if (host.isEmpty() || request.rawHeader("Origin") != "http://" + host) {
            RemoteHub::refuse(socket, kPolicy, QStringLiteral("foreign origin"));
            continue;
        }
        // The connection under it stays among the listening socket's children.
        RemoteSocket* under = nullptr;
        for (auto* connection : m_tcp->findChildren<RemoteSocket*>(Qt::FindDirectChildrenOnly)) {
            if (connection->peerPort() == socket->peerPort() &&
                connection->peerAddress() == socket->peerAddress())
                under = connection;
        }
        emit socketOpened(socket, cookieValue(request.rawHeader("Cookie"), kCookieName), under);
    }
}

} // namespace lumadesk
