#pragma once

#include <QString>

namespace lumadesk {

// Maps the operator's port name to a device path: "COM1".."COM10" (any case) are the first
// ten serial ports /dev/ttyS0../dev/ttyS9, a name that begins with "/" is a path as it stands,
// any other name lies under /dev. An empty name maps to an empty path.
QString DevicePathFromPortName(const QString& portName);

} // namespace lumadesk
