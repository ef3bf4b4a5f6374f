#include "ActionsRig.h"
#include "link/FrameTypes.h"
#include "platform/Messages.h"
#include "support/Hex.h"
#include "views/CNavigationFormView.h"
#include "views/CNavigationGrid.h"

using namespace lumadesk;

class ModelNewsTest : public QObject {
    Q_OBJECT
private slots:
    void eachWriteTellsItsNewsOnce_data();
    void eachWriteTellsItsNewsOnce();
};

namespace {

// Every signal of the news in order, as "changed 0 2 flash cell".
struct NewsLog {
    QStringList heard;

    explicit NewsLog(ModelNews& news) {
        QObject::connect(&news, &ModelNews::headAdded, &news,
                         [this](int s, int c) { heard << QString("added %1 %2").arg(s).arg(c); });
        QObject::connect(&news, &ModelNews::headRemoved, &news,
                         [this](int s, int c) { heard << QString("removed %1 %2").arg(s).arg(c); });
        QObject::connect(&news, &ModelNews::headChanged, &news, [this](int s, int c, quint32 m) {
            heard << QString("changed %1 %2 %3").arg(s).arg(c).arg(words(m));
        });
        QObject::connect(&news, &ModelNews::studioEmptied, &news,
                         [this](int s) { heard << QString("emptied %1").arg(s); });
        QObject::connect(&news, &ModelNews::studioRenamed, &news,
                         [this](int s) { heard << QString("renamed %1").arg(s); });
        QObject::connect(&news, &ModelNews::currentChanged, &news,
                         [this] { heard << QString("current"); });
        QObject::connect(&news, &ModelNews::ticksChanged, &news,
                         [this](int s) { heard << QString("ticks %1").arg(s); });
        QObject::connect(&news, &ModelNews::setupsChanged, &news,
                         [this] { heard << QString("setups"); });
        QObject::connect(&news, &ModelNews::drainBegun, &news,
                         [this] { heard << QString("begun"); });
        QObject::connect(&news, &ModelNews::drainEnded, &news,
                         [this] { heard << QString("ended"); });
    }

    static QString words(quint32 mask) {
        static const std::pair<ValueMask, const char*> bits[] = {
            {MaskOf(CHANGE_FLASH_LEVEL), "flash"},
            {MaskOf(CHANGE_FLASH_CELL), "cell"},
            {MaskOf(CHANGE_FLASH_SOUND), "sound"},
            {MaskOf(CHANGE_FLASH_POWER), "power"},
            {MaskOf(CHANGE_MODEL_LEVEL), "model"},
            {MaskOf(CHANGE_MODEL_MODE1), "mode1"},
            {MaskOf(CHANGE_MODEL_MODE2), "mode2"},
            {MaskOf(CHANGE_MODEL_POWER), "lamp"},
            {MaskOf(CHANGE_CHARGE), "charge"},
            {kHeatMask, "heat"},
            {kNamesMask, "names"},
            {kCueMask, "cue"}};
        QStringList out;
        for (const auto& [bit, word] : bits) {
            if ((mask & bit) != 0)
                out << word;
        }
        return out.join(' ');
    }
};

enum Write {
    NewHeadReport,
    StatusReport,
    StatusReportOfNothingNew,
    SettingEcho,
    HeatReport,
    UnitCommand,
    ProportionalLevel,
    GroupOffset,
    Load,
    Undo,
    Rename,
    Clear,
    Place,
    Current,
    Tick,
};

} // namespace

