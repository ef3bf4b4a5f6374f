#include "link/FrameTypes.h"
#include "link/MemoryApply.h"
#include "link/PendingValues.h"
#include "link/RadioLink.h"
#include "link/UnitSettingTable.h"
#include "model/StudioModel.h"
#include "platform/Messages.h"
#include "platform/PseudoTerminal.h"
#include "support/Hex.h"
#include "support/MessageRecorder.h"

#include <QtTest>

using namespace lumadesk;
using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

// Studio A with heads on CH-01 to CH-03 (flash and model 5.0, power and lamp on), a console
// link on a pseudo-terminal whose other end the test plays, and a clock that moves only when
// told.
struct Bench {
    PseudoTerminal dongle;
    StudioModel model;
    MessageRecorder owner;
    Clock::time_point now{};
    lumadesk::RadioLink link{&owner, model, [this] { return now; }};
    StudioData* studio = model.studios[0].get();

    bool open() {
        for (int channel = 0; channel < 3; ++channel) {
            StrobeData* unit = PutStrobe(studio, channel, std::make_unique<StrobeData>());
            unit->nFlashValue = unit->nModelValue = 50;
        }
        SelectStudio(&model, studio);
        if (!dongle.open() || !link.open(ComSettings{9600, 8, 0, 0, dongle.devicePath()}))
            return false;
        link.protocol().SendStudioSelect(0);
        return dongle.readExactly(5, 2000) == hex("FF 05 00 00 41");
    }
    StrobeData* unit(int channel) const { return studio->UnitOn(channel); }
    Confirmation state(int channel, int StrobeData::*member) const {
        return link.pending().stateOf(*unit(channel), member);
    }
    // The time-out passes.
    void later() {
        now += link.pending().timeout() + 1ms;
        link.pending().expire();
    }
};

// The model level no head reported yet goes out as the lowest, 1.1.
const char kFlash45OnCh1[] = "FF 07 13 00 01 2D 32";

} // namespace

class PendingValuesTest : public QObject {
    Q_OBJECT
private slots:
    void pendingUntilAReportOfTheHeadCarriesTheValue_data();
    void pendingUntilAReportOfTheHeadCarriesTheValue();
    void oneSilentHeadOfThreeIsNamed_data();
    void oneSilentHeadOfThreeIsNamed();
    void aFrameThatNeverLeftIsNotSentUntilSentAgain_data();
    void aFrameThatNeverLeftIsNotSentUntilSentAgain();
    void anyReportOfASilentHeadShowsItAnswers_data();
    void anyReportOfASilentHeadShowsItAnswers();
};

void PendingValuesTest::pendingUntilAReportOfTheHeadCarriesTheValue_data() {
    QTest::addColumn<bool>("late");
    QTest::addColumn<QByteArray>("answer"); // empty: none
    QTest::addColumn<int>("answering");     // the channel whose record takes the answer
    QTest::addColumn<int>("heard");         // and its flash level once the answer is in
    QTest::addColumn<Confirmation>("afterAnswer");
    QTest::addColumn<QString>("statusLine"); // after the time-out
    const QString silent = QStringLiteral("CH-01 of Studio A did not confirm flash 4.5");
    // The frame carries both levels, so a head that heard nothing confirmed neither.
    const QString deaf = QStringLiteral("CH-01 of Studio A did not confirm flash 4.5, model 5.0");
    QTest::addRow("echo") << false << hex("FF 07 13 00 01 2D 32") << 0 << 45
                          << Confirmation::Confirmed << QString();
    QTest::addRow("status report") << false << hex("FF 0D 01 00 01 01 2D 32 00 00 00 00 01") << 0
                                   << 45 << Confirmation::Confirmed << QString();
    QTest::addRow("levels report")
        << false << hex("FF 17 1E 2D 32 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00") << 0
        << 45 << Confirmation::Confirmed << QString();
    QTest::addRow("late echo") << true << hex("FF 07 13 00 01 2D 32") << 0 << 45
                               << Confirmation::Confirmed << QString();
    QTest::addRow("another value")
        << false << hex("FF 07 13 00 01 3C 32") << 0 << 60 << Confirmation::Pending << silent;
    QTest::addRow("another head's echo")
        << false << hex("FF 07 13 00 02 2D 32") << 1 << 45 << Confirmation::Pending << deaf;
    QTest::addRow("no answer") << false << QByteArray() << 0 << 45 << Confirmation::Pending << deaf;
}

