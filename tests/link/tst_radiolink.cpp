#include "link/CZbEventHandler.h"
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
    void scanEmptiesTellsThePaneThenCallsTheGroup();
};

void RadioLinkTest::tapSeesEachEventBeforeTheHandlerAppliesIt() {
    StudioModel model;
    MessageRecorder owner;
    lumadesk::RadioLink link(&owner, model);
    UnitSeenTap tap;
    tap.studio = model.studios[1].get();
    SelectStudio(&model, tap.studio);
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

QTEST_GUILESS_MAIN(RadioLinkTest)
#include "tst_radiolink.moc"
