#pragma once

#include <QList>
#include <QString>

namespace lumadesk {

// One serial device the system reports. `name` maps back to the device through
// DevicePathFromPortName, so it can be stored as the port name as it stands.
struct SerialPortEntry {
    QString name;
    QString description; // as the system describes it (maker's product text); may be empty
};

// The serial devices the system reports now (USB adapters, built-in UARTs), in the system's
// order. Pseudo-terminals are never reported.
QList<SerialPortEntry> ListSerialPorts();

} // namespace lumadesk
