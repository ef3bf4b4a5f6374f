#include "SimTestSupport.h"
#include "sim/Simulator.h"
#include "support/Hex.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <mutex>

using namespace lumadesk;

using namespace sim;

class SimulatorTest : public QObject {
    Q_OBJECT
private slots:
    void headsAnnounceThemselvesAndEchoCommandsOverThePseudoTerminal();
    void trafficIsLoggedDecoded();
    void linkFollowsTheDeviceAndGoesAtStop();
    void linkReplacesWhatWasThere();
    void pullingTheDongleHangsUpTheConsole();
    void replugOpensANewDeviceAndMovesTheLink();
    void cutAndReplugTimesPullAndPlugTheDongle();
    void startsAgainAfterStop();
};

namespace {

SimConfig smallConfig(const QString& heads) {
    SimConfig config;
    QString error;
    if (!ParseHeads(heads, config.heads, error))
        qFatal("bad head list in test: %s", qPrintable(error));
    config.delayMin = Milliseconds(1);
    config.delayMax = Milliseconds(5);
    return config;
}

// Collects log lines from the simulator's thread.
struct LogLines {
    std::mutex mutex;
    QStringList lines;
    void add(const QString& line) {
        std::lock_guard lock(mutex);
        lines.append(line);
    }
    QString all() {
        std::lock_guard lock(mutex);
        return lines.join(QLatin1Char('\n'));
    }
};

const QList<QByteArray> kStatusB13{hex("FF 0D 01 00 01 01 32 32 00 00 00 00 01"),
                                   hex("FF 0D 01 00 04 01 32 32 00 00 00 00 01")};

} // namespace

void SimulatorTest::headsAnnounceThemselvesAndEchoCommandsOverThePseudoTerminal() {
    Simulator simulator(smallConfig("A:2,B:1,3"));
    QVERIFY2(simulator.start(), qPrintable(simulator.errorString()));
    QVERIFY(simulator.devicePath().startsWith(QStringLiteral("/dev/pts/")));
    SerialDevice device;
    QVERIFY(device.open(simulator.devicePath(), {}));

    const QByteArray select = hex("FF 05 00 00 42");
    QCOMPARE(device.write(select.constData(), select.size(), 1000), qint64(select.size()));
    QCOMPARE(sortedFrames(readExactly(device, 26), 13), kStatusB13);
    QCOMPARE(simulator.selectedGroup(), 1);

    const QByteArray command = hex("FF 07 13 00 04 2D 1E");
    device.write(command.constData(), command.size(), 1000);
    QCOMPARE(readExactly(device, 7), command);
    const QList<HeadState> heads = simulator.heads();
    QCOMPARE(heads.size(), 3);
    QCOMPARE(heads[2].channel, 2);
    QCOMPARE(heads[2].settings.flashLevel, quint8(45));
    QCOMPARE(heads[2].settings.modelLevel, quint8(30));
    QCOMPARE(heads[1].settings.flashLevel, quint8(50));
}

void SimulatorTest::trafficIsLoggedDecoded() {
    LogLines log;
    SimConfig config = smallConfig("B:1");
    config.log = [&log](const QString& line) { log.add(line); };
    Simulator simulator(config);
    QVERIFY(simulator.start());
    SerialDevice device;
    QVERIFY(device.open(simulator.devicePath(), {}));
    const QByteArray select = hex("FF 05 00 00 42");
    device.write(select.constData(), select.size(), 1000);
    QCOMPARE(readExactly(device, 13).size(), 13);
    const QByteArray command = hex("FF 07 17 00 01 00 02");
    device.write(command.constData(), command.size(), 1000);
    QCOMPARE(readExactly(device, 7), command);
    QTRY_VERIFY(log.all().contains(QStringLiteral("out  FF 07 17 00 01 00 02  cell echo CH-01")));
    const QString all = log.all();
    QVERIFY2(all.contains(QStringLiteral("in   FF 05 00 00 42  studio select B")), qPrintable(all));
    QVERIFY(all.contains(QStringLiteral("in   FF 07 17 00 01 00 02  cell CH-01: P1 0 P2 2")));
    QVERIFY(
        all.contains(QStringLiteral("out  FF 0D 01 00 01 01 32 32 00 00 00 00 01  status CH-01")));
}

