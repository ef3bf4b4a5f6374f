// lumadesk-sim: the radio dongle and its flash heads on a pseudo-terminal.

#include "sim/HeadLayout.h"
#include "sim/SimCommandLine.h"
#include "sim/Simulator.h"

#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <pthread.h>
#include <random>

using namespace lumadesk;

namespace {

void writeLine(FILE* stream, const QString& text) {
    const QByteArray bytes = (text + QLatin1Char('\n')).toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

int main(int argc, char* argv[]) {
    // Blocked before any thread exists, so every thread inherits it and only sigwait below sees
    // the signals: the simulator's thread is stopped and joined and the link removed in order.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lumadesk-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LUMADESK_VERSION));

    sim::SimCommandLine line = sim::ParseSimCommandLine(QCoreApplication::arguments());
    switch (line.outcome) {
    case sim::SimCommandLine::ShowHelp:
        writeLine(stdout, line.helpText.trimmed());
        return 0;
    case sim::SimCommandLine::ShowVersion:
        writeLine(stdout, QStringLiteral("lumadesk-sim %1").arg(QStringLiteral(LUMADESK_VERSION)));
        return 0;
    case sim::SimCommandLine::Invalid:
        writeLine(stderr, QStringLiteral("lumadesk-sim: %1").arg(line.error));
        writeLine(stderr, line.helpText.trimmed());
        return 1;
    case sim::SimCommandLine::Run:
        break;
    }

    sim::SimConfig& config = line.config;
    if (!line.seedGiven)
        config.seed = (quint64(std::random_device{}()) << 32) ^ std::random_device{}();
    if (line.verbose)
        config.log = [](const QString& text) { writeLine(stderr, text); };
    config.deviceOpened = [](const QString& path) { writeLine(stdout, path); };

    sim::Simulator simulator(config);
    if (!simulator.start()) {
        writeLine(stderr, QStringLiteral("lumadesk-sim: %1").arg(simulator.errorString()));
        return 1;
    }
    writeLine(stdout, simulator.devicePath());
    if (line.verbose)
        writeLine(stderr, QStringLiteral("heads %1, seed %2")
                              .arg(sim::FormatHeads(config.heads))
                              .arg(config.seed));

    int signal = 0;
    while (sigwait(&stopSignals, &signal) != 0) {
    }
    simulator.stop();
    return 0;
}
