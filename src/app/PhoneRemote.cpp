#include "app/PhoneRemote.h"

#include "app/CLumaDeskApp.h"
#include "app/PhoneRemoteDialog.h"
#include "remote/RemoteServer.h"

#include <QAction>
#include <QMenu>
#include <QSettings>
#include <QUrl>

namespace lumadesk {

namespace {

const QString kOnKey = QStringLiteral("remote/on");
const QString kPortKey = QStringLiteral("remote/port");

QSettings consoleSettings() {
    return QSettings(CLumaDeskApp::settingsKey(), CLumaDeskApp::applicationName());
}

// The port the switch serves on: the usual one unless the settings name another (0: any free).
quint16 rememberedPort() {
    const uint port = consoleSettings().value(kPortKey, RemoteServer::kDefaultPort).toUInt();
    return port <= 65535 ? quint16(port) : RemoteServer::kDefaultPort;
}

} // namespace

bool ParseRemoteEndpoint(const QString& text, RemoteEndpoint& out, QString& error) {
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    bool number = false;
    const uint port = colon > 0 ? text.mid(colon + 1).toUInt(&number) : 0;
    QHostAddress address;
    if (colon <= 0 || !number || port > 65535 || !address.setAddress(text.left(colon)) ||
        address.protocol() != QAbstractSocket::IPv4Protocol) {
        error = QStringLiteral("--remote needs ADDRESS:PORT with an IPv4 address, e.g. "
                               "0.0.0.0:%1 or 127.0.0.1:%1")
                    .arg(RemoteServer::kDefaultPort);
        return false;
    }
    out.address = address;
    out.port = quint16(port);
    return true;
}

PhoneRemote::PhoneRemote(QWidget& frame, StudioModel& model, RadioLink& link,
                         OperatorActions& actions, QMenu* tools)
    : QObject(&frame), m_frame(frame),
      m_server(std::make_unique<RemoteServer>(model, link, actions)) {
    m_action = tools->addAction(QStringLiteral("Phone remote..."));
    m_action->setStatusTip(
        QStringLiteral("Serve a remote for the heads to phones on this network"));
    connect(m_action, &QAction::triggered, this, &PhoneRemote::showDialog);
    connect(m_server.get(), &RemoteServer::runningChanged, this, &PhoneRemote::statusChanged);
}

PhoneRemote::~PhoneRemote() {
    delete m_dialog; // it reads the server
    m_server->stop();
}

void PhoneRemote::startAsRemembered() {
    if (consoleSettings().value(kOnKey, false).toBool()) {
        // A port taken by another program leaves it off; the dialog says why when opened.
        m_problem.clear();
        if (!m_server->start(QHostAddress::AnyIPv4, rememberedPort(), &m_problem) &&
            m_problem.isEmpty())
            m_problem = QStringLiteral("cannot listen");
    }
}

bool PhoneRemote::startForRun(const RemoteEndpoint& where, QString* problem) {
    return m_server->start(where.address, where.port, problem);
}

bool PhoneRemote::switchOn(bool on, QString* problem) {
    if (!on) {
        m_problem.clear();
        m_server->stop();
        consoleSettings().setValue(kOnKey, false);
        return true;
    }
    QString why;
    if (!m_server->isRunning() && !m_server->start(QHostAddress::AnyIPv4, rememberedPort(), &why)) {
        m_problem = why.isEmpty() ? QStringLiteral("cannot listen") : why;
        if (problem != nullptr)
            *problem = m_problem;
        return false;
    }
    m_problem.clear();
    consoleSettings().setValue(kOnKey, true);
    return true;
}

QString PhoneRemote::statusText() const {
    if (!m_server->isRunning())
        return {};
    const QList<QUrl> addresses = m_server->pageAddresses();
    if (addresses.isEmpty())
        return QStringLiteral("Phone remote on port %1").arg(m_server->port());
    const QUrl& first = addresses.front();
    return QStringLiteral("Phone remote on %1:%2").arg(first.host()).arg(first.port());
}

PhoneRemoteDialog* PhoneRemote::dialog() const {
    return m_dialog.data();
}

void PhoneRemote::showDialog() {
    if (m_dialog == nullptr)
        m_dialog = new PhoneRemoteDialog(*this, &m_frame);
    m_dialog->refresh();
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}

} // namespace lumadesk