void PendingValuesTest::pendingUntilAReportOfTheHeadCarriesTheValue() {
    QFETCH(bool, late);
    QFETCH(QByteArray, answer);
    QFETCH(int, answering);
    QFETCH(int, heard);
    QFETCH(Confirmation, afterAnswer);
    QFETCH(QString, statusLine);
    Bench bench;
    QVERIFY(bench.open());
    StrobeData* unit = bench.unit(0);
    unit->nFlashValue = 45;
    bench.link.protocol().SendUnitCommand(0, unit, CMD_FLASH_LEVEL);
    QCOMPARE(bench.dongle.readExactly(7, 2000), hex(kFlash45OnCh1));
    QCOMPARE(bench.state(0, &StrobeData::nFlashValue), Confirmation::Pending);
    QCOMPARE(bench.state(0, &StrobeData::nModelValue), Confirmation::Pending); // it travels too
    if (late) {
        bench.later();
        QCOMPARE(bench.state(0, &StrobeData::nFlashValue), Confirmation::Unconfirmed);
    }
    if (!answer.isEmpty()) {
        QVERIFY(bench.dongle.writeAll(answer));
        QTRY_COMPARE(bench.unit(answering)->nFlashValue, heard);
        QTRY_COMPARE(bench.state(0, &StrobeData::nFlashValue), afterAnswer);
    }
    bench.later();
    QCOMPARE(bench.link.pending().unconfirmedText(), statusLine);
    const bool confirmed = statusLine.isEmpty();
    QCOMPARE(bench.state(0, &StrobeData::nFlashValue),
             confirmed ? Confirmation::Confirmed : Confirmation::Unconfirmed);

    // Sending again starts over.
    bench.link.protocol().SendUnitCommand(0, unit, CMD_FLASH_LEVEL);
    QCOMPARE(bench.state(0, &StrobeData::nFlashValue), Confirmation::Pending);
    QCOMPARE(bench.link.pending().unconfirmedText(), QString());
}

// The group panel's roads (studio levels frames, one command for a mask of the ticked heads)
// and the Load (a settings frame for every head): CH-01 and CH-02 answer, CH-03 stays silent.
// A levels frame sets both levels of every head, so its echo confirms both.
void PendingValuesTest::oneSilentHeadOfThreeIsNamed_data() {
    QTest::addColumn<int>("road");
    QTest::addColumn<QByteArray>("answers");
    QTest::addColumn<QString>("statusLine");
    QTest::addRow("group levels")
        << 0 << hex("FF 17 1E 0B 32 0C 32 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00")
        << "CH-03 of Studio A did not confirm flash 1.3, model 5.0";
    // Heads whose model level follows their flash: both frames go, the last echo settles both.
    QTest::addRow("linked group levels")
        << 3 << hex("FF 17 1F 0B 32 0C 32 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00")
        << "CH-03 of Studio A did not confirm flash 1.3, model 5.0";
    QTest::addRow("group switch") << 1 << hex("FF 07 17 00 01 00 02 FF 07 17 00 02 00 02")
                                  << "CH-03 of Studio A did not confirm cell on";
    QTest::addRow("load") << 2
                          << hex("FF 0D 01 00 01 01 0B 32 01 00 00 00 01"
                                 "FF 0D 01 00 02 01 0C 32 01 00 00 00 01")
                          << "CH-03 of Studio A did not confirm flash 1.3, model 5.0, cell on "
                             "and 5 more";
}

void PendingValuesTest::oneSilentHeadOfThreeIsNamed() {
    QFETCH(int, road);
    QFETCH(QByteArray, answers);
    QFETCH(QString, statusLine);
    Bench bench;
    QVERIFY(bench.open());
    for (int channel = 0; channel < 3; ++channel) {
        StrobeData* unit = bench.unit(channel);
        unit->nFlashValue = 11 + channel;
        unit->nModelValue = 50;
        unit->bFlashCell = 1;
        unit->bChSelect = 1;
    }
    CZbProtocol& protocol = bench.link.protocol();
    int StrobeData::*member = &StrobeData::nFlashValue;
    if (road == 0 || road == 3) {
        protocol.SendStudioLevels(LEVELS_FLASH, bench.studio);
        if (road == 3)
            protocol.SendStudioLevels(LEVELS_MODEL, bench.studio);
    } else if (road == 1) {
        protocol.SendUnitCommand(0x0007, bench.unit(0), CMD_FLASH_CELL);
        member = &StrobeData::bFlashCell;
    } else {
        QCOMPARE(SendStudioSettings(&protocol, bench.studio), 3);
    }
    for (int channel = 0; channel < 3; ++channel)
        QCOMPARE(bench.state(channel, member), Confirmation::Pending);

    QVERIFY(bench.dongle.writeAll(answers));
    QTRY_COMPARE(bench.state(1, member), Confirmation::Confirmed);
    QCOMPARE(bench.state(0, member), Confirmation::Confirmed);
    QCOMPARE(bench.state(2, member), Confirmation::Pending);
    if (road == 0 || road == 3)
        QCOMPARE(bench.state(0, &StrobeData::nModelValue), Confirmation::Confirmed);
    bench.later();
    QCOMPARE(bench.state(2, member), Confirmation::Unconfirmed);
    QCOMPARE(bench.link.pending().unconfirmedChannels(0), std::vector<int>{2});
    QCOMPARE(bench.link.pending().unconfirmedText(), statusLine);
}

void PendingValuesTest::aFrameThatNeverLeftIsNotSentUntilSentAgain_data() {
    QTest::addColumn<bool>("refused"); // the port would not take it; else the link was down
    QTest::addColumn<QString>("note");
    QTest::addRow("link down") << false << "flash 4.5 not sent: link down";
    QTest::addRow("refused") << true << "flash 4.5 not sent: the radio is not taking commands";
}

