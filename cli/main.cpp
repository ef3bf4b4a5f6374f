// lumadesk-cli: the console's link, reports and set-ups from the command line.

#include "cli/CliArguments.h"
#include "cli/Commands.h"
#include "cli/ExitCode.h"
#include "platform/MessageBox.h"

#include <QCoreApplication>
#include <csignal>
#include <cstdio>

using namespace lumadesk;
using namespace lumadesk::cli;

int main(int argc, char* argv[]) {
    // A closed pipe must not kill us with the port still held; writes report it instead.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lumadesk-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LUMADESK_VERSION));

    // The core's boxes ("Fail to open file", ...) become lines on standard error.
    SetMessageBoxHandler([](const MessageBoxRequest& request) {
        std::fprintf(stderr, "%s\n", request.text.toLocal8Bit().constData());
        std::fflush(stderr);
        return IDOK;
    });

    const ParsedCommandLine line = ParseCommandLine(QCoreApplication::arguments());
    switch (line.outcome) {
    case ParsedCommandLine::Help:
    case ParsedCommandLine::Version:
        std::fputs(line.text.toLocal8Bit().constData(), stdout);
        return EXIT_DONE;
    case ParsedCommandLine::Invalid:
        std::fprintf(stderr, "lumadesk-cli: %s\n%s\n", line.text.toLocal8Bit().constData(),
                     line.usage.toLocal8Bit().constData());
        return EXIT_USAGE;
    case ParsedCommandLine::Run:
        break;
    }

    const Invocation& invocation = line.invocation;
    switch (invocation.command) {
    case CliCommand::Ports:
        return RunPorts(invocation);
    case CliCommand::Scan:
        return RunScan(invocation);
    case CliCommand::Set:
        return RunSet(invocation);
    case CliCommand::Monitor:
        return RunMonitor(invocation);
    case CliCommand::Save:
        return RunSave(invocation);
    case CliCommand::Show:
        return RunShow(invocation);
    case CliCommand::Apply:
        return RunApply(invocation);
    }
    return EXIT_USAGE;
}
