#include "link/CStrobeEventHandler.h"
#include "link/CZbProtocol.h"
#include "link/RadioLink.h"
#include "link/ReceivePump.h"
#include "link/ReceiveRing.h"
#include "link/ReportAssembler.h"
#include "model/StudioModel.h"
#include "platform/Messages.h"
#include "support/Hex.h"
#include "support/MessageRecorder.h"

#include <QtTest>

using namespace lumadesk;

namespace {

const std::uint8_t* bytesOf(const QByteArray& bytes) {
    return reinterpret_cast<const std::uint8_t*>(bytes.constData());
}

// Frames as "kind:hex" strings, for readable comparisons.
class RecordingDispatcher : public ReportDispatcher {
public:
    QStringList frames;
    int DispatchReport(const std::uint8_t* frame, int kind) override {
        const QByteArray bytes(reinterpret_cast<const char*>(frame), frame[1]);
        frames.append(QString::number(kind, 16) + ":" + QString::fromLatin1(bytes.toHex()));
        return 1;
    }
};

// A studio made current as the tree would and addressed as a select makes it, with the link
// (never opened) and a recorder as its main frame.
struct Console {
    StudioModel model;
    MessageRecorder frame;
    lumadesk::RadioLink link{&frame, model};
    CZbProtocol& protocol = link.protocol();
    ReportAssembler& assembler = link.assembler();
    StudioData* studio = model.studios[1].get();

    Console() {
        SelectStudio(&model, studio);
        model.pAddressedStudio = studio;
    }
    StrobeData* addUnit(int channel) {
        return PutStrobe(studio, channel, std::make_unique<StrobeData>());
    }
    void feed(const QByteArray& bytes) { assembler.Feed(bytesOf(bytes), int(bytes.size())); }
    QList<MessageRecorder::Entry> changes() const { return frame.only(Msg::FrameUnitSetting); }
};

} // namespace

class ReportsTest : public QObject {
    Q_OBJECT
private slots:
    void cutsFramesWhereverBurstsSplitThem_data();
    void cutsFramesWhereverBurstsSplitThem();
    void settingReportInTwoBurstsSetsCellAndSendsCode();
    void newStartByteDropsPartialFrame();
    void statusCreatesUnitThenUpdatesIt();
    void statusNamingSeveralChannelsUpdatesEach();
    void statusGoesToTheAddressedStudioOnly();
    void levelEchoesStoreOnlyValidLevels_data();
    void levelEchoesStoreOnlyValidLevels();
    void switchEchoesStoreAnyNonZeroAsOn_data();
    void switchEchoesStoreAnyNonZeroAsOn();
    void echoToSeveralChannelsSendsOneChangePerChannelInOrder();
    void levelsReportLeavesSlotsWithAZeroByteAlone();
    void chargeAndHeatReportsStoreAndNotify();
    void groupBitsOnlyAndMissingUnitsProduceNoEvent();
    void sentChangesArriveDuringFeedPostedOnesAfter();
    void pumpFeedsOnlyTheCountHeldWhenItStarted();
    void pumpCalledAgainWhileDrainingLosesNothing();
    void pumpAssemblesAFrameThatWrapsAroundTheRing();
};

