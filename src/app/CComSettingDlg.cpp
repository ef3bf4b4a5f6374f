#include "app/CComSettingDlg.h"

#include "platform/ComSettings.h"
#include "platform/PortNames.h"
#include "ui/PlainText.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumadesk {

namespace {

constexpr int kComNames = 10;

QComboBox* fixedList(const QStringList& items, int selected, QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->addItems(items);
    list->setCurrentIndex(selected);
    list->setEnabled(false);
    return list;
}

bool isComName(const QString& name) {
    for (int i = 1; i <= kComNames; ++i) {
        if (name.compare(QStringLiteral("COM%1").arg(i), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

} // namespace

CComSettingDlg::CComSettingDlg(ComSettings& settings, const QList<SerialPortEntry>& ports,
                               QWidget* parent)
    : QDialog(parent), m_settings(settings), m_port(new QComboBox(this)),
      m_baud(fixedList({"110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200",
                        "38400", "57600", "115200", "230000"},
                       6, this)),
      m_parity(fixedList({"NONE", "ODD", "EVEN", "MASK", "SPACE"}, 0, this)),
      m_dataBits(fixedList({"4", "5", "6", "7", "8"}, 4, this)),
      m_stopBits(fixedList({"1", "1.5", "2"}, 0, this)) {
    setWindowTitle(QStringLiteral("Com Setting"));
    fillPorts(ports);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Com Port"), m_port);
    form->addRow(QStringLiteral("Baud Rate"), m_baud);
    form->addRow(QStringLiteral("Parity"), m_parity);
    form->addRow(QStringLiteral("Data Bits"), m_dataBits);
    form->addRow(QStringLiteral("Stop Bits"), m_stopBits);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("Ok"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &CComSettingDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CComSettingDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void CComSettingDlg::fillPorts(const QList<SerialPortEntry>& ports) {
    // Item text for the operator, item data the name that is stored.
    for (int i = 1; i <= kComNames; ++i) {
        const QString name = QStringLiteral("COM%1").arg(i);
        m_port->addItem(name, name);
    }
    for (const SerialPortEntry& port : ports) {
        if (m_port->findData(port.name) >= 0)
            continue;
        const QString text = port.description.isEmpty()
                                 ? port.name
                                 : port.name + QStringLiteral(" \u2014 ") + port.description;
        m_port->addItem(text, port.name);
        m_port->setItemData(m_port->count() - 1, PlainToolTip(port.description), Qt::ToolTipRole);
    }

    // The current port: the COM names whatever their case, any other name exactly; failing
    // that, another name of the same device ("/dev/ttyUSB0" for "ttyUSB0").
    const QString current = m_settings.portName;
    const QString currentPath = DevicePathFromPortName(current);
    int selected = -1;
    for (int i = 0; i < m_port->count() && selected < 0; ++i) {
        const QString name = m_port->itemData(i).toString();
        if (name == current ||
            (isComName(current) && name.compare(current, Qt::CaseInsensitive) == 0))
            selected = i;
    }
    for (int i = 0; i < m_port->count() && selected < 0 && !currentPath.isEmpty(); ++i) {
        if (DevicePathFromPortName(m_port->itemData(i).toString()) == currentPath)
            selected = i;
    }
    m_port->setCurrentIndex(selected);
}

void CComSettingDlg::accept() {
    m_settings.portName =
        m_port->currentIndex() >= 0 ? m_port->currentData().toString() : QString();
    m_settings.baudRate = m_baud->currentText().toInt();
    m_settings.parity = m_parity->currentIndex();
    m_settings.dataBits = m_dataBits->currentText().toInt();
    m_settings.stopBits = m_stopBits->currentIndex();
    QDialog::accept();
}

} // namespace lumadesk
