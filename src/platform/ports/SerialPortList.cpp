#include "platform/ports/SerialPortList.h"

#include "platform/PortNames.h"

#include <QSerialPortInfo>

namespace lumadesk {

QList<SerialPortEntry> ListSerialPorts() {
    QList<SerialPortEntry> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        // The short name when it leads to the same device, else the full path.
        QString name = info.portName();
        if (DevicePathFromPortName(name) != info.systemLocation())
            name = info.systemLocation();
        ports.append(SerialPortEntry{name, info.description()});
    }
    return ports;
}

} // namespace lumadesk
