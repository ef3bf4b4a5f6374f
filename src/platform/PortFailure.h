#pragma once

#include <QString>

namespace lumadesk {

// Why a serial device would not open, from the errno its open left.
enum class PortFault {
    None,    // it opened
    Missing, // no such device (ENOENT, ENODEV, ENXIO)
    Busy,    // another program holds it (EBUSY; SerialDevice reports its lock so)
    Denied,  // this user may not use it (EACCES, EPERM)
    Other,
};

PortFault PortFaultOf(int error);

// The reason in words an operator can act on, without the path in front: "does not exist ...",
// "is held by another program", or, when the user may not use it, the group that may and the
// command that joins it. The device node is looked at for its group.
QString PortFailureReason(int error, const QString& devicePath);

// The same with the path in front: "/dev/ttyUSB0: is held by another program".
QString PortFailureText(int error, const QString& devicePath);

} // namespace lumadesk
