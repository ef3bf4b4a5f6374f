#include "app/CommandLine.h"

#include "app/Folders.h"

#include <QCommandLineParser>

namespace lumadesk {

namespace {

const QString kSimulate = QStringLiteral("--simulate");

} // namespace

bool ParseCommandLine(const QStringList& arguments, CommandLine& out, QString& error) {
    // Qt's parser knows no option with an optional value: "--simulate=HEADS" becomes
    // "--simulate HEADS", and HEADS is the one positional argument.
    QStringList args;
    for (const QString& arg : arguments) {
        if (arg.startsWith(kSimulate + QLatin1Char('='))) {
            args << kSimulate << arg.mid(kSimulate.size() + 1);
        } else {
            args << arg;
        }
    }

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Studio flash console: sets and watches flash heads through a radio "
                       "dongle on a serial port."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption port(
        QStringLiteral("port"),
        QStringLiteral("Serial port for this run instead of the one in Option.xml (which is "
                       "left as it is): COM1..COM10, a device path, or a name under /dev."),
        QStringLiteral("NAME"));
    const QCommandLineOption simulate(
        QStringLiteral("simulate"),
        QStringLiteral("Run on a simulated radio dongle started in-process on a "
                       "pseudo-terminal; HEADS as lumadesk-sim takes them, e.g. A:1-4,B:1,5."));
    const QCommandLineOption deaf(
        QStringLiteral("deaf"),
        QStringLiteral("With --simulate: heads that answer a scan but ignore every command, "
                       "as lumadesk-sim takes them (A:3, or 3 for channel 3 of every group)."),
        QStringLiteral("HEADS"));
    const QString standard = QString::fromLatin1(kStandardDataWord);
    const QCommandLineOption dataDir(
        QStringLiteral("data-dir"),
        QStringLiteral("Work in DIR (made when missing): Option.xml and the Business Memory "
                       "folder are kept there. \"%1\" is the user's data folder, %2. Without "
                       "it, the working directory.")
            .arg(standard, StandardDataFolder()),
        QStringLiteral("DIR"));
    const QCommandLineOption remote(
        QStringLiteral("remote"),
        QStringLiteral("Serve the phone remote on ADDRESS:PORT for this run (0.0.0.0:8137 for "
                       "every IPv4 address, 127.0.0.1:8137 for this computer only; port 0 takes "
                       "a free one) and print its address and pairing code on standard error."),
        QStringLiteral("ADDRESS:PORT"));
    parser.addOption(port);
    parser.addOption(simulate);
    parser.addOption(remote);
    parser.addOption(deaf);
    parser.addOption(dataDir);
    parser.addPositionalArgument(QStringLiteral("HEADS"),
                                 QStringLiteral("With --simulate: the simulated heads."),
                                 QStringLiteral("[HEADS]"));
    parser.process(args); // --help, --version and unknown options end the program here

    out = CommandLine{};
    out.port = parser.value(port);
    out.simulate = parser.isSet(simulate);
    const QStringList rest = parser.positionalArguments();
    if (parser.isSet(port) && out.port.trimmed().isEmpty()) {
        error = QStringLiteral("--port needs a port name");
        return false;
    }
    out.dataDir = parser.value(dataDir);
    if (parser.isSet(dataDir) && out.dataDir.trimmed().isEmpty()) {
        error = QStringLiteral("--data-dir needs a folder");
        return false;
    }
    if (out.dataDir == standard)
        out.dataDir = StandardDataFolder();
    out.remote = parser.isSet(remote);
    if (out.remote && !ParseRemoteEndpoint(parser.value(remote), out.remoteEndpoint, error))
        return false;
    out.deaf = parser.values(deaf);
    if (!out.deaf.isEmpty() && !out.simulate) {
        error = QStringLiteral("--deaf needs --simulate");
        return false;
    }
    if (out.simulate && parser.isSet(port)) {
        error = QStringLiteral("--port and --simulate cannot be used together");
        return false;
    }
    if (rest.size() > (out.simulate ? 1 : 0)) {
        error = QStringLiteral("unexpected argument: %1").arg(rest.constLast());
        return false;
    }
    if (out.simulate && !rest.isEmpty())
        out.heads = rest.constFirst();
    return true;
}

bool AsksForTextOnly(const QStringList& arguments) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help") ||
            arg == QLatin1String("--help-all") || arg == QLatin1String("-v") ||
            arg == QLatin1String("--version"))
            return true;
    }
    return false;
}

} // namespace lumadesk
