#pragma once

#include <QDateTime>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>

namespace lumadesk {

class OperatorActions;
class RadioLink;
class RemoteController;
struct StudioModel;

// A phone paired with the remote, as the dialog lists it. Only a hash of its token is kept.
struct PairedPhone {
    QString label; // from the browser's User-Agent: "Android phone (Chrome)", "iPhone (Safari)"
    QDateTime pairedAt;
    QDateTime lastSeen; // to the minute; invalid for a phone paired before it was kept
};

// The phone remote: a small web page and one WebSocket (/ws) served on the studio's network
// while it is switched on. Nothing but the pairing page is served without a paired token; a
// phone's change goes through the operator actions, as the panels' changes do, and the phones
// are sent the state when the model's news says something they show moved. Three parts: the
// HTTP side with the pairing (RemoteWeb), the sockets (RemoteHub) and what the requests mean
// (RemoteController). Sees the core (model, link, actions), never a widget. GUI thread only.
class RemoteServer : public QObject {
    Q_OBJECT
public:
    static constexpr quint16 kDefaultPort = 8137;
    static constexpr int kMaxClients = 16;
    static constexpr int kMaxMessageBytes = 4096;
    static constexpr int kWrongCodesBeforeLockout = 5;
    static constexpr int kLockoutSeconds = 60;

    // Paired tokens are kept (hashed) in the console's settings (QSettings, group "remote").
    // The model, the link and the actions outlive the server.
    RemoteServer(StudioModel& model, RadioLink& link, OperatorActions& actions,
                 QObject* parent = nullptr);
    ~RemoteServer() override;

    // Starts listening on the address and port (port 0: any free one) with a new six-digit
    // pairing code. False, with why in *problem, when the port cannot be had.
    bool start(const QHostAddress& address = QHostAddress::AnyIPv4, quint16 port = kDefaultPort,
               QString* problem = nullptr);
    // Stops listening and closes every client.
    void stop();
    bool isRunning() const;

    QHostAddress address() const; // as listened on
    quint16 port() const;         // the real port once running
    // "http://<address>:<port>/" for each non-loopback IPv4 address of the machine (only the one
    // listened on when that is not "any"), then loopback.
    QList<QUrl> pageAddresses() const;
    QString pairingCode() const; // six digits, new at every start; empty when stopped

    QList<PairedPhone> pairedPhones() const;
    // Every token forgotten; connected phones are closed and must pair again.
    void forgetAll();

    int clientCount() const;

    // What the requests mean and what the phones are shown, without a socket.
    RemoteController& controller();

    // For tests: the lock-out and idle clocks (milliseconds, only forward).
    void setClock(std::function<qint64()> clock);
    // How often phones are pinged and the idle ones closed (30 s); for tests.
    void setPingInterval(int milliseconds);

public slots:
    // The radio link went up or down (the link keeper says so): the phones show it.
    void linkChanged();

signals:
    void runningChanged(bool running);
    void pairedChanged();
    void clientsChanged(int count);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace lumadesk
