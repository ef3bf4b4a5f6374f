#include "app/CLumaDeskApp.h"
#include "app/CommandLine.h"
#include "platform/QuitSignals.h"
#include "platform/RuntimeDir.h"
#include "sim/Simulator.h"

#include <QApplication>
#include <cstdio>
#include <memory>

namespace {

int fail(const QString& text, int code) {
    std::fprintf(stderr, "lumadesk: %s\n", qPrintable(text));
    return code;
}

} // namespace

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const QByteArray runtimeDir = EnsureRuntimeDir();

    // --help and --version work without a display.
    std::unique_ptr<QCoreApplication> app(AsksForTextOnly(arguments)
                                              ? new QCoreApplication(argc, argv)
                                              : new QApplication(argc, argv));
    QCoreApplication::setApplicationName(CLumaDeskApp::applicationName());
    QCoreApplication::setApplicationVersion(QStringLiteral(LUMADESK_VERSION));

    CommandLine line;
    QString error;
    if (!ParseCommandLine(QCoreApplication::arguments(), line, error))
        return fail(error, 2);

    ShellOptions options;
    std::unique_ptr<sim::Simulator> radio;
    if (line.simulate) {
        sim::SimConfig config;
        if (!line.heads.isEmpty() && !sim::ParseHeads(line.heads, config.heads, error))
            return fail(error, 2);
        radio = std::make_unique<sim::Simulator>(config);
        if (!radio->start())
            return fail(radio->errorString(), 1);
        const QString device = radio->devicePath();
        options.portOverride = device;
        options.extraPorts.append(SerialPortEntry{device, QStringLiteral("Simulated radio")});
        options.statusNote = QStringLiteral("Simulated radio on %1").arg(device);
        std::printf("lumadesk: simulated radio on %s\n", qPrintable(device));
        std::fflush(stdout);
    } else if (!line.port.isEmpty()) {
        options.portOverride = line.port;
        options.extraPorts.append(
            SerialPortEntry{line.port, QStringLiteral("Given on the command line")});
    }

    int result = 1;
    {
        QuitSignals quitSignals;
        CLumaDeskApp lumadesk(options);
        if (lumadesk.InitInstance())
            result = app->exec();
    } // the frame closes its port before the simulated dongle goes
    radio.reset();
    app.reset();
    RemoveRuntimeDir(runtimeDir);
    return result;
}
