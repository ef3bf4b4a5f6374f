#include "model/StudioModel.h"

#include <QtTest>

using namespace lumadesk;

class StudioModelTest : public QObject {
    Q_OBJECT
private slots:
    void newModelHasFiveEmptyNamedStudiosAndMemoryStudio();
    void newRecordPlacedInSlotTakesSlotIdentity();
    void placingIntoUsedSlotReplacesRecordAndKeepsCount();
    void placeStrobeRefusesOutOfRangeAndLeavesRecordToCaller_data();
    void placeStrobeRefusesOutOfRangeAndLeavesRecordToCaller();
    void placeStrobeMovesCurrentNodeOffReplacedRecord();
    void nodesResolveToStudioAndUnit();
    void clearingCurrentStudioMovesCurrentNodeToStudio();
    void clearingAnotherStudioLeavesCurrentNodeAlone();
    void copyStudioValuesTouchesOnlySlotsUsedInBoth();
    void ownsRecordOnlyWhileAStudioHoldsIt();
    void shownUnitsAreTheCurrentStudiosFirstEntriesStillHeld();
};

namespace {

StrobeData* put(StudioData* studio, int ch, int flash = 0) {
    auto record = std::make_unique<StrobeData>();
    record->nFlashValue = flash;
    return PutStrobe(studio, ch, std::move(record));
}

void showInTree(StudioData* studio) {
    studio->nNodeKind = NODE_STUDIO;
    for (int i = 0; i < kChannelCount; ++i) {
        if (StrobeData* unit = studio->UnitOn(i)) {
            unit->nNodeKind = NODE_STROBE;
            unit->lightNode.nNodeKind = NODE_LIGHT;
        }
    }
}

} // namespace

void StudioModelTest::newModelHasFiveEmptyNamedStudiosAndMemoryStudio() {
    StudioModel model;
    const QStringList names{"Studio A", "Studio B", "Studio C", "Studio D", "Studio E"};
    for (int i = 0; i < kStudioCount; ++i) {
        QCOMPARE(model.studios[i]->nStudioNum, i);
        QCOMPARE(model.studios[i]->sStudioName, names[i]);
        QCOMPARE(model.studios[i]->nChItemCnt, 0);
        QCOMPARE(model.studios[i]->nNodeKind, int(NODE_NONE));
    }
    QCOMPARE(model.pMemoryStudio->nStudioNum, -1);
    QCOMPARE(model.pMemoryStudio->sStudioName, QString());
    QCOMPARE(model.pScanStudio, nullptr);
    QCOMPARE(model.pCurNode, nullptr);
    QVERIFY(model.arrShown.empty());
    QCOMPARE(model.StudioByNumber(5), nullptr);
    QCOMPARE(model.StudioByNumber(-1), nullptr);
}

void StudioModelTest::newRecordPlacedInSlotTakesSlotIdentity() {
    StudioModel model;
    auto record = std::make_unique<StrobeData>();
    record->nChNum = 7;
    record->sChName = "CH-08";
    StrobeData* placed = PlaceStrobe(&model, 1, 3, std::move(record));
    QVERIFY(placed != nullptr);
    QVERIFY(!record);
    StudioData* studio = model.studios[1].get();
    QCOMPARE(studio->nChItemCnt, 1);
    QCOMPARE(studio->bChUsed[3], 1);
    QCOMPARE(studio->UnitOn(3), placed);
    QCOMPARE(placed->nChNum, 3);
    QCOMPARE(placed->sChName, QString("CH-04"));
    QCOMPARE(placed->pParent, static_cast<NodeHeader*>(studio));
    QCOMPARE(placed->lightNode.pParent, static_cast<NodeHeader*>(placed));
    QCOMPARE(placed->sModelName, QString("Not define"));
    QCOMPARE(placed->sLightName, QString("Not define"));
    QCOMPARE(placed->bFlashCharge, 1);
    QCOMPARE(placed->bFlashPow, 1);
    QCOMPARE(placed->bModelPow, 1);
    for (int value :
         {placed->nFlashValue, placed->bFlashCell, placed->bFlashSnd, placed->nModelValue,
          placed->nModelMode1, placed->nModelMode2, placed->bChSelect, placed->nHeatLevel})
        QCOMPARE(value, 0);
    QCOMPARE(ChannelLabel(9), QString("CH-10"));
    QCOMPARE(ChannelLabel(10), QString());
}

