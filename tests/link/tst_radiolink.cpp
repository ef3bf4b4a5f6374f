#include "link/CZbEventHandler.h"
#include "link/FrameTypes.h"
#include "link/RadioLink.h"
#include "model/StudioModel.h"
#include "platform/Messages.h"
#include "platform/PseudoTerminal.h"
#include "support/MessageRecorder.h"

#include <QtTest>

using namespace lumadesk;

namespace {

// Notes, for each status event, whether the handler had already made the unit.
class UnitSeenTap : public CZbEventHandler {
public:
    StudioData* studio = nullptr;
    QList<bool> unitExisted;
    int OnStatus(int channel, const StrobeData*, int) override {
        unitExisted.append(studio->UnitOn(channel) != nullptr);
        return 1;
    }
    int OnSettingReport(int, int, qintptr) override { return 1; }
    int OnChargeReport(int, int, int) override { return 1; }
    int OnHeatReport(int, int, int) override { return 1; }
};

} // namespace

class RadioLinkTest : public QObject {
    Q_OBJECT
private slots:
    void tapSeesEachEventBeforeTheHandlerAppliesIt();
    void newsOfABurstReachTheOwnerOnceEachWhenTheDrainIsThrough();
    void scanEmptiesTellsThePaneThenCallsTheGroup();
    void everyFrameReachesItsStudiosGroupAcrossReopens();
    void theLinkReadsAQuietLineItselfAndLosesNothingOfABurst();
};

void RadioLinkTest::tapSeesEachEventBeforeTheHandlerAppliesIt() {
    StudioModel model;
    MessageRecorder owner;
    lumadesk::RadioLink link(&owner, model);
    UnitSeenTap tap;
    tap.studio = model.studios[1].get();
    SelectStudio(&model, tap.studio);
    model.pAddressedStudio = tap.studio;
    link.setEventTap(&tap);
    // A status report for channel 3, twice, through the ring and the drain.
    const QByteArray status = QByteArray::fromHex("ff0d01000801323200010001 01");
    const QByteArray twice = status + status;
    QVERIFY(link.port().Ring().append(reinterpret_cast<const std::uint8_t*>(twice.constData()),
                                      int(twice.size())));
    QCOMPARE(link.drain(), int(twice.size()));
    QCOMPARE(tap.unitExisted, (QList<bool>{false, true}));
    QVERIFY(tap.studio->UnitOn(3) != nullptr);

    link.setEventTap(nullptr);
    QVERIFY(link.port().Ring().append(reinterpret_cast<const std::uint8_t*>(status.constData()),
                                      int(status.size())));
    link.drain();
    QCOMPARE(tap.unitExisted.size(), 2);
}

void RadioLinkTest::newsOfABurstReachTheOwnerOnceEachWhenTheDrainIsThrough() {
    StudioModel model;
    MessageRecorder owner;
    lumadesk::RadioLink link(&owner, model);
    StudioData* studio = model.studios[1].get();
    SelectStudio(&model, studio);
    model.pAddressedStudio = studio;
    const auto feed = [&](const QByteArray& hex) {
        const QByteArray bytes = QByteArray::fromHex(hex);
        QVERIFY(link.port().Ring().append(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                          int(bytes.size())));
    };
    const QByteArray channel3 = "ff0d01000801323200010001 01";
    const QByteArray channel4 = "ff0d01001001323200010001 01";
    // The first status a receiver takes runs a nested loop that drains again, as a box would.
    bool nested = false;
    owner.onMessage = [&](const MessageRecorder::Entry& e) {
        if (e.number == Msg::FrameUnitStatus && !nested) {
            nested = true;
            feed(channel4);
            link.drain();
        }
        return qintptr(0);
    };
    // One bracket around the drain and its nested one; listeners that paint see every message
    // delivered by its end.
    QList<int> bracket;
    QObject::connect(&model.news, &ModelNews::drainBegun, [&] { bracket << 1; });
    QObject::connect(&model.news, &ModelNews::drainEnded,
                     [&] { bracket << 100 + int(owner.entries.size()); });
    feed(channel3 + channel3 + channel3);
    link.drain();
    QCOMPARE(bracket, (QList<int>{1, 104}));
    // Delivered before the drain returns, without a turn of the event loop, and as posted.
    QList<int> numbers;
    for (const auto& e : owner.entries) {
        QVERIFY(e.posted);
        numbers.append(int(e.wParam) * 100 + e.number);
    }
    QCOMPARE(numbers, (QList<int>{300 + Msg::FrameNewUnit, 300 + Msg::FrameUnitStatus,
                                  300 + Msg::FrameUnitStatus, 400 + Msg::FrameNewUnit}));
    QCoreApplication::processEvents();
    QCOMPARE(owner.entries.size(), 4);
}

void RadioLinkTest::scanEmptiesTellsThePaneThenCallsTheGroup() {
    PseudoTerminal dongle;
    QVERIFY(dongle.open());
    StudioModel model;
    MessageRecorder owner;
    lumadesk::RadioLink link(&owner, model);
    QVERIFY(link.open(ComSettings{9600, 8, 0, 0, dongle.devicePath()}));
    MessageRecorder pane;
    QCOMPARE(link.startScan(&pane), nullptr); // no current studio
    QCOMPARE(dongle.readFor(50), QByteArray());
    QVERIFY(pane.entries.isEmpty());

    StudioData* studio = model.studios[2].get();
    PutStrobe(studio, 4, std::make_unique<StrobeData>());
    SelectStudio(&model, studio);
    int unitsWhenTold = -1;
    QByteArray writtenWhenTold = "none";
    pane.onMessage = [&](const MessageRecorder::Entry&) {
        unitsWhenTold = studio->nChItemCnt;
        writtenWhenTold = dongle.readFor(50);
        return qintptr(0);
    };
    QCOMPARE(link.startScan(&pane), studio);
    QCOMPARE(pane.only(Msg::ListStudioCleared).size(), 1);
    QCOMPARE(pane.entries[0].lParam, AsLParam(studio));
    QCOMPARE(unitsWhenTold, 0);
    QCOMPARE(writtenWhenTold, QByteArray());
    QCOMPARE(dongle.readExactly(5, 2000), QByteArray::fromHex("ff05000043"));
    QCOMPARE(model.pScanStudio, studio);
}

