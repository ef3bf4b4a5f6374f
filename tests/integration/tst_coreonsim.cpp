#include "link/CommandFrames.h"
#include "link/RadioLink.h"
#include "model/StudioModel.h"
#include "platform/Messages.h"
#include "platform/WindowMessage.h"
#include "sim/Simulator.h"
#include "support/QuickHeads.h"

#include <QtTest>

using namespace lumadesk;

namespace {

// The console's core as the main frame holds it: the model and the radio link, which drains
// itself; it counts the handler's messages.
class Core : public QObject {
public:
    StudioModel model;
    lumadesk::RadioLink link{this, model};
    CZbProtocol& protocol = link.protocol();
    QList<int> messages;

    int count(int number) const { return int(messages.count(number)); }

protected:
    void customEvent(QEvent* event) override {
        WindowMessage* message = AsWindowMessage(event);
        if (message != nullptr)
            messages.append(message->number());
    }
};

} // namespace

class CoreOnSimTest : public QObject {
    Q_OBJECT
private slots:
    void studioSelectCreatesExactlyTheAnsweringHeads();
    void unitCommandIsEchoedAndConfirmedInTheRecord();
    void levelsFrameComesBackApplied();
};

void CoreOnSimTest::studioSelectCreatesExactlyTheAnsweringHeads() {
    sim::Simulator dongle(quickHeads("B:1,3,10,C:2"));
    QVERIFY2(dongle.start(), qPrintable(dongle.errorString()));
    Core core;
    QVERIFY(core.link.open(ComSettings{9600, 8, 0, 0, dongle.devicePath()}));
    StudioData* studio = core.model.studios[1].get();
    SelectStudio(&core.model, studio);

    core.protocol.SendStudioSelect(1);
    QTRY_COMPARE(core.count(Msg::FrameNewUnit), 3);
    QCOMPARE(studio->nChItemCnt, 3);
    for (int channel : {0, 2, 9}) {
        QVERIFY(studio->UnitOn(channel) != nullptr);
        QCOMPARE(studio->UnitOn(channel)->nFlashValue, 50);
        QCOMPARE(studio->UnitOn(channel)->sChName, ChannelLabel(channel));
    }
    QCOMPARE(core.model.studios[2]->nChItemCnt, 0); // group C did not hear the select
}

void CoreOnSimTest::unitCommandIsEchoedAndConfirmedInTheRecord() {
    sim::Simulator dongle(quickHeads("A:4"));
    QVERIFY2(dongle.start(), qPrintable(dongle.errorString()));
    Core core;
    QVERIFY(core.link.open(ComSettings{9600, 8, 0, 0, dongle.devicePath()}));
    SelectStudio(&core.model, core.model.studios[0].get());
    core.protocol.SendStudioSelect(0);
    QTRY_VERIFY(core.model.studios[0]->UnitOn(3) != nullptr);
    StrobeData* unit = core.model.studios[0]->UnitOn(3);

    // The operator's change goes into the record first and is sent from it; the echo stores
    // what the head took (levels above 81 are clamped by the head).
    unit->nFlashValue = 95;
    core.protocol.SendUnitCommand(0, unit, CMD_FLASH_LEVEL);
    QTRY_COMPARE(core.count(Msg::FrameUnitSetting), 1);
    QCOMPARE(unit->nFlashValue, 81);
    QCOMPARE(dongle.heads().constFirst().settings.flashLevel, quint8(81));

    unit->bFlashCell = 1;
    core.protocol.SendUnitCommand(0, unit, CMD_FLASH_CELL);
    unit->bFlashCell = 0; // only the echo may bring it back
    QTRY_COMPARE(core.count(Msg::FrameUnitSetting), 2);
    QCOMPARE(unit->bFlashCell, 1);
}

void CoreOnSimTest::levelsFrameComesBackApplied() {
    sim::Simulator dongle(quickHeads("E:1,2"));
    QVERIFY2(dongle.start(), qPrintable(dongle.errorString()));
    Core core;
    QVERIFY(core.link.open(ComSettings{9600, 8, 0, 0, dongle.devicePath()}));
    StudioData* studio = core.model.studios[4].get();
    SelectStudio(&core.model, studio);
    core.protocol.SendStudioSelect(4);
    QTRY_COMPARE(studio->nChItemCnt, 2);

    studio->UnitOn(0)->nFlashValue = 33;
    studio->UnitOn(1)->nFlashValue = 44;
    studio->UnitOn(1)->nModelValue = 22;
    core.protocol.SendStudioLevels(LEVELS_FLASH, studio);
    studio->UnitOn(0)->nFlashValue = 0; // the echo restores what the heads took
    QTRY_COMPARE(core.count(Msg::FrameUnitSetting), 2);
    QCOMPARE(studio->UnitOn(0)->nFlashValue, 33);
    QCOMPARE(studio->UnitOn(1)->nFlashValue, 44);
    QCOMPARE(studio->UnitOn(1)->nModelValue, 22);
}

QTEST_GUILESS_MAIN(CoreOnSimTest)
#include "tst_coreonsim.moc"
