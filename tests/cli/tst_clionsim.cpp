#include "CliTestSupport.h"
#include "sim/Simulator.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QtTest>
#include <mutex>

using namespace lumadesk;

namespace {

// The simulated dongle, with the frames the tool sent it as hex text in arrival order.
class RecordingDongle {
public:
    explicit RecordingDongle(const QString& heads,
                             const std::function<void(sim::HeadSetup&)>& shape = {},
                             const QString& deaf = {}) {
        sim::SimConfig config;
        QString error;
        if (!sim::ParseHeads(heads, config.heads, error) ||
            (!deaf.isEmpty() &&
             !sim::ParseDeafHeads({deaf}, config.heads, config.deafHeads, error)))
            qFatal("bad heads %s", qPrintable(error));
        if (shape) {
            for (sim::HeadSetup& head : config.heads)
                shape(head);
        }
        config.delayMin = std::chrono::milliseconds(5);
        config.delayMax = std::chrono::milliseconds(40);
        config.log = [this](const QString& line) {
            const qsizetype at = line.indexOf(QLatin1String(" in   "));
            if (at < 0)
                return;
            const std::lock_guard lock(m_mutex);
            m_in.append(line.mid(at + 6).section(QStringLiteral("  "), 0, 0));
        };
        m_simulator = std::make_unique<sim::Simulator>(config);
        m_started = m_simulator->start();
    }
    bool started() const { return m_started; }
    QString path() const { return m_simulator->devicePath(); }
    QList<sim::HeadState> heads() const { return m_simulator->heads(); }
    void unplug() { m_simulator->unplug(); }
    QStringList commandsIn() const {
        const std::lock_guard lock(m_mutex);
        return m_in;
    }

private:
    mutable std::mutex m_mutex;
    QStringList m_in;
    std::unique_ptr<sim::Simulator> m_simulator;
    bool m_started = false;
};

QJsonArray unitsOf(const QByteArray& document) {
    return jsonObject(document).value(QStringLiteral("units")).toArray();
}

const sim::HeadState* headOn(const QList<sim::HeadState>& heads, int group, int channel) {
    for (const sim::HeadState& head : heads) {
        if (head.group == group && head.channel == channel)
            return &head;
    }
    return nullptr;
}

} // namespace

class CliOnSimTest : public QObject {
    Q_OBJECT
private slots:
    void scanListsExactlyTheHeadsOfTheGroup_data();
    void scanListsExactlyTheHeadsOfTheGroup();
    void setPutsTheCommandOnTheWireAndExitsOnTheEcho_data();
    void setPutsTheCommandOnTheWireAndExitsOnTheEcho();
    void savedSetUpShowsAndAppliesToAnotherStudio();
    void deafHeadMakesSetAndApplyExitThree();
    void monitorExitsTwoWhenTheDongleIsPulled();
};

void CliOnSimTest::scanListsExactlyTheHeadsOfTheGroup_data() {
    QTest::addColumn<QString>("studio");
    QTest::addColumn<bool>("portFromOptionFile");
    QTest::addColumn<QString>("studioName");
    QTest::addColumn<QList<int>>("channels");
    QTest::addColumn<int>("exitCode");
    QTest::addRow("letter, --port") << "A" << false << "Studio A" << QList<int>{0, 2, 9} << 0;
    QTest::addRow("studio name, port of Option.xml")
        << "Studio B" << true << "Studio B" << QList<int>{1} << 0;
    QTest::addRow("group without heads") << "c" << false << "Studio C" << QList<int>{} << 3;
}

