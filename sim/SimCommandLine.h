#pragma once

#include "sim/SimConfig.h"

#include <QString>
#include <QStringList>

namespace lumadesk::sim {

// The program's command line:
//   lumadesk-sim [--link PATH] [--heads GROUP:CHANNELS]... [--seed N] [--delay MIN-MAX]
//                [--heat-interval SECONDS] [--noise RATE] [--cut-after SECONDS]
//                [--replug-after SECONDS] [--deaf HEADS]... [--verbose]
struct SimCommandLine {
    enum Outcome { Run, ShowHelp, ShowVersion, Invalid };
    Outcome outcome = Invalid;
    SimConfig config; // log and deviceOpened are left to the program
    bool verbose = false;
    bool seedGiven = false; // without --seed the program picks one
    QString error;          // one line, when Invalid
    QString helpText;       // usage and options
};

// Reads the arguments (the program name first, as QCoreApplication::arguments gives them).
SimCommandLine ParseSimCommandLine(const QStringList& arguments);

} // namespace lumadesk::sim
