#include "link/FrameWords.h"
#include "link/TrafficLog.h"
#include "support/Hex.h"

#include <QtTest>

using namespace lumadesk;

class TrafficLogTest : public QObject {
    Q_OBJECT
private slots:
    void describesFramesBothWays_data();
    void describesFramesBothWays();
    void keepsTheLastTenThousandAndTheirStudio();
};

void TrafficLogTest::describesFramesBothWays_data() {
    QTest::addColumn<bool>("sent");
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("words");
    const auto row = [](const char* name, bool sent, const char* bytes, const char* words) {
        QTest::newRow(name) << sent << hex(bytes) << QString::fromUtf8(words);
    };
    const char* settings = "flash 5.0, model 5.0, cell off, sound off, power on, lamp on, mode1 "
                           "free, mode2 flash-prop";
    row("studio select", true, "FF 05 00 00 43", "select Studio C");
    row("flash level", true, "FF 07 13 00 04 2D 1E", "flash 4.5 to CH-03");
    row("cell to the group", true, "FF 07 17 80 80 00 02", "cell on to group");
    row("unit settings", true, "FF 0E 01 00 04 01 32 32 00 00 00 00 01 00",
        qPrintable(QStringLiteral("settings to CH-03: %1").arg(settings)));
    row("studio levels", true,
        "FF 17 1E 2D 1E 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00",
        "studio flash levels: CH-01 4.5/3.0");
    row("status", false, "FF 0D 01 00 04 01 32 32 00 00 00 00 01",
        qPrintable(QStringLiteral("status CH-03: %1").arg(settings)));
    row("two heads", false, "FF 07 3A 01 04 00 28", "heat CH-03,CH-06: 40");
    row("level out of range", false, "FF 07 14 00 04 2D 05", "echo CH-03: model out of range (5)");
    row("charge", false, "FF 07 61 01 00 00 01", "charge CH-06: ready");
    row("test echo", false, "FF 07 6B 00 04 00 00", "test flash echo CH-03");
    row("levels echo", false,
        "FF 17 1F 00 00 2D 1E 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00",
        "model levels echo: CH-02 4.5/3.0");
    row("group only", false, "FF 07 3A 80 80 00 28", "heat for group, ignored");
    row("empty kind", false, "FF 04 02 00", "report without content, ignored");
}

void TrafficLogTest::describesFramesBothWays() {
    QFETCH(bool, sent);
    QFETCH(QByteArray, frame);
    QFETCH(QString, words);
    FrameWords reader;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(frame.constData());
    QCOMPARE(reader.describe(sent ? TrafficDirection::Sent : TrafficDirection::Received, bytes,
                             int(frame.size())),
             words);
}

void TrafficLogTest::keepsTheLastTenThousandAndTheirStudio() {
    TrafficLog log;
    QByteArray frame = hex("FF 05 00 00 42"); // Studio B
    log.record(TrafficDirection::Sent, reinterpret_cast<const std::uint8_t*>(frame.constData()), 5);
    frame = hex("FF 07 3A 00 04 00 00");
    for (int n = 1; n <= TrafficLog::kCapacity + 4; ++n) {
        frame[5] = char(n >> 8);
        frame[6] = char(n & 0xFF);
        log.record(TrafficDirection::Received,
                   reinterpret_cast<const std::uint8_t*>(frame.constData()), 7);
    }
    QCOMPARE(log.end(), quint64(TrafficLog::kCapacity + 5));
    QCOMPARE(log.first(), quint64(5)); // the select and the first four reports are gone
    const TrafficFrame& oldest = log.at(log.first());
    QCOMPARE(oldest.bytes[5] << 8 | oldest.bytes[6], 5);
    QCOMPARE(int(oldest.studio), 1);

    log.setPaused(true);
    log.record(TrafficDirection::Received, oldest.bytes.data(), 7);
    QCOMPARE(log.end(), quint64(TrafficLog::kCapacity + 5));
    log.clear();
    QCOMPARE(log.first(), log.end());
}

QTEST_GUILESS_MAIN(TrafficLogTest)
#include "tst_trafficlog.moc"