void PendingValuesTest::aFrameThatNeverLeftIsNotSentUntilSentAgain() {
    QFETCH(bool, refused);
    QFETCH(QString, note);
    Bench bench;
    QVERIFY(bench.open());
    PendingValues& book = bench.link.pending();
    StrobeData* unit = bench.unit(0);
    unit->nFlashValue = 45;
    if (refused) {
        book.noteUnitCommand(0, *unit, CMD_FLASH_LEVEL, Delivery::Refused);
    } else {
        bench.link.close();
        bench.link.protocol().SendUnitCommand(0, unit, CMD_FLASH_LEVEL);
    }
    QCOMPARE(bench.state(0, &StrobeData::nFlashValue), Confirmation::NotSent);
    QCOMPARE(bench.state(0, &StrobeData::nModelValue), Confirmation::NotSent); // it rode along
    QCOMPARE(book.noteOf(*unit, *SettingOfMember(&StrobeData::nFlashValue)), note);
    QCOMPARE(book.headState(*unit), Confirmation::NotSent);

    // No time runs for it, and the head is not to blame.
    bench.later();
    QCOMPARE(bench.state(0, &StrobeData::nFlashValue), Confirmation::NotSent);
    QVERIFY(bench.link.isAnswering(0, 0));
    QCOMPARE(book.unconfirmedText(), QString());
    QCOMPARE(book.unsentText(), QString("not sent: CH-01 flash 4.5, model 5.0"));
    QCOMPARE(book.unsent().size(), std::size_t(2));
    QCOMPARE(book.unsent().front().value, 45);

    // The head's report of what it holds leaves the flash level unsent and settles the model
    // level, which it holds already; the record follows the head.
    if (!refused) {
        QVERIFY(bench.link.open(ComSettings{9600, 8, 0, 0, bench.dongle.devicePath()}));
        bench.link.protocol().SendStudioSelect(0);
        QCOMPARE(bench.dongle.readExactly(5, 2000), hex("FF 05 00 00 41"));
    }
    QVERIFY(bench.dongle.writeAll(hex("FF 0D 01 00 01 01 32 32 00 00 00 00 01")));
    QTRY_COMPARE(unit->nFlashValue, 50);
    QCOMPARE(bench.state(0, &StrobeData::nFlashValue), Confirmation::NotSent);
    QCOMPARE(bench.state(0, &StrobeData::nModelValue), Confirmation::Confirmed);
    QCOMPARE(book.unsentText(), QString("not sent: CH-01 flash 4.5"));

    // Sent again, it is under way.
    unit->nFlashValue = 45;
    bench.link.protocol().SendUnitCommand(0, unit, CMD_FLASH_LEVEL);
    QCOMPARE(bench.dongle.readExactly(7, 2000), hex("FF 07 13 00 01 2D 32"));
    QCOMPARE(bench.state(0, &StrobeData::nFlashValue), Confirmation::Pending);
    QCOMPARE(book.unsentText(), QString());
    QCOMPARE(book.unsentCount(), 0);
}

// A head whose value went unconfirmed is not answering until it reports anything at all.
void PendingValuesTest::anyReportOfASilentHeadShowsItAnswers_data() {
    QTest::addColumn<QByteArray>("report");
    QTest::addRow("status of another value") << hex("FF 0D 01 00 01 01 32 32 00 00 00 00 01");
    QTest::addRow("echo of another value") << hex("FF 07 13 00 01 3C 32");
    QTest::addRow("levels of another value")
        << hex("FF 17 1E 3C 32 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
    QTest::addRow("heat") << hex("FF 07 3A 00 01 00 4B");
    QTest::addRow("charge") << hex("FF 07 61 00 01 00 07");
}

void PendingValuesTest::anyReportOfASilentHeadShowsItAnswers() {
    QFETCH(QByteArray, report);
    Bench bench;
    QVERIFY(bench.open());
    StrobeData* unit = bench.unit(0);
    unit->nFlashValue = 45;
    bench.link.protocol().SendUnitCommand(0, unit, CMD_FLASH_LEVEL);
    QCOMPARE(bench.dongle.readExactly(7, 2000), hex(kFlash45OnCh1));
    QVERIFY(bench.link.isAnswering(0, 0)); // under way is no fault
    bench.later();
    QVERIFY(!bench.link.isAnswering(0, 0));
    QVERIFY(bench.link.isAnswering(0, 1));

    QVERIFY(bench.dongle.writeAll(report));
    QTRY_VERIFY(bench.link.isAnswering(0, 0));
    QCOMPARE(bench.state(0, &StrobeData::nFlashValue), Confirmation::Unconfirmed);
    // The next value it fails makes it silent again.
    bench.link.protocol().SendUnitCommand(0, unit, CMD_FLASH_LEVEL);
    bench.later();
    QVERIFY(!bench.link.isAnswering(0, 0));
}

QTEST_GUILESS_MAIN(PendingValuesTest)
#include "tst_pendingvalues.moc"