void StudioModelTest::placingIntoUsedSlotReplacesRecordAndKeepsCount() {
    StudioData studio(0, "Studio A");
    put(&studio, 2, 11);
    StrobeData* second = put(&studio, 2, 22);
    QCOMPARE(studio.nChItemCnt, 1);
    QCOMPARE(studio.UnitOn(2), second);
    QCOMPARE(studio.UnitOn(2)->nFlashValue, 22);
    put(&studio, 9);
    QCOMPARE(studio.nChItemCnt, 2);
}

void StudioModelTest::placeStrobeRefusesOutOfRangeAndLeavesRecordToCaller_data() {
    QTest::addColumn<int>("studio");
    QTest::addColumn<int>("channel");
    QTest::newRow("studio 5") << 5 << 0;
    QTest::newRow("memory studio -1") << -1 << 0;
    QTest::newRow("channel 10") << 0 << 10;
    QTest::newRow("channel -1") << 0 << -1;
}

void StudioModelTest::placeStrobeRefusesOutOfRangeAndLeavesRecordToCaller() {
    QFETCH(int, studio);
    QFETCH(int, channel);
    StudioModel model;
    auto record = std::make_unique<StrobeData>();
    StrobeData* raw = record.get();
    QCOMPARE(PlaceStrobe(&model, studio, channel, std::move(record)), nullptr);
    QCOMPARE(record.get(), raw);
    for (const auto& s : model.studios)
        QCOMPARE(s->nChItemCnt, 0);
    QCOMPARE(model.pMemoryStudio->nChItemCnt, 0);
}

void StudioModelTest::placeStrobeMovesCurrentNodeOffReplacedRecord() {
    StudioModel model;
    StudioData* studio = model.studios[0].get();
    StrobeData* old = put(studio, 4);
    showInTree(studio);
    model.pCurNode = &old->lightNode;
    PlaceStrobe(&model, 0, 4, std::make_unique<StrobeData>());
    QCOMPARE(model.pCurNode, static_cast<NodeHeader*>(studio));
}

void StudioModelTest::nodesResolveToStudioAndUnit() {
    StudioModel model;
    StudioData* studio = model.studios[3].get();
    StrobeData* unit = put(studio, 5);
    QCOMPARE(StudioOfNode(unit), nullptr); // not shown in the tree yet
    showInTree(studio);
    QCOMPARE(StudioOfNode(studio), studio);
    QCOMPARE(StudioOfNode(unit), studio);
    QCOMPARE(StudioOfNode(&unit->lightNode), studio);
    QCOMPARE(UnitOfNode(studio), nullptr);
    QCOMPARE(UnitOfNode(unit), unit);
    QCOMPARE(UnitOfNode(&unit->lightNode), unit);
    QCOMPARE(StudioOfNode(nullptr), nullptr);
    QCOMPARE(UnitOfNode(nullptr), nullptr);
}

void StudioModelTest::clearingCurrentStudioMovesCurrentNodeToStudio() {
    for (const bool onLightNode : {false, true}) {
        StudioModel model;
        StudioData* studio = model.studios[1].get();
        put(studio, 0);
        StrobeData* unit = put(studio, 6);
        showInTree(studio);
        model.pCurNode = onLightNode ? &unit->lightNode : static_cast<NodeHeader*>(unit);
        ClearStudio(&model, studio);
        QCOMPARE(model.pCurNode, static_cast<NodeHeader*>(studio));
        QCOMPARE(studio->nChItemCnt, 0);
        for (int i = 0; i < kChannelCount; ++i) {
            QCOMPARE(studio->bChUsed[i], 0);
            QVERIFY(!studio->pStrobe[i]);
        }
        QCOMPARE(studio->sStudioName, QString("Studio B"));
        QCOMPARE(studio->nStudioNum, 1);
    }
}

