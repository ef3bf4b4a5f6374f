#include "sim/HeadLayout.h"
#include "sim/SimCommandLine.h"

#include <QtTest>

using namespace lumadesk;

using namespace sim;

class SimSetupTest : public QObject {
    Q_OBJECT
private slots:
    void readsHeadLists_data();
    void readsHeadLists();
    void refusesBadHeadLists_data();
    void refusesBadHeadLists();
    void defaultHeadsAreFoldedIntoRanges();
    void commandLineReadsEveryOption();
    void commandLineWithoutOptionsKeepsDefaults();
    void commandLineRefusesBadArguments_data();
    void commandLineRefusesBadArguments();
    void commandLineAsksForHelpAndVersion();
};

namespace {

// "A1 A2 B5": group letter and operator channel of every head, in order.
QString names(const QList<HeadSetup>& heads) {
    QStringList out;
    for (const HeadSetup& head : heads)
        out.append(QStringLiteral("%1%2").arg(QChar('A' + head.group)).arg(head.channel + 1));
    return out.join(QLatin1Char(' '));
}

SimCommandLine parse(const QStringList& options) {
    return ParseSimCommandLine(QStringList{QStringLiteral("lumadesk-sim")} + options);
}

} // namespace

void SimSetupTest::readsHeadLists_data() {
    QTest::addColumn<QStringList>("lists");
    QTest::addColumn<QString>("heads");
    QTest::addRow("range") << QStringList{"A:1-4"} << "A1 A2 A3 A4";
    QTest::addRow("list with channel 10") << QStringList{"C:2,5,10"} << "C2 C5 C10";
    QTest::addRow("two groups in one list") << QStringList{"A:1-4,B:1,5"} << "A1 A2 A3 A4 B1 B5";
    QTest::addRow("repeated option, sorted") << QStringList{"E:3", "B:2,1"} << "B1 B2 E3";
    QTest::addRow("lower case and spaces") << QStringList{" d : 9 - 10 , 1"} << "D1 D9 D10";
    QTest::addRow("one-channel range") << QStringList{"A:3-3"} << "A3";
}

void SimSetupTest::readsHeadLists() {
    QFETCH(QStringList, lists);
    QFETCH(QString, heads);
    QList<HeadSetup> parsed;
    QString error;
    QVERIFY2(ParseHeads(lists, parsed, error), qPrintable(error));
    QCOMPARE(names(parsed), heads);
    for (const HeadSetup& head : parsed)
        QCOMPARE(head.settings, HeadSettings{});
}

void SimSetupTest::refusesBadHeadLists_data() {
    QTest::addColumn<QStringList>("lists");
    QTest::addRow("group F") << QStringList{"F:1"};
    QTest::addRow("two letters") << QStringList{"AB:1"};
    QTest::addRow("channel 0") << QStringList{"A:0"};
    QTest::addRow("channel 11") << QStringList{"A:11"};
    QTest::addRow("backwards range") << QStringList{"A:4-1"};
    QTest::addRow("open range") << QStringList{"A:1-"};
    QTest::addRow("range of three ends") << QStringList{"A:1-2-3"};
    QTest::addRow("no channels") << QStringList{"A:"};
    QTest::addRow("no group") << QStringList{"1,2"};
    QTest::addRow("not a number") << QStringList{"A:x"};
    QTest::addRow("empty item") << QStringList{"A:1,,2"};
    QTest::addRow("head twice in a list") << QStringList{"A:1-3,2"};
    QTest::addRow("head twice across options") << QStringList{"A:1", "a:1"};
    QTest::addRow("empty") << QStringList{""};
    QTest::addRow("nothing") << QStringList{};
}