void ReportsTest::cutsFramesWhereverBurstsSplitThem_data() {
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QStringList>("frames");
    QTest::newRow("setting report")
        << hex("ff 07 17 00 08 00 02") << QStringList{"10:ff071700080002"};
    QTest::newRow("status report") << hex("ff 0d 01 00 01 01 2d 1e 00 00 00 00 01")
                                   << QStringList{"1:ff0d010001012d1e0000000001"};
    QTest::newRow("levels report 23 bytes")
        << hex("ff 17 1f 14 1e") + QByteArray(16, '\x10') + hex("51 0b")
        << QStringList{"10:ff171f141e" + QString("10").repeated(16) + "510b"};
    QTest::newRow("heat and charge kinds by high nibble")
        << hex("ff 07 3a 00 01 00 4b ff 07 6b 00 02 00 00")
        << QStringList{"30:ff073a0001004b", "60:ff076b00020000"};
    QTest::newRow("kinds 00 and 02 are assembled")
        << hex("ff 05 00 00 41 ff 04 02 09") << QStringList{"0:ff05000041", "2:ff040209"};
    QTest::newRow("partial frame dropped at new start byte")
        << hex("ff 07 17 ff 07 18 00 08 00 04") << QStringList{"10:ff071800080004"};
    QTest::newRow("rejected kind 45 ignored to next start byte")
        << hex("ff 07 45 00 01 00 02 ff 07 17 00 08 00 02") << QStringList{"10:ff071700080002"};
    QTest::newRow("stray bytes before and between frames")
        << hex("00 13 07 ff 04 01 00 55 66 ff 04 10 00")
        << QStringList{"1:ff040100", "10:ff041000"};
    QTest::newRow("length 51 dropped at its length byte")
        << hex("ff 33 10") + QByteArray(60, '\x01') + hex("ff 07 18 00 10 00 04")
        << QStringList{"10:ff071800100004"};
    QTest::newRow("length 3 can never complete")
        << hex("ff 03 10 00 00 ff 07 18 00 10 00 04") << QStringList{"10:ff071800100004"};
    QTest::newRow("length 50 fills the buffer exactly")
        << hex("ff 32 10") + QByteArray(47, '\x02')
        << QStringList{"10:ff3210" + QString("02").repeated(47)};
}

void ReportsTest::cutsFramesWhereverBurstsSplitThem() {
    QFETCH(QByteArray, wire);
    QFETCH(QStringList, frames);
    for (int split = 0; split <= wire.size(); ++split) {
        RecordingDispatcher dispatcher;
        ReportAssembler assembler(dispatcher);
        assembler.Feed(bytesOf(wire), split);
        assembler.Feed(bytesOf(wire) + split, int(wire.size()) - split);
        QCOMPARE(dispatcher.frames, frames);
    }
    RecordingDispatcher byByte;
    ReportAssembler assembler(byByte);
    for (char c : wire)
        assembler.Feed(std::uint8_t(c));
    QCOMPARE(byByte.frames, frames);
}

void ReportsTest::settingReportInTwoBurstsSetsCellAndSendsCode() {
    Console console;
    StrobeData* unit = console.addUnit(3);
    console.feed(hex("ff 07 17"));
    QCOMPARE(console.frame.entries.size(), 0);
    console.feed(hex("00 08 00 02"));
    QCOMPARE(unit->bFlashCell, 1);
    const auto changes = console.changes();
    QCOMPARE(changes.size(), 1);
    QCOMPARE(changes[0].wParam, qintptr(CHANGE_FLASH_CELL));
    QCOMPARE(changes[0].lParam, AsLParam(unit));
    QCOMPARE(changes[0].posted, false);
}

void ReportsTest::newStartByteDropsPartialFrame() {
    Console console;
    StrobeData* unit = console.addUnit(3);
    console.feed(hex("ff 07 17 ff 07 18 00 08 00 04"));
    QCOMPARE(unit->bFlashCell, 0);
    QCOMPARE(unit->bFlashSnd, 1);
    QCOMPARE(console.changes().size(), 1);
    QCOMPARE(console.changes()[0].wParam, qintptr(CHANGE_FLASH_SOUND));
}

