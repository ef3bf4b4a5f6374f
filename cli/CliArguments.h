#pragma once

#include "cli/UnitSettings.h"

#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>

namespace lumadesk::cli {

enum class CliCommand { Ports, Scan, Set, Monitor, Save, Show, Apply };

// One run of the tool, as the command line asked for it.
struct Invocation {
    CliCommand command = CliCommand::Ports;
    std::optional<QString> portName; // unset: Option.xml's, else COM2
    std::optional<int> baudRate;     // unset: Option.xml's, else 9600
    bool json = false;

    int studio = -1;  // 0..4
    int channel = -1; // 0..9
    const UnitSetting* setting = nullptr;
    int value = 0; // tenths for levels, 0/1 for switches
    QString name;  // set-up name
    std::chrono::milliseconds wait{6000};
    std::optional<std::chrono::milliseconds> duration; // monitor: unset runs until interrupted
};

struct ParsedCommandLine {
    enum Outcome { Run, Help, Version, Invalid };
    Outcome outcome = Invalid;
    Invocation invocation;
    QString text;  // the help, or the one-line reason of a usage error
    QString usage; // the usage lines that go with a usage error
};

// `arguments` starts with the program name, as QCoreApplication::arguments() does.
ParsedCommandLine ParseCommandLine(const QStringList& arguments);

// "Studio A".."Studio E" or A..E (any case): 0..4, else -1.
int ParseStudio(const QString& text);
// "CH-01".."CH-10" (any case) or 1..10: 0..9, else -1.
int ParseChannel(const QString& text);

} // namespace lumadesk::cli