void SimulatorTest::linkFollowsTheDeviceAndGoesAtStop() {
    QTemporaryDir dir;
    SimConfig config = smallConfig("B:1");
    config.linkPath = dir.filePath(QStringLiteral("dongle"));
    Simulator simulator(config);
    QVERIFY(simulator.start());
    QCOMPARE(QFile::symLinkTarget(config.linkPath), simulator.devicePath());

    SerialDevice device;
    QVERIFY(device.open(config.linkPath, {}));
    const QByteArray select = hex("FF 05 00 00 42");
    device.write(select.constData(), select.size(), 1000);
    QCOMPARE(readExactly(device, 13), hex("FF 0D 01 00 01 01 32 32 00 00 00 00 01"));

    simulator.stop();
    QVERIFY(!simulator.isRunning());
    QVERIFY(simulator.devicePath().isEmpty());
    QVERIFY(!QFileInfo(config.linkPath).isSymLink());
    QVERIFY(hangsUp(device));
}

void SimulatorTest::linkReplacesWhatWasThere() {
    QTemporaryDir dir;
    SimConfig config = smallConfig("B:1");
    config.linkPath = dir.filePath(QStringLiteral("dongle"));
    QFile old(config.linkPath);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.close();
    Simulator simulator(config);
    QVERIFY(simulator.start());
    QCOMPARE(QFile::symLinkTarget(config.linkPath), simulator.devicePath());
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("dongle")});
}

void SimulatorTest::pullingTheDongleHangsUpTheConsole() {
    QTemporaryDir dir;
    SimConfig config = smallConfig("B:1");
    config.linkPath = dir.filePath(QStringLiteral("dongle"));
    Simulator simulator(config);
    QVERIFY(simulator.start());
    SerialDevice device;
    QVERIFY(device.open(simulator.devicePath(), {}));
    simulator.unplug();
    QVERIFY(hangsUp(device));
    QVERIFY(simulator.devicePath().isEmpty());
    QVERIFY(!QFileInfo(config.linkPath).isSymLink());
    QVERIFY(simulator.isRunning());
}

void SimulatorTest::replugOpensANewDeviceAndMovesTheLink() {
    QTemporaryDir dir;
    LogLines plugged;
    SimConfig config = smallConfig("B:1");
    config.linkPath = dir.filePath(QStringLiteral("dongle"));
    config.deviceOpened = [&plugged](const QString& path) { plugged.add(path); };
    Simulator simulator(config);
    QVERIFY(simulator.start());
    SerialDevice first;
    QVERIFY(first.open(simulator.devicePath(), {}));
    const QByteArray select = hex("FF 05 00 00 42");
    first.write(select.constData(), select.size(), 1000);
    QCOMPARE(readExactly(first, 13).size(), 13);
    simulator.unplug();
    QVERIFY(hangsUp(first));

    simulator.replug();
    QTRY_VERIFY(!plugged.all().isEmpty());
    const QString path = plugged.all();
    QCOMPARE(simulator.devicePath(), path);
    QCOMPARE(QFile::symLinkTarget(config.linkPath), path);
    QCOMPARE(simulator.selectedGroup(), -1); // a fresh dongle has no group selected

    SerialDevice second;
    QVERIFY(second.open(config.linkPath, {}));
    second.write(select.constData(), select.size(), 1000);
    QCOMPARE(readExactly(second, 13), hex("FF 0D 01 00 01 01 32 32 00 00 00 00 01"));
}

void SimulatorTest::cutAndReplugTimesPullAndPlugTheDongle() {
    QTemporaryDir dir;
    LogLines log;
    LogLines plugged;
    SimConfig config = smallConfig("B:1");
    config.linkPath = dir.filePath(QStringLiteral("dongle"));
    config.cutAfter = Milliseconds(50);
    config.replugAfter = Milliseconds(50);
    config.log = [&log](const QString& line) { log.add(line); };
    config.deviceOpened = [&plugged](const QString& path) { plugged.add(path); };
    Simulator simulator(config);
    QVERIFY(simulator.start());
    QTRY_VERIFY(!plugged.all().isEmpty());
    QCOMPARE(QFile::symLinkTarget(config.linkPath), plugged.all());
    const QString lines = log.all();
    QVERIFY2(lines.indexOf(QStringLiteral("dongle pulled")) >= 0 &&
                 lines.indexOf(QStringLiteral("dongle pulled")) <
                     lines.indexOf(QStringLiteral("dongle plugged in at ") + plugged.all()),
             qPrintable(lines));
}

void SimulatorTest::startsAgainAfterStop() {
    Simulator simulator(smallConfig("B:1,3"));
    QVERIFY(simulator.start());
    QVERIFY(!simulator.start()); // already running
    simulator.stop();
    simulator.stop();
    QVERIFY(simulator.start());
    SerialDevice device;
    QVERIFY(device.open(simulator.devicePath(), {}));
    const QByteArray select = hex("FF 05 00 00 42");
    device.write(select.constData(), select.size(), 1000);
    QCOMPARE(sortedFrames(readExactly(device, 26), 13), kStatusB13);
}

QTEST_GUILESS_MAIN(SimulatorTest)
#include "tst_simulator.moc"