void ReportsTest::statusCreatesUnitThenUpdatesIt() {
    Console console;
    console.feed(hex("ff 0d 01 00 01 00 2d 1e 01 01 01 01 00"));
    StrobeData* unit = console.studio->UnitOn(0);
    QVERIFY(unit != nullptr);
    QCOMPARE(console.studio->nChItemCnt, 1);
    QCOMPARE(unit->sChName, QString("CH-01"));
    QCOMPARE(unit->bFlashCharge, 1);
    QCOMPARE(unit->bFlashPow, 0);
    QCOMPARE(unit->nFlashValue, 45);
    QCOMPARE(unit->nModelValue, 30);
    QCOMPARE(unit->bModelPow, 0);
    QCOMPARE(unit->nModelMode2, 1);
    QCOMPARE(console.frame.entries.size(), 0); // posted
    QCoreApplication::sendPostedEvents(&console.frame);
    QCOMPARE(console.frame.entries.size(), 1);
    QCOMPARE(console.frame.entries[0].number, Msg::FrameNewUnit);
    QCOMPARE(console.frame.entries[0].wParam, qintptr(0));
    QCOMPARE(console.frame.entries[0].lParam, AsLParam(unit));

    unit->bFlashCharge = 0;
    console.feed(hex("ff 0d 01 00 01 01 32 32 00 00 00 00 01"));
    QCoreApplication::sendPostedEvents(&console.frame);
    QCOMPARE(console.studio->UnitOn(0), unit);
    QCOMPARE(console.studio->nChItemCnt, 1);
    QCOMPARE(unit->nFlashValue, 50);
    QCOMPARE(unit->bFlashCharge, 1); // the status record's charge is always 1
    QCOMPARE(console.frame.entries.size(), 2);
    QCOMPARE(console.frame.entries[1].number, Msg::FrameUnitStatus);
    QCOMPARE(console.frame.entries[1].posted, true);
    QCOMPARE(console.protocol.ScratchRecord().bFlashCharge, 1);
}

void ReportsTest::statusNamingSeveralChannelsUpdatesEach() {
    Console console;
    console.feed(hex("ff 0d 01 01 05 01 2d 1e 00 00 00 00 01")); // channels 0, 2 and 5
    QCoreApplication::sendPostedEvents(&console.frame);
    QCOMPARE(console.studio->nChItemCnt, 3);
    for (int channel : {0, 2, 5}) {
        QVERIFY(console.studio->UnitOn(channel) != nullptr);
        QCOMPARE(console.studio->UnitOn(channel)->nChNum, channel);
        QCOMPARE(console.studio->UnitOn(channel)->nFlashValue, 45);
    }
    const auto created = console.frame.only(Msg::FrameNewUnit);
    QCOMPARE(created.size(), 3);
    QCOMPARE(created[2].wParam, qintptr(5));
}

void ReportsTest::statusGoesToTheAddressedStudioOnly() {
    Console console;
    const QByteArray status = hex("ff 0d 01 00 01 01 2d 1e 00 00 00 00 01");
    console.model.pAddressedStudio = nullptr; // no select yet: no group is known to be on the air
    console.feed(status);
    QCoreApplication::sendPostedEvents(&console.frame);
    for (const auto& studio : console.model.studios)
        QCOMPARE(studio->nChItemCnt, 0);
    QCOMPARE(console.frame.entries.size(), 0);

    // Another studio, or the preview, on screen: the head is still the addressed studio's.
    console.model.pAddressedStudio = console.studio;
    for (StudioData* shown : {console.model.studios[3].get(), console.model.pMemoryStudio.get()}) {
        SelectStudio(&console.model, shown);
        console.feed(status);
    }
    QCoreApplication::sendPostedEvents(&console.frame);
    QCOMPARE(console.model.pMemoryStudio->nChItemCnt, 0);
    QCOMPARE(console.model.studios[3]->nChItemCnt, 0);
    QCOMPARE(console.studio->nChItemCnt, 1);
    QCOMPARE(console.studio->UnitOn(0)->nFlashValue, 45);
}