void SimSetupTest::refusesBadHeadLists() {
    QFETCH(QStringList, lists);
    QList<HeadSetup> heads = DefaultHeads();
    QString error;
    QVERIFY(!ParseHeads(lists, heads, error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!error.contains(QLatin1Char('\n')));
    QCOMPARE(heads, DefaultHeads()); // left as it was
}

void SimSetupTest::defaultHeadsAreFoldedIntoRanges() {
    QCOMPARE(names(DefaultHeads()),
             QStringLiteral("A1 A2 A3 A4 B1 B2 B5 C1 E1 E2 E3 E4 E5 E6 E7 E8 E9 E10"));
    QCOMPARE(FormatHeads(DefaultHeads()), QStringLiteral("A:1-4,B:1,2,5,C:1,E:1-10"));
    QList<HeadSetup> heads;
    QString error;
    QVERIFY(ParseHeads(FormatHeads(DefaultHeads()), heads, error));
    QCOMPARE(heads, DefaultHeads());
}

void SimSetupTest::commandLineReadsEveryOption() {
    const SimCommandLine line =
        parse({"--link", "/tmp/dongle", "--heads", "B:1,3", "--heads", "D:10", "--seed", "99",
               "--delay", "5-20", "--heat-interval", "0.5", "--noise", "0.25", "--cut-after", "3",
               "--replug-after", "1.5", "--verbose"});
    QCOMPARE(line.outcome, SimCommandLine::Run);
    const SimConfig& c = line.config;
    QCOMPARE(c.linkPath, QStringLiteral("/tmp/dongle"));
    QCOMPARE(names(c.heads), QStringLiteral("B1 B3 D10"));
    QCOMPARE(c.seed, quint64(99));
    QVERIFY(line.seedGiven);
    QCOMPARE(c.delayMin, Milliseconds(5));
    QCOMPARE(c.delayMax, Milliseconds(20));
    QCOMPARE(c.heatInterval, Milliseconds(500));
    QCOMPARE(c.noiseRate, 0.25);
    QCOMPARE(c.cutAfter, std::optional(Milliseconds(3000)));
    QCOMPARE(c.replugAfter, std::optional(Milliseconds(1500)));
    QVERIFY(line.verbose);
}

void SimSetupTest::commandLineWithoutOptionsKeepsDefaults() {
    const SimCommandLine line = parse({});
    QCOMPARE(line.outcome, SimCommandLine::Run);
    const SimConfig& c = line.config;
    QCOMPARE(c.heads, DefaultHeads());
    QCOMPARE(c.delayMin, Milliseconds(50));
    QCOMPARE(c.delayMax, Milliseconds(1500));
    QCOMPARE(c.heatInterval, Milliseconds(2000));
    QCOMPARE(c.noiseRate, 0.0);
    QVERIFY(!c.cutAfter && !c.replugAfter);
    QVERIFY(c.linkPath.isEmpty());
    QVERIFY(!line.verbose && !line.seedGiven);
}

void SimSetupTest::commandLineRefusesBadArguments_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("reason"); // part of the one-line reason
    QTest::addRow("unknown option") << QStringList{"--colour"} << "colour";
    QTest::addRow("positional argument") << QStringList{"/dev/pts/3"} << "/dev/pts/3";
    QTest::addRow("missing value") << QStringList{"--seed"} << "seed";
    QTest::addRow("bad heads") << QStringList{"--heads", "G:1"} << "--heads";
    QTest::addRow("negative seed") << QStringList{"--seed", "-1"} << "--seed";
    QTest::addRow("delay without range") << QStringList{"--delay", "50"} << "--delay";
    QTest::addRow("delay backwards") << QStringList{"--delay", "90-10"} << "--delay";
    QTest::addRow("negative delay") << QStringList{"--delay", "-5-10"} << "--delay";
    QTest::addRow("heat interval 0") << QStringList{"--heat-interval", "0"} << "--heat-interval";
    QTest::addRow("heat interval text")
        << QStringList{"--heat-interval", "soon"} << "--heat-interval";
    QTest::addRow("noise above 1") << QStringList{"--noise", "1.5"} << "--noise";
    QTest::addRow("noise not a number") << QStringList{"--noise", "nan"} << "--noise";
    QTest::addRow("negative cut") << QStringList{"--cut-after", "-1"} << "--cut-after";
    QTest::addRow("replug without cut") << QStringList{"--replug-after", "1"} << "--cut-after";
    QTest::addRow("empty link") << QStringList{"--link", ""} << "--link";
}

void SimSetupTest::commandLineRefusesBadArguments() {
    QFETCH(QStringList, options);
    QFETCH(QString, reason);
    const SimCommandLine line = parse(options);
    QCOMPARE(line.outcome, SimCommandLine::Invalid);
    QVERIFY2(line.error.contains(reason), qPrintable(line.error));
    QVERIFY(!line.error.contains(QLatin1Char('\n')));
    QVERIFY(line.helpText.contains(QStringLiteral("--heads")));
}

void SimSetupTest::commandLineAsksForHelpAndVersion() {
    QCOMPARE(parse({"--help"}).outcome, SimCommandLine::ShowHelp);
    QCOMPARE(parse({"--version"}).outcome, SimCommandLine::ShowVersion);
    const QString help = parse({"--help"}).helpText;
    for (const char* option : {"--link", "--heads", "--seed", "--delay", "--heat-interval",
                               "--noise", "--cut-after", "--replug-after", "--verbose"})
        QVERIFY2(help.contains(QLatin1String(option)), option);
}

QTEST_GUILESS_MAIN(SimSetupTest)
#include "tst_simsetup.moc"