void CliOnSimTest::scanListsExactlyTheHeadsOfTheGroup() {
    QFETCH(QString, studio);
    QFETCH(bool, portFromOptionFile);
    QFETCH(QString, studioName);
    QFETCH(QList<int>, channels);
    QFETCH(int, exitCode);
    // Each head tells its channel through its flash level, so a mixed-up unit shows.
    RecordingDongle dongle(QStringLiteral("A:1,3,10,B:2,D:1"), [](sim::HeadSetup& head) {
        head.settings.flashLevel = quint8(11 + head.channel);
    });
    QVERIFY(dongle.started());
    QTemporaryDir dir;
    QStringList arguments{"--json", "scan", studio, "--wait", "0.5"};
    if (portFromOptionFile) {
        QFile option(dir.filePath(QStringLiteral("Option.xml")));
        QVERIFY(option.open(QIODevice::WriteOnly));
        option.write(
            "<?xml version='1.0' encoding='utf-8'?>\n<Option>\n\t<ComSet>\n\t\t<sComPort>" +
            dongle.path().toUtf8() +
            "</sComPort>\n\t\t<nBaud>19200</nBaud>\n\t</ComSet>\n"
            "</Option>");
    } else {
        arguments = QStringList{"--port", dongle.path()} + arguments;
    }

    const CliRun run = runCli(arguments, dir.path());
    QVERIFY2(run.finished, describe(run));
    QCOMPARE(run.exitCode, exitCode);
    const QJsonObject document = jsonObject(run.out);
    QCOMPARE(document.value(QStringLiteral("studio")).toString(), studioName);
    const QJsonArray units = document.value(QStringLiteral("units")).toArray();
    QCOMPARE(units.size(), channels.size());
    const QStringList members{"nChNum",      "sChName",     "sModelName",   "nFlashValue",
                              "bFlashCell",  "bFlashSnd",   "bFlashCharge", "bFlashPow",
                              "nModelValue", "nModelMode1", "nModelMode2",  "bModelPow",
                              "nHeatLevel"};
    for (qsizetype i = 0; i < units.size(); ++i) {
        const QJsonObject unit = units.at(i).toObject();
        const QStringList keys = unit.keys();
        QCOMPARE(QSet<QString>(keys.begin(), keys.end()),
                 QSet<QString>(members.begin(), members.end()));
        QCOMPARE(unit.value(QStringLiteral("nChNum")).toInt(), channels.at(i));
        QCOMPARE(unit.value(QStringLiteral("sChName")).toString(),
                 QStringLiteral("CH-%1").arg(channels.at(i) + 1, 2, 10, QLatin1Char('0')));
        QCOMPARE(unit.value(QStringLiteral("nFlashValue")).toInt(), 11 + channels.at(i));
    }
    if (exitCode != 0)
        QVERIFY2(run.err.contains("no head of " + studioName.toUtf8()), run.err);
}

void CliOnSimTest::setPutsTheCommandOnTheWireAndExitsOnTheEcho_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QString>("member");
    QTest::addColumn<int>("shown");
    QTest::addColumn<int>("flashes");
    // The head is on CH-02 of group A with flash and model at 5.0.
    QTest::addRow("flash") << QStringList{"A", "CH-02", "flash", "4.5"} << "FF 07 13 00 02 2D 32"
                           << "nFlashValue" << 45 << 0;
    QTest::addRow("model") << QStringList{"Studio A", "2", "model", "2"} << "FF 07 14 00 02 32 14"
                           << "nModelValue" << 20 << 0;
    QTest::addRow("cell") << QStringList{"a", "ch-02", "cell", "on"} << "FF 07 17 00 02 00 02"
                          << "bFlashCell" << 1 << 0;
    QTest::addRow("sound") << QStringList{"A", "CH-02", "sound", "on"} << "FF 07 18 00 02 00 04"
                           << "bFlashSnd" << 1 << 0;
    QTest::addRow("power") << QStringList{"A", "CH-02", "power", "off"} << "FF 07 1D 00 02 00 00"
                           << "bFlashPow" << 0 << 0;
    QTest::addRow("lamp") << QStringList{"A", "CH-02", "lamp", "off"} << "FF 07 1C 00 02 00 00"
                          << "bModelPow" << 0 << 0;
    QTest::addRow("mode1") << QStringList{"A", "CH-02", "mode1", "prop"} << "FF 07 15 00 02 00 08"
                           << "nModelMode1" << 1 << 0;
    QTest::addRow("mode2") << QStringList{"A", "CH-02", "mode2", "continuous"}
                           << "FF 07 16 00 02 00 10"
                           << "nModelMode2" << 1 << 0;
    QTest::addRow("test") << QStringList{"A", "CH-02", "test"} << "FF 07 1B 00 02 00 00"
                          << QString() << 0 << 1;
}

void CliOnSimTest::setPutsTheCommandOnTheWireAndExitsOnTheEcho() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, frame);
    QFETCH(QString, member);
    QFETCH(int, shown);
    QFETCH(int, flashes);
    RecordingDongle dongle(QStringLiteral("A:1,2,B:2"));
    QVERIFY(dongle.started());

    const CliRun run = runCli(QStringList{"--port", dongle.path(), "--json", "set"} + arguments);
    QVERIFY2(run.finished, describe(run));
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(dongle.commandsIn(), (QStringList{"FF 05 00 00 41", frame}));
    const QJsonArray units = unitsOf(run.out);
    QCOMPARE(units.size(), 1);
    QCOMPARE(units.at(0).toObject().value(QStringLiteral("sChName")).toString(),
             QStringLiteral("CH-02"));
    if (!member.isEmpty())
        QCOMPARE(units.at(0).toObject().value(member).toInt(), shown);
    const QList<sim::HeadState> heads = dongle.heads();
    QCOMPARE(headOn(heads, 0, 1)->flashes, flashes);
    QCOMPARE(headOn(heads, 0, 0)->settings, sim::HeadSettings{}); // its neighbour heard nothing
}