void StudioModelTest::clearingAnotherStudioLeavesCurrentNodeAlone() {
    StudioModel model;
    StrobeData* unit = put(model.studios[0].get(), 1);
    put(model.studios[2].get(), 1);
    showInTree(model.studios[0].get());
    model.pCurNode = unit;
    ClearStudio(&model, model.studios[2].get());
    QCOMPARE(model.pCurNode, static_cast<NodeHeader*>(unit));
    QCOMPARE(model.studios[2]->nChItemCnt, 0);
    QCOMPARE(model.studios[0]->nChItemCnt, 1);
}

void StudioModelTest::copyStudioValuesTouchesOnlySlotsUsedInBoth() {
    StudioData source(-1, "");
    StudioData destination(0, "Studio A");
    StrobeData* from0 = put(&source, 0, 30);
    StrobeData* from4 = put(&source, 4, 44);
    from4->sModelName = "Key light";
    from4->sLightName = "Softbox";
    from4->bFlashCharge = 0;
    from4->bModelPow = 0;
    from4->nChNum = 4;
    from4->bChSelect = 1;
    from4->nHeatLevel = 90;
    StrobeData* to4 = put(&destination, 4, 12);
    to4->bChSelect = 0;
    to4->nHeatLevel = 61;
    StrobeData* to7 = put(&destination, 7, 77);

    QCOMPARE(CopyStudioValues(&destination, &source), 1);
    QCOMPARE(destination.nChItemCnt, 2);
    QCOMPARE(destination.UnitOn(0), nullptr);
    QCOMPARE(to4->nFlashValue, 44);
    QCOMPARE(to4->sModelName, QString("Key light"));
    QCOMPARE(to4->sLightName, QString("Softbox"));
    QCOMPARE(to4->bFlashCharge, 0);
    QCOMPARE(to4->bModelPow, 0);
    QCOMPARE(to4->bChSelect, 0);   // run-time state stays
    QCOMPARE(to4->nHeatLevel, 61); // run-time state stays
    QCOMPARE(to4->sChName, QString("CH-05"));
    QCOMPARE(to7->nFlashValue, 77);
    QCOMPARE(from0->nFlashValue, 30);
    QCOMPARE(CopyStudioValues(nullptr, &source), 0);
}

void StudioModelTest::ownsRecordOnlyWhileAStudioHoldsIt() {
    StudioModel model;
    StrobeData* unit = put(model.studios[4].get(), 8);
    StrobeData* preview = put(model.pMemoryStudio.get(), 2);
    QVERIFY(model.OwnsRecord(unit));
    QVERIFY(model.OwnsRecord(preview));
    ClearStudio(&model, model.studios[4].get());
    QVERIFY(!model.OwnsRecord(unit));
    QVERIFY(!model.OwnsRecord(nullptr));
}

void StudioModelTest::shownUnitsAreTheCurrentStudiosFirstEntriesStillHeld() {
    StudioModel model;
    StudioData* studio = model.studios[1].get();
    StrobeData* a = put(studio, 0);
    StrobeData* b = put(studio, 3);
    StrobeData* elsewhere = put(model.studios[2].get(), 3);
    QVERIFY(ShownUnits(model).empty()); // no current studio
    SelectStudio(&model, studio);
    model.arrShown = {a, elsewhere, b};
    QCOMPARE(ShownUnits(model), std::vector<StrobeData*>({a})); // two entries, one not its own
    PlaceStrobe(&model, 1, 5, std::make_unique<StrobeData>());
    QCOMPARE(ShownUnits(model), std::vector<StrobeData*>({a, b}));
    PlaceStrobe(&model, 1, 3, std::make_unique<StrobeData>()); // b destroyed, not yet reshown
    QCOMPARE(ShownUnits(model), std::vector<StrobeData*>({a}));
}

QTEST_APPLESS_MAIN(StudioModelTest)
#include "tst_studiomodel.moc"
