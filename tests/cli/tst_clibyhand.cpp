#include "CliTestSupport.h"
#include "platform/PseudoTerminal.h"
#include "platform/SerialDevice.h"
#include "support/Hex.h"

#include <QFile>
#include <QJsonArray>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace lumadesk;

namespace {

// The head on CH-02 reports flash and model 5.0, power and lamp on, everything else off.
const char kStatusOfChannel2[] = "FF 0D 01 00 02 01 32 32 00 00 00 00 01";

} // namespace

class CliByHandTest : public QObject {
    Q_OBJECT
private slots:
    void setExitsThreeWithoutAConfirmingEcho_data();
    void setExitsThreeWithoutAConfirmingEcho();
    void monitorPrintsOneJsonLinePerEventAndEndsCleanly_data();
    void monitorPrintsOneJsonLinePerEventAndEndsCleanly();
    void usageErrorsGiveReasonAndUsage_data();
    void usageErrorsGiveReasonAndUsage();
    void portAndFileFailuresHaveTheirOwnExitCodes_data();
    void portAndFileFailuresHaveTheirOwnExitCodes();
    void saysWhenAnotherProgramHoldsThePort();
    void helpIsThereForTheToolAndEveryCommand_data();
    void helpIsThereForTheToolAndEveryCommand();
};

void CliByHandTest::setExitsThreeWithoutAConfirmingEcho_data() {
    QTest::addColumn<QStringList>("setting");
    QTest::addColumn<bool>("headAnswers");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("echo"); // empty: none
    QTest::addColumn<QString>("member");
    QTest::addColumn<int>("shown");
    QTest::addColumn<QByteArray>("complaint");
    QTest::addRow("no head") << QStringList{"flash", "4.5"} << false << QByteArray() << QByteArray()
                             << QString() << 0
                             << QByteArray("no head on CH-02 of Studio A answered");
    // Without an echo the unit shows what the head last said, not the wish.
    QTest::addRow("no echo") << QStringList{"flash", "4.5"} << true << hex("FF 07 13 00 02 2D 32")
                             << QByteArray() << "nFlashValue" << 50
                             << QByteArray("no echo from CH-02 of Studio A");
    QTest::addRow("head clamps the level")
        << QStringList{"flash", "8.1"} << true << hex("FF 07 13 00 02 51 32")
        << hex("FF 07 13 00 02 3C 32") << "nFlashValue" << 60
        << QByteArray("took flash 6.0, not 8.1");
    QTest::addRow("echoed level out of range")
        << QStringList{"model", "2.0"} << true << hex("FF 07 14 00 02 32 14")
        << hex("FF 07 14 00 02 32 00") << "nModelValue" << 50 << QByteArray("out of range");
    QTest::addRow("switch echo says otherwise")
        << QStringList{"cell", "on"} << true << hex("FF 07 17 00 02 00 02")
        << hex("FF 07 17 00 02 00 00") << "bFlashCell" << 0 << QByteArray("took cell off, not on");
}

void CliByHandTest::setExitsThreeWithoutAConfirmingEcho() {
    QFETCH(QStringList, setting);
    QFETCH(bool, headAnswers);
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, echo);
    QFETCH(QString, member);
    QFETCH(int, shown);
    QFETCH(QByteArray, complaint);
    PseudoTerminal dongle;
    QVERIFY(dongle.open(true));
    const auto cli =
        startCli(QStringList{"--port", dongle.devicePath(), "--json", "set", "A", "CH-02"} +
                 setting + QStringList{"--wait", headAnswers ? "20" : "0.3"});

    QCOMPARE(dongle.readExactly(5, 10000), hex("FF 05 00 00 41"));
    if (headAnswers) {
        QVERIFY(dongle.writeAll(hex(kStatusOfChannel2)));
        QCOMPARE(dongle.readExactly(7, 10000), command);
        if (!echo.isEmpty())
            QVERIFY(dongle.writeAll(echo));
    }
    const CliRun run = finishCli(*cli);
    QVERIFY2(run.finished, describe(run));
    QCOMPARE(run.exitCode, 3);
    QVERIFY2(run.err.contains(complaint), run.err);
    QCOMPARE(dongle.readFor(0), QByteArray()); // nothing else went out
    if (member.isEmpty()) {
        QCOMPARE(run.out, QByteArray());
    } else {
        const QJsonArray units = jsonObject(run.out).value(QStringLiteral("units")).toArray();
        QCOMPARE(units.size(), 1);
        QCOMPARE(units.at(0).toObject().value(member).toInt(), shown);
    }
}