void CliOnSimTest::savedSetUpShowsAndAppliesToAnotherStudio() {
    // Group A holds the set-up to keep; group B is at the simulator's defaults.
    RecordingDongle dongle(QStringLiteral("A:1,3,B:1,3,4"), [](sim::HeadSetup& head) {
        if (head.group != 0)
            return;
        if (head.channel == 0) {
            head.settings.flashLevel = 30;
            head.settings.cell = 1;
        } else {
            head.settings.modelPower = 0;
        }
    });
    QVERIFY(dongle.started());
    QTemporaryDir dir;
    const QStringList port{"--port", dongle.path(), "--json"};

    const CliRun saved =
        runCli(port + QStringList{"save", "A", "shoot", "--wait", "0.5"}, dir.path());
    QVERIFY2(saved.finished, describe(saved));
    QCOMPARE(saved.exitCode, 0);
    QCOMPARE(jsonObject(saved.out).value(QStringLiteral("file")).toString(),
             QStringLiteral("Business Memory/shoot.xml"));
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("Business Memory/shoot.xml"))));

    const CliRun shown = runCli({"show", "shoot"}, dir.path());
    QVERIFY2(shown.finished, describe(shown));
    QCOMPARE(shown.exitCode, 0);
    QCOMPARE(shown.out, QByteArray("File info :\nCH-01 Flash 3.0 Model 5.0\n"
                                   "CH-03 Flash 5.0 Model OFF\n"));

    const CliRun applied =
        runCli(port + QStringList{"apply", "shoot", "B", "--wait", "0.5"}, dir.path());
    QVERIFY2(applied.finished, describe(applied));
    QCOMPARE(applied.exitCode, 0);
    // One settings frame per head found, in slot order; CH-04 is not in the file and keeps its
    // values, but gets its frame all the same.
    const QStringList in = dongle.commandsIn();
    QCOMPARE(in.mid(in.size() - 4),
             (QStringList{"FF 05 00 00 42", "FF 0E 01 00 01 01 1E 32 01 00 00 00 01 00",
                          "FF 0E 01 00 04 01 32 32 00 00 00 00 00 00",
                          "FF 0E 01 00 08 01 32 32 00 00 00 00 01 00"}));
    const QJsonArray units = unitsOf(applied.out);
    QCOMPARE(units.size(), 3);
    QCOMPARE(units.at(0).toObject().value(QStringLiteral("nFlashValue")).toInt(), 30);
    QCOMPARE(units.at(0).toObject().value(QStringLiteral("bFlashCell")).toInt(), 1);
    QCOMPARE(units.at(1).toObject().value(QStringLiteral("bModelPow")).toInt(), 0);
    QCOMPARE(units.at(2).toObject().value(QStringLiteral("nFlashValue")).toInt(), 50);
    const QList<sim::HeadState> heads = dongle.heads();
    QCOMPARE(headOn(heads, 1, 0)->settings.flashLevel, quint8(30));
    QCOMPARE(headOn(heads, 1, 2)->settings.modelPower, quint8(0));
}

void CliOnSimTest::deafHeadMakesSetAndApplyExitThree() {
    RecordingDongle dongle(QStringLiteral("A:1,3"), {}, QStringLiteral("A:3"));
    QVERIFY(dongle.started());
    QTemporaryDir dir;
    const QStringList port{"--port", dongle.path()};
    const struct {
        QStringList arguments;
        int exitCode;
        QByteArray complaint;
    } runs[] = {
        {{"set", "A", "CH-01", "flash", "4.5"}, 0, {}},
        {{"set", "A", "CH-03", "flash", "4.5"}, 3, "no echo from CH-03 of Studio A"},
        {{"save", "A", "shoot"}, 0, {}},
        {{"apply", "shoot", "A"}, 3, "no answer from CH-03 of Studio A"},
    };
    for (const auto& step : runs) {
        const CliRun run = runCli(port + step.arguments + QStringList{"--wait", "0.5"}, dir.path());
        QVERIFY2(run.finished, describe(run));
        QCOMPARE(run.exitCode, step.exitCode);
        QVERIFY2(run.err.contains(step.complaint), run.err);
    }
}

void CliOnSimTest::monitorExitsTwoWhenTheDongleIsPulled() {
    RecordingDongle dongle(QStringLiteral("A:1"));
    QVERIFY(dongle.started());
    const auto cli = startCli({"--port", dongle.path(), "monitor"});
    QVERIFY(readUntilLines(*cli, QProcess::StandardError, 1).contains("monitoring"));

    dongle.unplug();
    const CliRun run = finishCli(*cli);
    QVERIFY2(run.finished, describe(run));
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains("was lost"), run.err);
}

QTEST_GUILESS_MAIN(CliOnSimTest)
#include "tst_clionsim.moc"
