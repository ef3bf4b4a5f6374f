#include "app/LinkStateWindow.h"

#include "platform/Messages.h"
#include "platform/PortNames.h"
#include "platform/WindowMessage.h"

#include <QLabel>
#include <QTimerEvent>
#include <QVBoxLayout>

namespace {
constexpr int kRetryMs = 500;
}

LinkStateWindow::LinkStateWindow(const QString& portName, int baudRate, QWidget* parent)
    : QWidget(parent), m_portName(portName), m_baudRate(baudRate), m_port(this),
      m_state(new QLabel(QStringLiteral("Zigbee disconnected"), this)),
      m_traffic(new QLabel(this)) {
    setWindowTitle(QStringLiteral("Glowmark"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        QStringLiteral("Port %1 (%2)").arg(portName, DevicePathFromPortName(portName)), this));
    layout->addWidget(m_state);
    layout->addWidget(m_traffic);
    resize(320, 100);
    m_retry.start(kRetryMs, this);
}

LinkStateWindow::~LinkStateWindow() {
    m_port.ClosePort();
}

QString LinkStateWindow::linkText() const {
    return m_state->text();
}

void LinkStateWindow::tryOpen() {
    if (m_port.OpenPort(m_portName, m_baudRate, 8, 0, 0)) {
        m_state->setText(QStringLiteral("Zigbee connected"));
        m_retry.stop();
    } else {
        m_state->setText(QStringLiteral("Zigbee disconnected"));
    }
}

void LinkStateWindow::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_retry.timerId() && !m_port.IsConnected())
        tryOpen();
    QWidget::timerEvent(event);
}

void LinkStateWindow::customEvent(QEvent* event) {
    WindowMessage* message = AsWindowMessage(event);
    if (message == nullptr)
        return QWidget::customEvent(event);
    switch (message->number()) {
    case Msg::FrameBytesReceived:
        for (int n = m_port.HeldCount(); n > 0; --n) {
            m_port.TakeByte();
            ++m_bytesReceived;
        }
        m_traffic->setText(QStringLiteral("%1 bytes received").arg(m_bytesReceived));
        break;
    case Msg::FrameReaderEnded:
        m_port.ClosePort();
        m_state->setText(QStringLiteral("Zigbee disconnected"));
        m_retry.start(kRetryMs, this);
        break;
    default:
        break;
    }
}