void CliByHandTest::monitorPrintsOneJsonLinePerEventAndEndsCleanly_data() {
    QTest::addColumn<bool>("byPipe");
    QTest::addRow("SIGINT") << false;
    QTest::addRow("reader of the pipe leaves") << true;
}

void CliByHandTest::monitorPrintsOneJsonLinePerEventAndEndsCleanly() {
    QFETCH(bool, byPipe);
    PseudoTerminal dongle;
    QVERIFY(dongle.open());
    // Held like the simulator holds it: a tool that died with the port open would leave the
    // terminal exclusive for everyone after it.
    const int held = ::open(QFile::encodeName(dongle.devicePath()).constData(), O_RDWR | O_NOCTTY);
    QVERIFY(held >= 0);
    const auto closeHeld = qScopeGuard([held] { ::close(held); });
    // `head` reads the seven lines and leaves, as a script's reader does.
    QProcess head;
    const auto cli = startCli({"--port", dongle.devicePath(), "--json", "monitor"}, {},
                              byPipe ? &head : nullptr);
    if (byPipe)
        head.start(QStringLiteral("head"), {"-n", "7"});
    QProcess& reader = byPipe ? head : *cli;
    // The port is open (and purged) once this line is out.
    QVERIFY(readUntilLines(*cli, QProcess::StandardError, 1).contains("monitoring"));

    QVERIFY(dongle.writeAll(hex("FF 0D 01 00 04 01 2D 1E 01 00 01 00 01" // status CH-03
                                "FF 06 45 00 01 00"                      // rejected kind
                                "FF 07 1D 01 01 00 01"                   // power, CH-01 + CH-06
                                "FF 07 61 00 02 00 01"                   // charged, CH-02
                                "FF 07 6B 00 02 00 00"                   // test echo, CH-02
                                "FF 07 3A 10 00 00 4B"                   // heat 75, CH-10
                                "FF 17 1F 14 1E 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
                                "51 0B"))); // model levels: CH-01 and CH-10 only
    const QByteArray out = readUntilLines(reader, QProcess::StandardOutput, 7);
    const QList<QByteArray> lines = out.trimmed().split('\n');
    const char* const expected[] = {
        R"({"event":"status","type":1,"channel":2,"value":{"nFlashValue":45,"bFlashCell":1,
            "bFlashSnd":0,"bFlashPow":1,"nModelValue":30,"nModelMode1":1,"nModelMode2":0,
            "bModelPow":1}})",
        R"({"event":"setting","type":13,"channel":0,"value":1})",
        R"({"event":"setting","type":13,"channel":5,"value":1})",
        R"({"event":"charge","type":1,"channel":1,"value":1})",
        R"({"event":"charge","type":11,"channel":1,"value":0})",
        R"({"event":"heat","type":10,"channel":9,"value":75})",
        R"({"event":"levels","type":15,"channel":0,"value":[[20,30],[0,0],[0,0],[0,0],[0,0],
            [0,0],[0,0],[0,0],[0,0],[81,11]]})",
    };
    QCOMPARE(lines.size(), qsizetype(std::size(expected)));
    for (qsizetype i = 0; i < lines.size(); ++i)
        QCOMPARE(jsonObject(lines.at(i)), jsonObject(expected[i]));

    if (byPipe) {
        QVERIFY(head.waitForFinished(10000));
        QVERIFY(dongle.writeAll(hex("FF 07 3A 10 00 00 4C"))); // its line meets a closed pipe
    } else {
        QCOMPARE(::kill(pid_t(cli->processId()), SIGINT), 0);
    }
    const CliRun run = finishCli(*cli);
    QVERIFY2(run.finished, describe(run));
    QCOMPARE(run.exitCode, 0);
    int exclusive = -1;
    QCOMPARE(::ioctl(held, TIOCGEXCL, &exclusive), 0);
    QCOMPARE(exclusive, 0);
}

