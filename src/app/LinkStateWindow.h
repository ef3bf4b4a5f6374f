#pragma once

#include "link/CCommThread.h"

#include <QBasicTimer>
#include <QWidget>

class QLabel;

// A small window that keeps one port open and shows whether the link is up. It retries the
// open every 500 ms while the link is down.
class LinkStateWindow : public QWidget {
    Q_OBJECT
public:
    LinkStateWindow(const QString& portName, int baudRate, QWidget* parent = nullptr);
    ~LinkStateWindow() override;

    QString linkText() const;
    int bytesReceived() const { return m_bytesReceived; }

protected:
    void customEvent(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void tryOpen();

    QString m_portName;
    int m_baudRate;
    CCommThread m_port;
    QBasicTimer m_retry;
    QLabel* m_state;
    QLabel* m_traffic;
    int m_bytesReceived = 0;
};
