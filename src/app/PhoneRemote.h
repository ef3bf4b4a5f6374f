#pragma once

#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

class QAction;
class QMenu;
class QWidget;

namespace lumadesk {

class OperatorActions;
class PhoneRemoteDialog;
class RadioLink;
class RemoteServer;
struct StudioModel;

// Where the phone remote should listen, from "--remote ADDRESS:PORT".
struct RemoteEndpoint {
    QHostAddress address;
    quint16 port = 0;
};
// "192.168.1.20:8137", "127.0.0.1:0" (any free port), "0.0.0.0:8137" (every IPv4 address).
// False with a one-line reason for anything else.
bool ParseRemoteEndpoint(const QString& text, RemoteEndpoint& out, QString& error);

// The phone remote as the window offers it: Tools > Phone remote..., its dialog, the switch that
// is remembered between runs (off at first), and the status text while it runs.
class PhoneRemote : public QObject {
    Q_OBJECT
public:
    PhoneRemote(QWidget& frame, StudioModel& model, RadioLink& link, OperatorActions& actions,
                QMenu* tools);
    ~PhoneRemote() override;

    RemoteServer& server() { return *m_server; }
    QAction* action() const { return m_action; }

    // Switched on as the last run left it.
    void startAsRemembered();
    // For this run only, on that address; nothing is remembered.
    bool startForRun(const RemoteEndpoint& where, QString* problem);
    // The dialog's switch: remembered. False, with why, when it cannot listen.
    bool switchOn(bool on, QString* problem);

    // "Phone remote on 192.168.1.20:8137" while it runs; empty when off.
    QString statusText() const;
    // Why the last start failed, until one succeeds; empty otherwise.
    QString problem() const { return m_problem; }

    void showDialog();
    PhoneRemoteDialog* dialog() const;

signals:
    void statusChanged();

private:
    QWidget& m_frame;
    std::unique_ptr<RemoteServer> m_server;
    QAction* m_action = nullptr;
    QPointer<PhoneRemoteDialog> m_dialog;
    QString m_problem;
};

} // namespace lumadesk