void CliByHandTest::usageErrorsGiveReasonAndUsage_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("reason");
    QTest::addRow("no command") << QStringList{} << QByteArray("no command given");
    QTest::addRow("unknown command") << QStringList{"blink"} << QByteArray("unknown command");
    QTest::addRow("unknown option")
        << QStringList{"scan", "A", "--loud"} << QByteArray("Unknown option 'loud'");
    QTest::addRow("studio F") << QStringList{"scan", "F"} << QByteArray("no studio \"F\"");
    QTest::addRow("channel 11") << QStringList{"set", "A", "11", "cell", "on"}
                                << QByteArray("no channel \"11\"");
    QTest::addRow("level above 8.1")
        << QStringList{"set", "A", "1", "flash", "8.2"} << QByteArray("level 1.1..8.1");
    QTest::addRow("level in hundredths")
        << QStringList{"set", "A", "1", "model", "4.55"} << QByteArray("level 1.1..8.1");
    QTest::addRow("switch word") << QStringList{"set", "A", "1", "mode2", "on"}
                                 << QByteArray("mode2 is continuous or flash-prop");
    QTest::addRow("test with a value")
        << QStringList{"set", "A", "1", "test", "on"} << QByteArray("test takes no value");
    QTest::addRow("baud 0") << QStringList{"--baud", "0", "monitor"} << QByteArray("--baud");
    QTest::addRow("no wait") << QStringList{"save", "A", "x", "--wait", "0"}
                             << QByteArray("--wait");
    QTest::addRow("name leaving the folder")
        << QStringList{"show", "../x"} << QByteArray("set-up name");
    QTest::addRow("wait above a day") << QStringList{"scan", "A", "--wait", "86401"}
                                      << QByteArray("--wait allows at most 86400 seconds");
    QTest::addRow("duration above a day") << QStringList{"monitor", "--duration", "1e9"}
                                          << QByteArray("--duration allows at most 86400");
    QTest::addRow("negative channel")
        << QStringList{"set", "A", "-1", "cell", "on"} << QByteArray("no channel \"-1\"");
    QTest::addRow("negative level")
        << QStringList{"set", "A", "1", "flash", "-2"} << QByteArray("not \"-2\"");
    // Without a value, with another option for one, or empty: the same refusal.
    QTest::addRow("port last") << QStringList{"monitor", "--port"}
                               << QByteArray("--port needs a name");
    QTest::addRow("port before an option")
        << QStringList{"--port", "--json", "monitor"} << QByteArray("--port needs a name");
    QTest::addRow("port empty") << QStringList{"--port=", "monitor"}
                                << QByteArray("--port needs a name");
    QTest::addRow("wait before an option") << QStringList{"scan", "A", "--wait", "--json"}
                                           << QByteArray("--wait needs seconds above 0");
}

void CliByHandTest::usageErrorsGiveReasonAndUsage() {
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, reason);
    const CliRun run = runCli(arguments);
    QVERIFY2(run.finished, describe(run));
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out, QByteArray());
    const QList<QByteArray> lines = run.err.trimmed().split('\n');
    QVERIFY2(lines.size() >= 2, run.err);
    QVERIFY2(lines.at(0).startsWith("lumadesk-cli: ") && lines.at(0).contains(reason), run.err);
    QVERIFY2(lines.at(1).startsWith("Usage: lumadesk-cli "), run.err);
}