// The far end is a dongle that forgets its group whenever the port closes: after a reopen it
// must be told again before a command can reach a head.
void RadioLinkTest::everyFrameReachesItsStudiosGroupAcrossReopens() {
    PseudoTerminal dongle;
    QVERIFY(dongle.open());
    StudioModel model;
    MessageRecorder owner;
    lumadesk::RadioLink link(&owner, model);
    const ComSettings line{9600, 8, 0, 0, dongle.devicePath()};
    QVERIFY(link.open(line));
    StudioData* a = model.studios[0].get();
    StudioData* c = model.studios[2].get();
    SelectStudio(&model, a);
    QCOMPARE(link.startScan(nullptr), a);
    const QByteArray selectA = QByteArray::fromHex("ff05000041");
    const QByteArray selectC = QByteArray::fromHex("ff05000043");
    QCOMPARE(dongle.readExactly(5, 2000), selectA);
    StrobeData* headA = PutStrobe(a, 1, std::make_unique<StrobeData>());
    StrobeData* headC = PutStrobe(c, 1, std::make_unique<StrobeData>());
    const QByteArray cellOn = QByteArray::fromHex("ff0717000200") + char(0x02);
    headA->bFlashCell = headC->bFlashCell = 1;

    // A's head: A is addressed. C's head while A is scanned: C's select goes first.
    link.protocol().SendUnitCommand(0, headA, CMD_FLASH_CELL);
    QCOMPARE(dongle.readFor(100), cellOn);
    SelectStudio(&model, c);
    link.protocol().SendUnitCommand(0, headC, CMD_FLASH_CELL);
    QCOMPARE(dongle.readFor(100), selectC + cellOn);
    QCOMPARE(model.pAddressedStudio, c);
    QCOMPARE(model.pScanStudio, a); // nothing was emptied

    // A report now is C's head's, whichever studio is shown.
    SelectStudio(&model, a);
    QVERIFY(dongle.writeAll(QByteArray::fromHex("ff0d0100020150320000000001")));
    const int flashOfA = headA->nFlashValue;
    QTRY_COMPARE(headC->nFlashValue, 0x50);
    QCOMPARE(headA->nFlashValue, flashOfA);

    // Unplugged and back: the scanned studio is selected again before anything else.
    link.close();
    QCOMPARE(model.pAddressedStudio, nullptr);
    QVERIFY(link.open(line));
    QCOMPARE(dongle.readFor(100), selectA);
    QCOMPARE(model.pAddressedStudio, a);
    headC->bFlashCell = 1; // the report above said off
    link.protocol().SendUnitCommand(0, headC, CMD_FLASH_CELL);
    QCOMPARE(dongle.readFor(100), selectC + cellOn);
}

namespace {

// Counts the bytes-received messages that reach an object.
struct TellCounter : QObject {
    int told = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        told += event->type() == QEvent::Type(QEvent::User + Msg::FrameBytesReceived) ? 1 : 0;
        return false;
    }
};

QByteArray statusOfChannel0(int level) {
    return QByteArray::fromHex("ff0d01000101") + char(level) + QByteArray::fromHex("320000000001");
}

} // namespace

// A lone report is read on the link's own thread, without a message from the reader; a burst
// goes to the reader thread and back, and no report is lost on the way.
void RadioLinkTest::theLinkReadsAQuietLineItselfAndLosesNothingOfABurst() {
    PseudoTerminal dongle;
    QVERIFY(dongle.open());
    StudioModel model;
    MessageRecorder owner;
    lumadesk::RadioLink link(&owner, model);
    TellCounter counter;
    link.installEventFilter(&counter);
    StudioData* studio = model.studios[0].get();
    SelectStudio(&model, studio);
    QVERIFY(link.open(ComSettings{115200, 8, 0, 0, dongle.devicePath()}));
    model.pAddressedStudio = studio;
    const auto statuses = [&] { return owner.only(Msg::FrameUnitStatus).size(); };

    QVERIFY(dongle.writeAll(statusOfChannel0(20)));
    QTRY_VERIFY(studio->UnitOn(0) != nullptr && studio->UnitOn(0)->nFlashValue == 20);
    QCOMPARE(counter.told, 0);

    constexpr int kBurst = 300;
    for (int k = 0; k < kBurst; ++k)
        QVERIFY(dongle.writeAll(statusOfChannel0(21 + k % 60)));
    QTRY_COMPARE_WITH_TIMEOUT(statuses(), kBurst, 10000);
    QCOMPARE(studio->UnitOn(0)->nFlashValue, 21 + (kBurst - 1) % 60);

    QTRY_VERIFY(link.port().OwnerWatchesLine());
    counter.told = 0;
    QVERIFY(dongle.writeAll(statusOfChannel0(15)));
    QTRY_COMPARE(studio->UnitOn(0)->nFlashValue, 15);
    QCOMPARE(counter.told, 0);
}

QTEST_GUILESS_MAIN(RadioLinkTest)
#include "tst_radiolink.moc"
