#include "app/LinkStateWindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <memory>

namespace {

bool asksForTextOnly(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "-h" || arg == "--help" || arg == "--help-all" || arg == "-v" ||
            arg == "--version")
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char* argv[]) {
    // --help and --version must work without a display.
    std::unique_ptr<QCoreApplication> app(asksForTextOnly(argc, argv)
                                              ? new QCoreApplication(argc, argv)
                                              : new QApplication(argc, argv));
    QCoreApplication::setApplicationName(QStringLiteral("LumaDesk"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LUMADESK_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Studio flash console: shows the state of the radio link."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Serial port: COM1..COM10, a device path, or a "
                                                 "name under /dev (default COM2)."),
                                  QStringLiteral("NAME"), QStringLiteral("COM2"));
    const QCommandLineOption baud(QStringLiteral("baud"),
                                  QStringLiteral("Baud rate (default 9600)."), QStringLiteral("N"),
                                  QStringLiteral("9600"));
    parser.addOption(port);
    parser.addOption(baud);
    parser.process(*app);

    bool ok = false;
    const int baudRate = parser.value(baud).toInt(&ok);
    if (!ok || baudRate <= 0) {
        qCritical("lumadesk: --baud needs a positive number");
        return 1;
    }
    LinkStateWindow window(parser.value(port), baudRate);
    window.show();
    return app->exec();
}