void ReportsTest::levelEchoesStoreOnlyValidLevels_data() {
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<int>("flash");
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("code");
    // The unit starts at flash 20, model 30.
    QTest::newRow("flash 90 out of range") << hex("ff 07 13 00 01 5a 28") << 20 << 30 << -1;
    QTest::newRow("flash 45, model 5 out of range") << hex("ff 07 13 00 01 2d 05") << 45 << 30 << 0;
    QTest::newRow("flash 81, model 11") << hex("ff 07 13 00 01 51 0b") << 81 << 11 << 0;
    QTest::newRow("flash 10 out of range") << hex("ff 07 13 00 01 0a 28") << 20 << 30 << -1;
    QTest::newRow("model 40, flash 5 out of range") << hex("ff 07 14 00 01 05 28") << 20 << 40 << 5;
    QTest::newRow("model 82 out of range") << hex("ff 07 14 00 01 2d 52") << 20 << 30 << -1;
    QTest::newRow("model 50 and flash 60") << hex("ff 07 14 00 01 3c 32") << 60 << 50 << 5;
}

void ReportsTest::levelEchoesStoreOnlyValidLevels() {
    QFETCH(QByteArray, wire);
    QFETCH(int, flash);
    QFETCH(int, model);
    QFETCH(int, code);
    Console console;
    StrobeData* unit = console.addUnit(0);
    unit->nFlashValue = 20;
    unit->nModelValue = 30;
    console.feed(wire);
    QCOMPARE(unit->nFlashValue, flash);
    QCOMPARE(unit->nModelValue, model);
    QCOMPARE(console.changes().size(), 1);
    QCOMPARE(console.changes()[0].wParam, qintptr(code));
}

void ReportsTest::switchEchoesStoreAnyNonZeroAsOn_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("code");
    QTest::newRow("mode 1") << 5 << 6;
    QTest::newRow("mode 2") << 6 << 7;
    QTest::newRow("cell") << 7 << 1;
    QTest::newRow("sound") << 8 << 2;
    QTest::newRow("lamp") << 12 << 8;
    QTest::newRow("power") << 13 << 4;
}

void ReportsTest::switchEchoesStoreAnyNonZeroAsOn() {
    QFETCH(int, type);
    QFETCH(int, code);
    Console console;
    StrobeData* unit = console.addUnit(9);
    int StrobeData::*field = nullptr;
    switch (type) {
    case 5:
        field = &StrobeData::nModelMode1;
        break;
    case 6:
        field = &StrobeData::nModelMode2;
        break;
    case 7:
        field = &StrobeData::bFlashCell;
        break;
    case 8:
        field = &StrobeData::bFlashSnd;
        break;
    case 12:
        field = &StrobeData::bModelPow;
        break;
    default:
        field = &StrobeData::bFlashPow;
        break;
    }
    const char kind = char(0x10 | type);
    console.feed(QByteArray("\xFF\x07", 2) + kind + hex("10 00 00 08"));
    QCOMPARE(unit->*field, 1);
    console.feed(QByteArray("\xFF\x07", 2) + kind + hex("10 00 00 00"));
    QCOMPARE(unit->*field, 0);
    const auto changes = console.changes();
    QCOMPARE(changes.size(), 2);
    QCOMPARE(changes[0].wParam, qintptr(code));
    QCOMPARE(changes[1].wParam, qintptr(code));
}

void ReportsTest::echoToSeveralChannelsSendsOneChangePerChannelInOrder() {
    Console console;
    StrobeData* units[] = {console.addUnit(0), console.addUnit(2), console.addUnit(5),
                           console.addUnit(7)};
    console.feed(hex("ff 07 1d 01 05 00 00"));
    const auto changes = console.changes();
    QCOMPARE(changes.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(changes[i].wParam, qintptr(CHANGE_FLASH_POWER));
        QCOMPARE(changes[i].lParam, AsLParam(units[i]));
        QCOMPARE(units[i]->bFlashPow, 0);
    }
    QCOMPARE(units[3]->bFlashPow, 1);
}

