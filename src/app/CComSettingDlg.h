#pragma once

#include "platform/ports/SerialPortList.h"

#include <QDialog>
#include <QList>

class QComboBox;

namespace lumadesk {

struct ComSettings;

// Chooses the dongle's port. The port list holds "COM1".."COM10", then every serial device the
// system reports, then the ports the console was started with; the current port is selected
// when it is among them. The line settings are shown but fixed: 9600 baud, no parity, 8 data
// bits, 1 stop bit, and OK stores exactly those with the chosen port.
class CComSettingDlg : public QDialog {
    Q_OBJECT
public:
    // `ports` are the devices listed after the ten COM names, in order.
    CComSettingDlg(ComSettings& settings, const QList<SerialPortEntry>& ports,
                   QWidget* parent = nullptr);

    QComboBox* portList() const { return m_port; }
    QComboBox* baudList() const { return m_baud; }
    QComboBox* parityList() const { return m_parity; }
    QComboBox* dataBitsList() const { return m_dataBits; }
    QComboBox* stopBitsList() const { return m_stopBits; }

    // Stores the lists into the settings record, then closes with Accepted.
    void accept() override;

private:
    void fillPorts(const QList<SerialPortEntry>& ports);

    ComSettings& m_settings;
    QComboBox* m_port;
    QComboBox* m_baud;
    QComboBox* m_parity;
    QComboBox* m_dataBits;
    QComboBox* m_stopBits;
};

} // namespace lumadesk
