#include "link/CCommThread.h"
#include "link/CZbProtocol.h"
#include "link/ChannelMask.h"
#include "link/CommandFrames.h"
#include "model/StudioModel.h"
#include "platform/PseudoTerminal.h"
#include "support/Hex.h"

#include "support/PortOnPty.h"

#include <QtTest>
#include <memory>

using namespace lumadesk;

// Frames are compared as hex strings: "ff0717000800 02".
class CommandFramesTest : public QObject {
    Q_OBJECT
private slots:
    void masksFollowChannelTable_data();
    void masksFollowChannelTable();
    void channelFromMaskFindsLowestChannel_data();
    void channelFromMaskFindsLowestChannel();
    void buildsUnitCommandFrames_data();
    void buildsUnitCommandFrames();
    void buildsStudioSelectFrames();
    void buildsUnitSettingsFromStoredValues();
    void buildsStudioLevelsWithZeroPairsForEmptySlots();
    void bytesStayInTheirFieldsWhateverTheRecordHolds();
    void sendersWriteEachFrameWithOneWriteOverPseudoTerminal();
    void sendersRefuseAbsentRecordOrStudio();
};

namespace {

std::unique_ptr<StrobeData> unitOn(int channel) {
    auto unit = std::make_unique<StrobeData>();
    unit->nChNum = channel;
    return unit;
}

} // namespace

void CommandFramesTest::masksFollowChannelTable_data() {
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("mask");
    QTest::newRow("0") << 0 << 0x0001;
    QTest::newRow("4") << 4 << 0x0010;
    QTest::newRow("5") << 5 << 0x0100;
    QTest::newRow("9") << 9 << 0x1000;
    QTest::newRow("group 11") << 11 << 0x8080;
    QTest::newRow("10") << 10 << 0;
    QTest::newRow("12") << 12 << 0;
    QTest::newRow("negative") << -1 << 0;
}

void CommandFramesTest::masksFollowChannelTable() {
    QFETCH(int, channel);
    QFETCH(int, mask);
    QCOMPARE(int(MaskFromChannel(channel)), mask);
}

void CommandFramesTest::channelFromMaskFindsLowestChannel_data() {
    QTest::addColumn<int>("mask");
    QTest::addColumn<int>("channel");
    QTest::newRow("empty") << 0x0000 << -1;
    QTest::newRow("bit 7 only") << 0x0080 << 11;
    QTest::newRow("group") << 0x8080 << 11;
    QTest::newRow("bit 0 with group") << 0x8081 << 0;
    QTest::newRow("channel 9") << 0x1000 << 9;
    QTest::newRow("channels 0, 2, 5") << 0x0105 << 0;
    QTest::newRow("channels 5 and 9") << 0x1100 << 5;
    QTest::newRow("ignored bits 5, 6, 13, 14") << 0x6060 << -1;
}

void CommandFramesTest::channelFromMaskFindsLowestChannel() {
    QFETCH(int, mask);
    QFETCH(int, channel);
    QCOMPARE(ChannelFromMask(std::uint16_t(mask)), channel);
}

void CommandFramesTest::buildsUnitCommandFrames_data() {
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("mask");
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("frame");
    // The record: flash 45, model 30, cell on, sound on, mode 1 and 2 set, both powers off.
    QTest::newRow("cell on channel 3") << 3 << 0 << 7 << hex("ff 07 17 00 08 00 02");
    QTest::newRow("flash level channel 7") << 7 << 0 << 3 << hex("ff 07 13 04 00 2d 1e");
    QTest::newRow("model level carries both") << 0 << 0 << 4 << hex("ff 07 14 00 01 2d 1e");
    QTest::newRow("mode 1") << 1 << 0 << 5 << hex("ff 07 15 00 02 00 08");
    QTest::newRow("mode 2") << 2 << 0 << 6 << hex("ff 07 16 00 04 00 10");
    QTest::newRow("sound") << 4 << 0 << 8 << hex("ff 07 18 00 10 00 04");
    QTest::newRow("test") << 5 << 0 << 11 << hex("ff 07 1b 01 00 00 00");
    QTest::newRow("lamp off") << 6 << 0 << 12 << hex("ff 07 1c 02 00 00 00");
    QTest::newRow("power off to 0, 2, 5") << 3 << 0x0105 << 13 << hex("ff 07 1d 01 05 00 00");
    QTest::newRow("group channel 11") << 11 << 0 << 7 << hex("ff 07 17 80 80 00 02");
    QTest::newRow("channel 10 addresses nobody") << 10 << 0 << 7 << hex("ff 07 17 00 00 00 02");
    QTest::newRow("type 9 builds nothing") << 3 << 0 << 9 << QByteArray();
    QTest::newRow("type 10 builds nothing") << 3 << 0 << 10 << QByteArray();
    QTest::newRow("type 14 builds nothing") << 3 << 0 << 14 << QByteArray();
}