void ReportsTest::levelsReportLeavesSlotsWithAZeroByteAlone() {
    Console console;
    StrobeData* first = console.addUnit(0);
    StrobeData* third = console.addUnit(2);
    StrobeData* last = console.addUnit(9);
    third->nFlashValue = 33;
    third->nModelValue = 44;
    QByteArray pairs(20, '\0');
    pairs[0] = 20, pairs[1] = 30;  // slot 0
    pairs[4] = 0, pairs[5] = 40;   // slot 2: flash 0
    pairs[18] = 90, pairs[19] = 5; // slot 9: no range test here
    pairs[6] = 50, pairs[7] = 50;  // slot 3 has no unit
    console.feed(hex("ff 17 1f") + pairs);
    QCOMPARE(first->nFlashValue, 20);
    QCOMPARE(first->nModelValue, 30);
    QCOMPARE(third->nFlashValue, 33);
    QCOMPARE(third->nModelValue, 44);
    QCOMPARE(last->nFlashValue, 90);
    QCOMPARE(last->nModelValue, 5);
    const auto changes = console.changes();
    QCOMPARE(changes.size(), 2);
    QCOMPARE(changes[0].lParam, AsLParam(first));
    QCOMPARE(changes[1].lParam, AsLParam(last));
    QCOMPARE(changes[1].wParam, qintptr(CHANGE_FLASH_LEVEL));
    QCOMPARE(console.studio->nChItemCnt, 3);
}

void ReportsTest::chargeAndHeatReportsStoreAndNotify() {
    Console console;
    StrobeData* unit = console.addUnit(4);
    console.feed(hex("ff 07 61 00 10 00 00"));
    QCOMPARE(unit->bFlashCharge, 0);
    console.feed(hex("ff 07 6b 00 10 00 00")); // test echo: nothing stored
    console.feed(hex("ff 07 61 00 10 00 07"));
    QCOMPARE(unit->bFlashCharge, 1);
    console.feed(hex("ff 07 62 00 10 00 00")); // other charge types: nothing
    console.feed(hex("ff 07 3a 00 10 00 4b"));
    QCOMPARE(unit->nHeatLevel, 75);
    console.feed(hex("ff 07 3b 00 10 00 09")); // other heat types: nothing
    QCOMPARE(unit->nHeatLevel, 75);
    QCoreApplication::sendPostedEvents(&console.frame);
    const auto changes = console.changes();
    QCOMPARE(changes.size(), 4);
    QCOMPARE(changes[0].wParam, qintptr(CHANGE_CHARGE));
    QCOMPARE(changes[1].wParam, qintptr(CHANGE_NONE));
    QCOMPARE(changes[2].wParam, qintptr(CHANGE_CHARGE));
    QCOMPARE(changes[3].wParam, qintptr(CHANGE_HEAT));
    QCOMPARE(changes[3].posted, true);
    QCOMPARE(changes[2].posted, false);
}

void ReportsTest::groupBitsOnlyAndMissingUnitsProduceNoEvent() {
    Console console;
    console.addUnit(0);
    console.feed(hex("ff 0d 01 80 80 01 2d 1e 00 00 00 00 01"));
    console.feed(hex("ff 07 17 80 80 00 02"));
    console.feed(hex("ff 07 3a 80 80 00 4b"));
    console.feed(hex("ff 07 61 80 80 00 00"));
    console.feed(hex("ff 07 17 00 02 00 02")); // channel 1 has no unit
    console.feed(hex("ff 07 19 00 01 00 02")); // type 9: nothing to store
    QCoreApplication::sendPostedEvents(&console.frame);
    QCOMPARE(console.frame.entries.size(), 0);
    QCOMPARE(console.studio->nChItemCnt, 1);
}

