#pragma once

#include "link/CCommThread.h"
#include "platform/PseudoTerminal.h"
#include "support/MessageRecorder.h"

namespace lumadesk {

// A console port opened on a pseudo-terminal whose other end the test holds as the dongle; the
// owner records what the reader thread posts. holdDeviceEnd lets the dongle hold the port's
// output (PseudoTerminal::holdOutput).
struct PortOnPty {
    PseudoTerminal dongle;
    MessageRecorder owner;
    CCommThread port{&owner};

    bool open(int baudRate = 9600, bool holdDeviceEnd = false) {
        return dongle.open(holdDeviceEnd) && (!holdDeviceEnd || dongle.holdsDeviceEnd()) &&
               port.OpenPort(dongle.devicePath(), baudRate, 8, 0, 0) == 1;
    }
    // The count WriteComm returned for the bytes.
    int write(const QByteArray& bytes) {
        return port.WriteComm(int(bytes.size()),
                              reinterpret_cast<const std::uint8_t*>(bytes.data()));
    }
};

} // namespace lumadesk