void CommandFramesTest::buildsUnitCommandFrames() {
    QFETCH(int, channel);
    QFETCH(int, mask);
    QFETCH(int, type);
    QFETCH(QByteArray, frame);
    auto unit = unitOn(channel);
    unit->nFlashValue = 45;
    unit->nModelValue = 30;
    unit->bFlashCell = 1;
    unit->bFlashSnd = 7; // any non-zero value is on
    unit->nModelMode1 = 1;
    unit->nModelMode2 = 1;
    unit->bFlashPow = 0;
    unit->bModelPow = 0;
    QCOMPARE(BuildUnitCommand(std::uint16_t(mask), *unit, type).toHex(' '), frame.toHex(' '));
}

void CommandFramesTest::buildsStudioSelectFrames() {
    QCOMPARE(BuildStudioSelect(0), hex("ff 05 00 00 41"));
    QCOMPARE(BuildStudioSelect(2), hex("ff 05 00 00 43"));
    QCOMPARE(BuildStudioSelect(4), hex("ff 05 00 00 45"));
}

void CommandFramesTest::buildsUnitSettingsFromStoredValues() {
    StrobeData fresh; // defaults of a new record, channel 0: its levels go out as the lowest
    QCOMPARE(BuildUnitSettings(0, fresh).toHex(' '),
             hex("ff 0e 01 00 01 01 0b 0b 00 00 00 00 01 00").toHex(' '));
    StrobeData unit;
    unit.nChNum = 9;
    unit.bFlashPow = 1;
    unit.nFlashValue = 0x151; // kept to the top of the range
    unit.nModelValue = 81;
    unit.bFlashCell = 1;
    unit.bFlashSnd = 0;
    unit.nModelMode1 = 1;
    unit.nModelMode2 = 0;
    unit.bModelPow = 0;
    QCOMPARE(BuildUnitSettings(0, unit).toHex(' '),
             hex("ff 0e 01 10 00 01 51 51 01 00 01 00 00 00").toHex(' '));
    QCOMPARE(BuildUnitSettings(0x8080, unit).mid(3, 2), hex("80 80"));
}

void CommandFramesTest::buildsStudioLevelsWithZeroPairsForEmptySlots() {
    StudioData studio(1, "Studio B");
    auto first = unitOn(0);
    first->nFlashValue = 20;
    first->nModelValue = 30;
    auto last = unitOn(9);
    last->nFlashValue = 81;
    last->nModelValue = 11;
    PutStrobe(&studio, 0, std::move(first));
    PutStrobe(&studio, 9, std::move(last));
    const QByteArray expected = hex("ff 17 1f 14 1e") + QByteArray(16, '\0') + hex("51 0b");
    QCOMPARE(BuildStudioLevels(15, studio).toHex(' '), expected.toHex(' '));
    QCOMPARE(BuildStudioLevels(14, studio).at(2), char(0x1E));
    QCOMPARE(BuildStudioLevels(13, studio), QByteArray());
    QCOMPARE(BuildStudioLevels(16, studio), QByteArray());
}