void ReportsTest::sentChangesArriveDuringFeedPostedOnesAfter() {
    Console console;
    StrobeData* unit = console.addUnit(1);
    QList<int> seenDuringFeed;
    console.frame.onMessage = [&](const MessageRecorder::Entry& e) {
        seenDuringFeed.append(e.number);
        return qintptr(0);
    };
    console.feed(hex("ff 07 3a 00 02 00 3c ff 07 18 00 02 00 04 ff 0d 01 00 02 01 2d 1e 00 01 "
                     "00 00 01"));
    QCOMPARE(seenDuringFeed, QList<int>{Msg::FrameUnitSetting}); // only the sound echo was sent
    QCOMPARE(unit->bFlashSnd, 1);
    QCoreApplication::sendPostedEvents(&console.frame);
    QCOMPARE(seenDuringFeed,
             (QList<int>{Msg::FrameUnitSetting, Msg::FrameUnitSetting, Msg::FrameUnitStatus}));
    QCOMPARE(console.frame.entries[1].wParam, qintptr(CHANGE_HEAT));
}

void ReportsTest::pumpFeedsOnlyTheCountHeldWhenItStarted() {
    Console console;
    StrobeData* unit = console.addUnit(3);
    ReceiveRing ring;
    ReceivePump pump(ring, console.assembler);
    const QByteArray cell = hex("ff 07 17 00 08 00 02");
    const QByteArray sound = hex("ff 07 18 00 08 00 04");
    QVERIFY(ring.append(bytesOf(cell), int(cell.size())));
    console.frame.onMessage = [&](const MessageRecorder::Entry&) {
        ring.append(bytesOf(sound), int(sound.size())); // arrives while the drain runs
        return qintptr(0);
    };
    QCOMPARE(pump.Drain(), 7);
    QCOMPARE(unit->bFlashCell, 1);
    QCOMPARE(unit->bFlashSnd, 0);
    QCOMPARE(ring.held(), 7); // waits for its own notification
    console.frame.onMessage = nullptr;
    QCOMPARE(pump.Drain(), 7);
    QCOMPARE(unit->bFlashSnd, 1);
}

void ReportsTest::pumpCalledAgainWhileDrainingLosesNothing() {
    Console console;
    StrobeData* unit = console.addUnit(3);
    ReceiveRing ring;
    ReceivePump pump(ring, console.assembler);
    const QByteArray cell = hex("ff 07 17 00 08 00 02");
    const QByteArray sound = hex("ff 07 18 00 08 00 04");
    QVERIFY(ring.append(bytesOf(cell), int(cell.size())));
    // A nested event loop inside a sent message handles the next notification.
    int nested = -1;
    console.frame.onMessage = [&](const MessageRecorder::Entry&) {
        if (nested < 0) {
            ring.append(bytesOf(sound), int(sound.size()));
            nested = pump.Drain();
        }
        return qintptr(0);
    };
    QCOMPARE(pump.Drain(), 14);
    QCOMPARE(nested, 0);
    QCOMPARE(unit->bFlashCell, 1);
    QCOMPARE(unit->bFlashSnd, 1);
    QCOMPARE(ring.held(), 0);
}

void ReportsTest::pumpAssemblesAFrameThatWrapsAroundTheRing() {
    Console console;
    StrobeData* unit = console.addUnit(3);
    ReceiveRing ring;
    ReceivePump pump(ring, console.assembler);
    const QByteArray noise(ReceiveRing::kSize - 4, '\x13');
    QVERIFY(ring.append(bytesOf(noise), int(noise.size())));
    QCOMPARE(pump.Drain(), int(noise.size()));
    const QByteArray cell = hex("ff 07 17 00 08 00 02"); // four bytes before the end, three after
    QVERIFY(ring.append(bytesOf(cell), int(cell.size())));
    QVERIFY(ring.writeIndex() < ring.readIndex());
    QCOMPARE(pump.Drain(), 7);
    QCOMPARE(unit->bFlashCell, 1);
    QCOMPARE(ring.held(), 0);
}

QTEST_GUILESS_MAIN(ReportsTest)
#include "tst_reports.moc"
