#include "remote/RemoteServer.h"

#include "remote/GuardedTcpServer.h"
#include "remote/RemoteController.h"
#include "remote/RemoteHub.h"
#include "remote/RemoteSocket.h"
#include "remote/RemoteWeb.h"

#include <QNetworkInterface>
#include <QWebSocket>

namespace lumadesk {

static_assert(RemoteServer::kMaxClients == RemoteHub::kMaxClients);
static_assert(RemoteServer::kMaxMessageBytes == RemoteController::kMaxMessageBytes);

// Children of the server, so its children list the connections and sockets as before.
struct RemoteServer::Private {
    RemoteController controller;
    RemoteHub hub;
    RemoteWeb web;

    Private(RemoteServer* q, StudioModel& model, RadioLink& link, OperatorActions& actions)
        : controller(model, link, actions, q), hub(controller, q), web(q) {}
};

RemoteServer::RemoteServer(StudioModel& model, RadioLink& link, OperatorActions& actions,
                           QObject* parent)
    : QObject(parent), d(std::make_unique<Private>(this, model, link, actions)) {
    connect(&d->web, &RemoteWeb::pairedChanged, this, &RemoteServer::pairedChanged);
    connect(&d->web, &RemoteWeb::socketOpened, this,
            [this](QWebSocket* socket, const QByteArray& token, RemoteSocket* connection) {
                if (d->hub.add(socket, token, connection))
                    d->web.seen(token);
            });
    connect(&d->hub, &RemoteHub::countChanged, this, &RemoteServer::clientsChanged);
}

RemoteServer::~RemoteServer() {
    stop();
}

bool RemoteServer::start(const QHostAddress& address, quint16 port, QString* problem) {
    stop();
    if (!d->web.listen(address, port, problem))
        return false;
    emit runningChanged(true);
    return true;
}

void RemoteServer::stop() {
    if (!d->web.isListening())
        return;
    d->hub.closeAll(QWebSocketProtocol::CloseCodeGoingAway, QStringLiteral("remote switched off"));
    d->web.close();
    emit runningChanged(false);
}

bool RemoteServer::isRunning() const {
    return d->web.isListening();
}

QHostAddress RemoteServer::address() const {
    return d->web.listener() != nullptr ? d->web.listener()->serverAddress() : QHostAddress();
}

quint16 RemoteServer::port() const {
    return d->web.listener() != nullptr ? d->web.listener()->serverPort() : 0;
}

QList<QUrl> RemoteServer::pageAddresses() const {
    QList<QUrl> out;
    if (d->web.listener() == nullptr)
        return out;
    auto url = [this](const QHostAddress& a) {
        QUrl u;
        u.setScheme(QStringLiteral("http"));
        u.setHost(a.toString());
        u.setPort(port());
        u.setPath(QStringLiteral("/"));
        return u;
    };
    const QHostAddress listened = d->web.listener()->serverAddress();
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
    return d->web.pairing().code();
}

QList<PairedPhone> RemoteServer::pairedPhones() const {
    return d->web.pairing().phones();
}

void RemoteServer::forgetAll() {
    d->web.pairing().forgetAll();
    d->hub.closeAll(QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("forgotten"));
    emit pairedChanged();
}

int RemoteServer::clientCount() const {
    return d->hub.count();
}

RemoteController& RemoteServer::controller() {
    return d->controller;
}

void RemoteServer::linkChanged() {
    d->controller.linkChanged();
}

void RemoteServer::setClock(std::function<qint64()> clock) {
    d->hub.setClock(clock);
    d->web.pairing().setClock(std::move(clock));
}

void RemoteServer::setPingInterval(int milliseconds) {
    d->hub.setPingInterval(milliseconds);
}

} // namespace lumadesk