void CommandFramesTest::bytesStayInTheirFieldsWhateverTheRecordHolds() {
    QList<int> values{INT_MIN, INT_MAX, 0x1FF, 0xFFFF};
    for (int v = -1000; v <= 1000; ++v)
        values << v;
    const auto level = [](quint8 b) { return b >= 11 && b <= 81; };
    // The first byte outside its field, or -1.
    const auto stray = [&](const QByteArray& frame) {
        const auto b = [&](int i) { return quint8(frame[i]); };
        for (int i = 1; i < frame.size(); ++i) {
            const bool fits =
                b(i) != 0xFF && (i > 4 || frame.size() == 23 || (b(i) & 0x60) == 0) &&
                (frame.size() != 7 || i < 5 ||
                 (frame[2] == '\x13' || frame[2] == '\x14' ? level(b(i)) : b(i) <= 0x10)) &&
                (frame.size() != 14 || i < 5 || (i == 6 || i == 7 ? level(b(i)) : b(i) <= 1)) &&
                (frame.size() != 23 || i < 3 || level(b(i)) ||
                 (b(i) == 0 && b(((i - 3) ^ 1) + 3) == 0));
            if (!fits)
                return i;
        }
        return -1;
    };
    QStringList offences;
    for (const int value : values) {
        StudioData studio(0, "Studio A");
        for (int ch : {0, 4, 9}) {
            StrobeData* unit = PutStrobe(&studio, ch, unitOn(ch));
            for (int StrobeData::*member :
                 {&StrobeData::nFlashValue, &StrobeData::bFlashCell, &StrobeData::bFlashSnd,
                  &StrobeData::bFlashCharge, &StrobeData::bFlashPow, &StrobeData::nModelValue,
                  &StrobeData::nModelMode1, &StrobeData::nModelMode2, &StrobeData::bModelPow})
                unit->*member = value;
        }
        QList<QByteArray> frames{BuildUnitSettings(0, *studio.UnitOn(4)),
                                 BuildUnitSettings(0xFFFF, *studio.UnitOn(4)),
                                 BuildStudioLevels(14, studio), BuildStudioLevels(15, studio)};
        for (int type = 0; type <= 15; ++type)
            frames << BuildUnitCommand(0, *studio.UnitOn(4), type)
                   << BuildUnitCommand(0xFFFF, *studio.UnitOn(4), type);
        for (const QByteArray& frame : frames) {
            if (const int at = stray(frame); at >= 0)
                offences
                    << QString("byte %1 of %2 for %3").arg(at).arg(frame.toHex(' ')).arg(value);
        }
        if ((value < 0 || value > 4) && !BuildStudioSelect(value).isEmpty())
            offences << QString("a select for studio %1").arg(value);
    }
    QCOMPARE(offences, QStringList());
}

void CommandFramesTest::sendersWriteEachFrameWithOneWriteOverPseudoTerminal() {
    PortOnPty link;
    QVERIFY(link.open(38400));
    CZbProtocol protocol(&link.port);
    StudioModel model;
    StudioData* studio = model.studios[2].get();
    auto unit = unitOn(3);
    unit->bFlashCell = 1;
    StrobeData* placed = PutStrobe(studio, 3, std::move(unit));

    QCOMPARE(protocol.SendStudioSelect(2), 1);
    QCOMPARE(protocol.SendUnitCommand(0, placed, 7), 1);
    QCOMPARE(protocol.SendUnitCommand(0, placed, 9), 1); // nothing on the wire
    QCOMPARE(protocol.SendUnitSettings(0, placed), 1);
    protocol.SendStudioLevels(14, studio);
    protocol.SendStudioLevels(3, studio); // nothing on the wire

    const QByteArray expected = BuildStudioSelect(2) + hex("ff 07 17 00 08 00 02") +
                                BuildUnitSettings(0, *placed) + BuildStudioLevels(14, *studio);
    QCOMPARE(expected.size(), 5 + 7 + 14 + 23);
    QCOMPARE(link.dongle.readExactly(int(expected.size()), 2000).toHex(' '), expected.toHex(' '));
    QCOMPARE(link.dongle.readFor(50), QByteArray());
}

void CommandFramesTest::sendersRefuseAbsentRecordOrStudio() {
    PortOnPty link;
    QVERIFY(link.open());
    CZbProtocol protocol(&link.port);
    QCOMPARE(protocol.SendUnitCommand(0, nullptr, 3), 0);
    QCOMPARE(protocol.SendUnitSettings(0, nullptr), 0);
    protocol.SendStudioLevels(14, nullptr);
    QCOMPARE(link.dongle.readFor(50), QByteArray());

    CZbProtocol unlinked(nullptr); // a link that is down drops commands silently
    StrobeData unit;
    QCOMPARE(unlinked.SendUnitCommand(0, &unit, 3), 1);
    QCOMPARE(unlinked.SendStudioSelect(0), 1);
}

QTEST_GUILESS_MAIN(CommandFramesTest)
#include "tst_commandframes.moc"
