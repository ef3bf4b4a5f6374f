#include "app/CLumaDeskApp.h"
#include "app/CommandLine.h"
#include "app/Folders.h"
#include "platform/RuntimeDir.h"
#include "platform/SignalWatch.h"
#if LUMADESK_WITH_SIMULATOR
#include "sim/Simulator.h"
#endif

#include <QApplication>
#include <cstdio>
#include <memory>

using namespace lumadesk;

namespace {

int fail(const QString& text, int code) {
    std::fprintf(stderr, "lumadesk: %s\n", qPrintable(text));
    return code;
}

// Without one, QApplication would abort before the arguments were even looked at.
bool hasDisplay() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // --help, --version and argument errors work without a display.
    const bool window = !AsksForTextOnly(arguments) && hasDisplay();
    // Made before the application object and removed after it, on every way out.
    struct RuntimeDirGuard {
        QByteArray directory;
        ~RuntimeDirGuard() { RemoveRuntimeDir(directory); }
    } runtimeDir{window ? EnsureRuntimeDir() : QByteArray()};
    std::unique_ptr<QCoreApplication> app(window ? new QApplication(argc, argv)
                                                 : new QCoreApplication(argc, argv));
    QCoreApplication::setApplicationName(CLumaDeskApp::applicationName());
    QCoreApplication::setApplicationVersion(QStringLiteral(LUMADESK_VERSION));
#ifdef LUMADESK_APP_ID
    // The desktop matches the window to its entry (the dock's icon, Wayland's app id).
    QGuiApplication::setDesktopFileName(QStringLiteral(LUMADESK_APP_ID));
#endif

    CommandLine line;
    QString error;
    if (!ParseCommandLine(QCoreApplication::arguments(), line, error))
        return fail(error, 2);

    if (!window)
        return fail(QStringLiteral("no display to show the window on (set DISPLAY, or "
                                   "QT_QPA_PLATFORM=offscreen)"),
                    1);

    // Option.xml and the set-ups are read and written relative to it.
    if (!line.dataDir.isEmpty() && !EnterDataFolder(line.dataDir, error))
        return fail(QStringLiteral("--data-dir: %1").arg(error), 1);

    ShellOptions options;
    options.remote = line.remote;
    options.remoteEndpoint = line.remoteEndpoint;
#if LUMADESK_WITH_SIMULATOR
    std::unique_ptr<sim::Simulator> radio;
#endif
    if (line.simulate) {
#if !LUMADESK_WITH_SIMULATOR
        return fail(QStringLiteral("this build has no simulated radio (LUMADESK_SIMULATOR=OFF)"),
                    2);
#else
        sim::SimConfig config;
        if (!line.heads.isEmpty() && !sim::ParseHeads(line.heads, config.heads, error))
            return fail(error, 2);
        if (!line.deaf.isEmpty() &&
            !sim::ParseDeafHeads(line.deaf, config.heads, config.deafHeads, error))
            return fail(QStringLiteral("--deaf: %1").arg(error), 2);
        radio = std::make_unique<sim::Simulator>(config);
        if (!radio->start())
            return fail(radio->errorString(), 1);
        const QString device = radio->devicePath();
        options.portOverride = device;
        options.extraPorts.append(SerialPortEntry{device, QStringLiteral("Simulated radio")});
        options.statusNote = QStringLiteral("Simulated radio on %1").arg(device);
        std::printf("lumadesk: simulated radio on %s\n", qPrintable(device));
        std::fflush(stdout);
#endif
    } else if (!line.port.isEmpty()) {
        options.portOverride = line.port;
        options.extraPorts.append(
            SerialPortEntry{line.port, QStringLiteral("Given on the command line")});
    }

    int result = 1;
    {
        lumadesk::SignalWatch quitSignals([] { QCoreApplication::quit(); });
        CLumaDeskApp lumadesk(options);
        if (lumadesk.InitInstance())
            result = app->exec();
    } // the frame closes its port before the simulated dongle goes
#if LUMADESK_WITH_SIMULATOR
    radio.reset();
#endif
    return result;
}
