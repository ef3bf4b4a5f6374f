#pragma once

#include "app/PhoneRemote.h"

#include <QString>
#include <QStringList>

namespace lumadesk {

// What the console is told on its command line.
struct CommandLine {
    QString port;          // --port NAME; empty: the port of Option.xml
    bool simulate = false; // --simulate [HEADS]
    QString heads;         // the HEADS of --simulate; empty: the simulator's own
    QStringList deaf;      // --deaf HEADS (with --simulate): heads that ignore commands
    QString dataDir;       // --data-dir DIR, "standard" already made the folder's path; empty:
                           // the working directory
    bool remote = false;   // --remote ADDRESS:PORT
    RemoteEndpoint remoteEndpoint{};
};

// Parses the arguments (the program's name first). --help and --version print and end the
// program, as Qt's parser does. False with a one-line reason for anything else it cannot use.
bool ParseCommandLine(const QStringList& arguments, CommandLine& out, QString& error);

// Whether the arguments only ask for text (help, version): then no display is needed.
bool AsksForTextOnly(const QStringList& arguments);

} // namespace lumadesk