void CliByHandTest::portAndFileFailuresHaveTheirOwnExitCodes_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("message");
    QTest::addRow("port cannot be opened")
        << QStringList{"--port", "/dev/lumadesk-no-such-port", "scan", "A"} << 2
        << QByteArray("lumadesk-cli: cannot open port /dev/lumadesk-no-such-port "
                      "(/dev/lumadesk-no-such-port) at 9600 baud: does not exist (is the dongle "
                      "plugged in?)\n");
    QTest::addRow("set-up cannot be read")
        << QStringList{"show", "nothing"} << 4 << QByteArray("Fail to open file\n");
    // The set-up is read before the port is touched.
    QTest::addRow("set-up to apply cannot be read")
        << QStringList{"--port", "/dev/lumadesk-no-such-port", "apply", "nothing", "A"} << 4
        << QByteArray("Fail to open file\n");
    // Also before the port is touched: no file system takes a name of 300 bytes.
    QTest::addRow("set-up name too long")
        << QStringList{"--port", "/dev/lumadesk-no-such-port", "save", "A", QString(300, u'n')} << 4
        << QByteArray("Fail to save file\nlumadesk-cli: name too long (304 bytes");
    QTest::addRow("set-up name that shows reversed")
        << QStringList{"--port", "/dev/lumadesk-no-such-port", "save", "A",
                       QString::fromUtf8("key\u202Elmx")}
        << 4
        << QByteArray("Fail to save file\nlumadesk-cli: The name holds an invisible or "
                      "text-direction control character (U+202E)");
}

void CliByHandTest::portAndFileFailuresHaveTheirOwnExitCodes() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, message);
    QTemporaryDir dir;
    const CliRun run = runCli(arguments, dir.path());
    QVERIFY2(run.finished, describe(run));
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.startsWith(message), run.err);
    QCOMPARE(run.out, QByteArray());
}

void CliByHandTest::saysWhenAnotherProgramHoldsThePort() {
    PseudoTerminal dongle;
    QVERIFY(dongle.open());
    SerialDevice holder;
    QVERIFY(holder.open(dongle.devicePath(), {}));
    QTemporaryDir dir;
    const CliRun run = runCli({"--port", dongle.devicePath(), "scan", "A"}, dir.path());
    QVERIFY2(run.finished, describe(run));
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.err, "lumadesk-cli: cannot open port " + dongle.devicePath().toLocal8Bit() + " (" +
                          dongle.devicePath().toLocal8Bit() +
                          ") at 9600 baud: is held by another program\n");
}

void CliByHandTest::helpIsThereForTheToolAndEveryCommand_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("synopsis");
    QTest::addRow("tool") << QStringList{"--help"} << QByteArray("COMMAND [ARGS]");
    QTest::addRow("ports") << QStringList{"ports", "--help"} << QByteArray(" ports\n");
    QTest::addRow("scan") << QStringList{"scan", "-h"} << QByteArray("scan STUDIO [--wait");
    QTest::addRow("set") << QStringList{"set", "--help"}
                         << QByteArray("set STUDIO CHANNEL SETTING [VALUE]");
    QTest::addRow("monitor") << QStringList{"monitor", "--help"}
                             << QByteArray("monitor [--duration SECONDS]");
    QTest::addRow("save") << QStringList{"save", "--help"} << QByteArray("save STUDIO NAME");
    QTest::addRow("show") << QStringList{"show", "--help"} << QByteArray("show NAME");
    QTest::addRow("apply") << QStringList{"apply", "--help"} << QByteArray("apply NAME STUDIO");
}

void CliByHandTest::helpIsThereForTheToolAndEveryCommand() {
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, synopsis);
    const CliRun run = runCli(arguments);
    QVERIFY2(run.finished, describe(run));
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.startsWith("Usage: lumadesk-cli ") && run.out.contains(synopsis), run.out);
}

QTEST_GUILESS_MAIN(CliByHandTest)
#include "tst_clibyhand.moc"
