#pragma once

#include <QString>

namespace lumadesk {

// The COM settings record: the line, then the port. Stop bits and parity are the codes the COM
// settings dialog uses (stop bits 0 = 1, 1 = 1.5, 2 = 2; parity 0 none, 1 odd, 2 even, 3 mark,
// 4 space). Only the port name and the baud rate survive a restart (Option.xml). The line comes
// first so that the device can be given just the line: ComSettings{baud, bits, stop, parity}.
struct ComSettings {
    int baudRate = 9600;
    int dataBits = 8;
    int stopBits = 0;
    int parity = 0;
    QString portName = QStringLiteral("COM2");
};

} // namespace lumadesk
