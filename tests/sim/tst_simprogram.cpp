#include "SimTestSupport.h"
#include "support/BuildPath.h"
#include "support/Hex.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

using namespace lumadesk;

class SimProgramTest : public QObject {
    Q_OBJECT
private slots:
    void programAnswersTheConsoleAndCleansUpOnSignal_data();
    void programAnswersTheConsoleAndCleansUpOnSignal();
    void programRefusesBadArgumentsWithReasonAndUsage_data();
    void programRefusesBadArgumentsWithReasonAndUsage();
    void programPrintsHelpAndVersion();
};

namespace {

QString program() {
    return fromTestProgram(LUMADESK_SIM_PROGRAM);
}

QByteArray firstLine(QProcess& process) {
    while (!process.canReadLine() && process.waitForReadyRead(10000)) {
    }
    return process.readLine().trimmed();
}

} // namespace

void SimProgramTest::programAnswersTheConsoleAndCleansUpOnSignal_data() {
    QTest::addColumn<int>("signal");
    QTest::addRow("SIGTERM") << int(SIGTERM);
    QTest::addRow("SIGINT") << int(SIGINT);
}

void SimProgramTest::programAnswersTheConsoleAndCleansUpOnSignal() {
    QFETCH(int, signal);
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("dongle"));
    QProcess process;
    process.start(program(), {"--heads", "B:1,3", "--delay", "1-5", "--link", link, "--seed", "3",
                              "--verbose"});
    QVERIFY(process.waitForStarted());
    const QString path = QString::fromLocal8Bit(firstLine(process));
    QVERIFY2(path.startsWith(QStringLiteral("/dev/pts/")), qPrintable(path));
    QCOMPARE(QFile::symLinkTarget(link), path);

    SerialDevice device;
    QVERIFY(device.open(path, {}));
    const QByteArray select = hex("FF 05 00 00 42");
    QCOMPARE(device.write(select.constData(), select.size(), 1000), qint64(select.size()));
    QCOMPARE(sortedFrames(readExactly(device, 26), 13),
             (QList<QByteArray>{hex("FF 0D 01 00 01 01 32 32 00 00 00 00 01"),
                                hex("FF 0D 01 00 04 01 32 32 00 00 00 00 01")}));
    const QByteArray command = hex("FF 07 17 00 04 00 02");
    device.write(command.constData(), command.size(), 1000);
    QCOMPARE(readExactly(device, 7), command);

    QCOMPARE(::kill(pid_t(process.processId()), signal), 0);
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
    QVERIFY(hangsUp(device));
    const QString log = QString::fromLocal8Bit(process.readAllStandardError());
    QVERIFY2(log.contains(QStringLiteral("in   FF 05 00 00 42  studio select B")), qPrintable(log));
    QVERIFY(log.contains(QStringLiteral("out  FF 07 17 00 04 00 02  cell echo CH-03")));
}

void SimProgramTest::programRefusesBadArgumentsWithReasonAndUsage_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addRow("unknown option") << QStringList{"--bogus"};
    QTest::addRow("bad heads") << QStringList{"--heads", "A:0"};
    QTest::addRow("bad delay") << QStringList{"--delay", "9-1"};
    QTest::addRow("replug without cut") << QStringList{"--replug-after", "2"};
}

void SimProgramTest::programRefusesBadArgumentsWithReasonAndUsage() {
    QFETCH(QStringList, arguments);
    QProcess process;
    process.start(program(), arguments);
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 1);
    QVERIFY(process.readAllStandardOutput().isEmpty());
    const QStringList lines = QString::fromLocal8Bit(process.readAllStandardError()).split('\n');
    QVERIFY(lines.size() > 2);
    QVERIFY2(lines[0].startsWith(QStringLiteral("lumadesk-sim: ")), qPrintable(lines[0]));
    QVERIFY(lines[1].startsWith(QStringLiteral("Usage: ")));
}

void SimProgramTest::programPrintsHelpAndVersion() {
    QProcess help;
    help.start(program(), {"--help"});
    QVERIFY(help.waitForFinished(10000));
    QCOMPARE(help.exitCode(), 0);
    const QString text = QString::fromLocal8Bit(help.readAllStandardOutput());
    QVERIFY(text.startsWith(QStringLiteral("Usage: ")));
    QVERIFY(text.contains(QStringLiteral("--replug-after <SECONDS>")));

    QProcess version;
    version.start(program(), {"--version"});
    QVERIFY(version.waitForFinished(10000));
    QCOMPARE(version.exitCode(), 0);
    QVERIFY(version.readAllStandardOutput().startsWith("lumadesk-sim "));
}

QTEST_GUILESS_MAIN(SimProgramTest)
#include "tst_simprogram.moc"