// Studio A holds CH-03 (current), CH-05 and CH-07, CH-03 and CH-07 ticked; "evening" holds
// them as they are. A report comes on the air as the dongle writes it.
void ModelNewsTest::eachWriteTellsItsNewsOnce_data() {
    QTest::addColumn<int>("write");
    QTest::addColumn<QByteArray>("wire"); // for reports
    QTest::addColumn<QStringList>("news");
    const QByteArray none;
    QTest::newRow("status report of a new head")
        << int(NewHeadReport) << hex("ff 0d 01 00 01 01 32 32 00 00 00 00 01")
        << QStringList{"begun", "added 0 0", "ended"};
    QTest::newRow("status report moving two values")
        << int(StatusReport) << hex("ff 0d 01 00 04 01 2d 32 01 00 00 00 01")
        << QStringList{"begun", "changed 0 2 flash cell", "ended"};
    QTest::newRow("status report of nothing new")
        << int(StatusReportOfNothingNew) << hex("ff 0d 01 00 04 01 28 32 00 00 00 00 01")
        << QStringList{"begun", "ended"};
    QTest::newRow("setting echo") << int(SettingEcho) << hex("ff 07 17 00 04 00 02")
                                  << QStringList{"begun", "changed 0 2 cell", "ended"};
    QTest::newRow("heat report") << int(HeatReport) << hex("ff 07 3a 00 04 00 4b")
                                 << QStringList{"begun", "changed 0 2 heat", "ended"};
    QTest::newRow("unit command") << int(UnitCommand) << none
                                  << QStringList{"changed 0 2 sound cue"};
    QTest::newRow("level of a proportional lamp")
        << int(ProportionalLevel) << none << QStringList{"changed 0 2 flash model cue"};
    QTest::newRow("group offset: the ticked heads only")
        << int(GroupOffset)
        << none
        // The levels frame names every head, so CH-05's values are pending too, unmoved.
        << QStringList{"changed 0 2 model cue", "changed 0 4 cue", "changed 0 6 model cue"};
    QTest::newRow("Load: what differs from the set-up")
        << int(Load) << none
        << QStringList{"changed 0 2 cue", "changed 0 4 flash lamp charge names cue",
                       "changed 0 6 cue"};
    QTest::newRow("undo") << int(Undo) << none << QStringList{"changed 0 2 sound cue"};
    QTest::newRow("rename") << int(Rename) << none << QStringList{"changed 0 4 names"};
    QTest::newRow("clear studio") << int(Clear) << none << QStringList{"current", "emptied 0"};
    QTest::newRow("place a head") << int(Place) << none << QStringList{"added 0 8"};
    QTest::newRow("current node") << int(Current) << none << QStringList{"current"};
    QTest::newRow("tick box") << int(Tick) << none << QStringList{"ticks 0"};
}

void ModelNewsTest::eachWriteTellsItsNewsOnce() {
    QFETCH(int, write);
    QFETCH(QByteArray, wire);
    ActionsRig rig;
    StrobeData* fifth = rig.add(0, 4);
    StrobeData* seventh = rig.add(0, 6);
    rig.unit->bChSelect = 1;
    seventh->bChSelect = 1;
    QVERIFY(rig.save("evening"));
    if (write == Undo)
        QVERIFY(rig.actions.setSwitch(*rig.unit, CMD_FLASH_SOUND, 1));
    if (write == Load) {
        fifth->nFlashValue = 60;
        fifth->bModelPow = 0;
        fifth->bFlashCharge = 0;
        fifth->sLightName = "Rim";
    }
    std::unique_ptr<CNavigationFormView> grid;
    MessageRecorder control;
    if (write == Tick) {
        grid = std::make_unique<CNavigationFormView>(&rig.model, [&control] { return &control; });
        grid->resize(300, 400);
        grid->show();
        SendMessage(grid.get(), Msg::NavShowStudio, 0, AsLParam(rig.studio));
    }
    NewsLog log(rig.model.news);

    switch (Write(write)) {
    case NewHeadReport:
    case StatusReport:
    case StatusReportOfNothingNew:
    case SettingEcho:
    case HeatReport:
        QVERIFY(rig.dongle.writeAll(wire));
        break;
    case UnitCommand:
        QVERIFY(rig.actions.setSwitch(*rig.unit, CMD_FLASH_SOUND, 1));
        break;
    case ProportionalLevel:
        rig.unit->nModelMode1 = 1;
        QVERIFY(rig.actions.stepLevel(*rig.unit, true, 5));
        break;
    case GroupOffset:
        QVERIFY(rig.actions.offsetTicked(*rig.studio, false, -3));
        break;
    case Load:
        QVERIFY(rig.actions.loadSetup(*rig.studio, "evening"));
        break;
    case Undo:
        rig.history.undo();
        break;
    case Rename: {
        const HeadSnapshot before = SnapshotOf(*fifth);
        fifth->sModelName = "Key"; // as the tree writes it
        rig.actions.renamed(before, false);
        break;
    }
    case Clear:
        ClearStudio(&rig.model, rig.studio);
        break;
    case Place:
        rig.add(0, 8);
        break;
    case Current:
        SetCurrentNode(&rig.model, fifth);
        break;
    case Tick: {
        CNavigationGrid* cells = grid->grid();
        // The current head's box: a click on another would make that head current too.
        const QRect box = CUGCtrl::CheckBoxRect(cells->visualRect(cells->model()->index(2, 0)));
        QTest::mouseClick(cells->viewport(), Qt::LeftButton, {}, box.center());
        QCOMPARE(rig.unit->bChSelect, 0);
        break;
    }
    }
    QFETCH(QStringList, news);
    QTRY_COMPARE(log.heard, news);
    QCoreApplication::sendPostedEvents();
    QCOMPARE(log.heard, news); // and nothing after
}

QTEST_MAIN(ModelNewsTest)
#include "tst_modelnews.moc"
