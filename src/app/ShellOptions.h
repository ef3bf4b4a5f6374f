#pragma once

#include "app/PhoneRemote.h"
#include "platform/ports/SerialPortList.h"

#include <QList>
#include <QString>

namespace lumadesk {

// What the command line changes for one run; nothing of it is written to Option.xml.
struct ShellOptions {
    // Used instead of the port that Option.xml names (empty: keep that one).
    QString portOverride;
    // Listed in the COM settings dialog after the system's devices: the ports this run was
    // given, which the system does not report (a pseudo-terminal, a link to one).
    QList<SerialPortEntry> extraPorts;
    // Shown in status pane 0 for the whole run, e.g. "Simulated radio on /dev/pts/3".
    QString statusNote;
    // --remote ADDRESS:PORT: the phone remote serves there for this run (not remembered).
    bool remote = false;
    RemoteEndpoint remoteEndpoint{};
};

} // namespace lumadesk
