#pragma once

#include "link/CCommThread.h"
#include "platform/PseudoTerminal.h"
#include "support/MessageRecorder.h"

namespace lumadesk {

// A console port opened on a pseudo-terminal whose other end the test holds as the dongle; the
// owner records what the reader thread posts.
struct PortOnPty {
    PseudoTerminal dongle;
    MessageRecorder owner;
    CCommThread port{&owner};

    bool open(int baudRate = 9600) {
        return dongle.open() && port.OpenPort(dongle.devicePath(), baudRate, 8, 0, 0) == 1;
    }
};

} // namespace lumadesk
