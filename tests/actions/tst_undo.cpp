#include "ActionsRig.h"
#include "link/FrameTypes.h"
#include "platform/Messages.h"
#include "support/Hex.h"

using namespace lumadesk;
using namespace lumadesk::rigsteps;

class UndoTest : public QObject {
    Q_OBJECT
private slots:
    void undoPutsBackWhatTheStepChangedAndRedoSendsItAgain_data();
    void undoPutsBackWhatTheStepChangedAndRedoSendsItAgain();
    void movesOfOneValueWithinASecondAreOneStep();
    void togglesOfOneSwitchWithinASecondAreOneStep_data();
    void togglesOfOneSwitchWithinASecondAreOneStep();
    void historyKeepsTheLastThousandSteps();
    void listenersOfChangedFindTheStepInPlace_data();
    void listenersOfChangedFindTheStepInPlace();
    void undoLeavesWhatAReportMovedSince_data();
    void undoLeavesWhatAReportMovedSince();
    void forgettingAStudioKeepsTheOthersStepsInPlace();
    void heldHeadsAreNamedWithWhatTheyDidNotTake_data();
    void heldHeadsAreNamedWithWhatTheyDidNotTake();
};

void UndoTest::undoPutsBackWhatTheStepChangedAndRedoSendsItAgain_data() {
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("sent");   // the step's frame, and redo's
    QTest::addColumn<QString>("undone"); // undo's frame
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("told"); // what the control pane is sent on undo
    const QString levels = " 00 00 00 00 00 00 00 00 00 00 00 00 00 00";
    const QList<int> current{Msg::CtrlCurrentUnit};
    const QList<int> group{Msg::CtrlGroupReset, Msg::CtrlCurrentUnit};
    QTest::newRow("flash level") << int(FlashLevel) << "ff 07 13 00 04 29 32"
                                 << "ff 07 13 00 04 28 32"
                                 << "Undo flash 4.1 on CH-03" << current;
    QTest::newRow("switch") << int(Cell) << "ff 07 17 00 04 00 02"
                            << "ff 07 17 00 04 00 00"
                            << "Undo cell on for CH-03" << current;
    QTest::newRow("test flash is no step")
        << int(Test) << "ff 07 1b 00 04 00 00" << QString() << "Undo" << QList<int>{};
    QTest::newRow("offset") << int(GroupOffset) << "ff 17 1e 00 00 00 00 29 32" + levels
                            << "ff 17 1e 00 00 00 00 28 32" + levels << "Undo offset +0.1 on 1 head"
                            << group;
    QTest::newRow("group switch") << int(GroupSound) << "ff 07 18 00 04 00 04"
                                  << "ff 07 18 00 04 00 00"
                                  << "Undo sound on for 1 head" << group;
}

void UndoTest::undoPutsBackWhatTheStepChangedAndRedoSendsItAgain() {
    QFETCH(int, step);
    QFETCH(QString, sent);
    QFETCH(QString, undone);
    ActionsRig rig;
    const int bytes = int(sent.size() + 1) / 3;
    take(rig, Step(step));
    QCOMPARE(rig.frames(bytes), sent);
    QTEST(rig.history.undoText(), "text");
    QCoreApplication::sendPostedEvents();
    rig.navigation.entries.clear(); // forgets the step's own
    rig.control.entries.clear();

    rig.history.undo();
    QCOMPARE(rig.frames(undone.isEmpty() ? 0 : bytes), undone);
    QList<int> told;
    for (const auto& e : rig.control.entries)
        told << e.number;
    QTEST(told, "told");
    if (undone.isEmpty())
        return;
    QCOMPARE(rig.unit->nFlashValue, 40);
    QCOMPARE(rig.unit->bFlashCell + rig.unit->bFlashSnd, 0);
    QCoreApplication::sendPostedEvents();
    QCOMPARE(rig.navigation.count(Msg::NavUnitSetting) + rig.navigation.count(Msg::NavGroupChange),
             1); // the grid redraws what came back

    rig.history.redo();
    QCOMPARE(rig.frames(bytes), sent);
    QCOMPARE(rig.history.redoText(), QString("Redo"));
}

void UndoTest::movesOfOneValueWithinASecondAreOneStep() {
    ActionsRig rig;
    for (int n = 0; n < 3; ++n) {
        QVERIFY(rig.actions.stepLevel(*rig.unit, true, 1));
        rig.now += 300;
    }
    QCOMPARE(rig.history.stack().count(), 1);
    QCOMPARE(rig.history.undoText(), QString("Undo flash 4.3 on CH-03"));
    rig.now += 1500;
    QVERIFY(rig.actions.stepLevel(*rig.unit, true, 1));
    QCOMPARE(rig.history.stack().count(), 2);
    rig.frames(4 * 7);

    rig.history.undo();
    rig.history.undo();
    QCOMPARE(rig.frames(2 * 7), QString("ff 07 13 00 04 2b 32 ff 07 13 00 04 28 32"));
    QCOMPARE(rig.unit->nFlashValue, 40);
}

void UndoTest::togglesOfOneSwitchWithinASecondAreOneStep_data() {
    QTest::addColumn<int>("toggles");
    QTest::addColumn<int>("gapMs");
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("undone"); // the cell after one undo
    QTest::newRow("two within a second") << 2 << 900 << 1 << 0;
    QTest::newRow("five, each within a second of the last") << 5 << 600 << 1 << 0;
    QTest::newRow("two a second and more apart") << 2 << 1001 << 2 << 1;
}

void UndoTest::togglesOfOneSwitchWithinASecondAreOneStep() {
    QFETCH(int, toggles);
    QFETCH(int, gapMs);
    ActionsRig rig;
    for (int n = 0; n < toggles; ++n) {
        QVERIFY(rig.actions.setSwitch(*rig.unit, CMD_FLASH_CELL, n % 2 == 0 ? 1 : 0));
        rig.now += gapMs;
    }
    QTEST(rig.history.stack().count(), "steps");
    rig.history.undo();
    QTEST(rig.unit->bFlashCell, "undone");
}

void UndoTest::historyKeepsTheLastThousandSteps() {
    ActionsRig rig;
    rig.link.close(); // nothing on the air
    for (int n = 0; n < 1500; ++n) {
        QVERIFY(rig.actions.stepLevel(*rig.unit, true, n % 2 == 0 ? 1 : -1));
        rig.now += 2000; // never merged
    }
    QCOMPARE(rig.history.stack().count(), OperatorHistory::kUndoLimit);
    for (int n = 0; n < OperatorHistory::kUndoLimit; ++n)
        rig.history.undo();
    QVERIFY(!rig.history.stack().canUndo());
    QCOMPARE(rig.history.undoText(), QString("Undo"));
}

// The phone republishes on changed(): it must find the history as the change left it.
void UndoTest::listenersOfChangedFindTheStepInPlace_data() {
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("seen");
    QTest::newRow("unit command") << int(Cell) << "Undo cell on for CH-03 / Redo";
    QTest::newRow("offset") << int(GroupOffset) << "Undo offset +0.1 on 1 head / Redo";
    QTest::newRow("rename") << int(Rename) << "Undo name \"Key\" / Redo";
    QTest::newRow("undo") << int(Undo) << "Undo / Redo flash 4.1 on CH-03";
    QTest::newRow("redo") << int(Redo) << "Undo flash 4.1 on CH-03 / Redo";
}

void UndoTest::listenersOfChangedFindTheStepInPlace() {
    QFETCH(int, step);
    ActionsRig rig;
    if (step == Undo || step == Redo)
        take(rig, FlashLevel);
    if (step == Redo)
        take(rig, Undo);
    QStringList heard;
    connect(&rig.actions, &OperatorActions::changed, this,
            [&rig, &heard] { heard << rig.history.undoText() + " / " + rig.history.redoText(); });
    take(rig, Step(step));
    QFETCH(QString, seen);
    QCOMPARE(heard, QStringList{seen}); // once
}

// A status report moved another value of the head after the step: undo puts back only the
// step's value, leaves the reported one, and the news names only what undo moved.
void UndoTest::undoLeavesWhatAReportMovedSince_data() {
    QTest::addColumn<int>("step");
    QTest::addColumn<QByteArray>("report");
    QTest::addColumn<int>("flash");
    QTest::addColumn<int>("cell");
    QTest::addColumn<int>("sound");
    QTest::addColumn<quint32>("told");
    QTest::newRow("switch undone, the level reported stays")
        << int(Cell) << hex("ff 0d 01 00 04 01 2d 32 01 00 00 00 01") << 45 << 0 << 0
        << quint32(MaskOf(CHANGE_FLASH_CELL) | kCueMask);
    QTest::newRow("level undone, the switch reported stays")
        << int(FlashLevel) << hex("ff 0d 01 00 04 01 29 32 00 01 00 00 01") << 40 << 0 << 1
        << quint32(MaskOf(CHANGE_FLASH_LEVEL) | kCueMask);
}

void UndoTest::undoLeavesWhatAReportMovedSince() {
    QFETCH(int, step);
    QFETCH(QByteArray, report);
    ActionsRig rig;
    take(rig, Step(step));
    rig.report(report);
    QList<quint32> masks;
    connect(&rig.model.news, &ModelNews::headChanged, this,
            [&masks](int, int, quint32 mask) { masks << mask; });
    rig.history.undo();
    QTEST(rig.unit->nFlashValue, "flash");
    QTEST(rig.unit->bFlashCell, "cell");
    QTEST(rig.unit->bFlashSnd, "sound");
    QFETCH(quint32, told);
    QCOMPARE(masks, QList<quint32>{told});
}

// A scan of Studio A forgets its steps; Studio B's keep their order and the place of the undo,
// and undo and redo act on them still.
void UndoTest::forgettingAStudioKeepsTheOthersStepsInPlace() {
    ActionsRig rig;
    StrobeData* other = rig.add(1, 0);
    auto at = [&rig](StrobeData* unit, int type) {
        QVERIFY(rig.actions.setSwitch(*unit, type, 1));
        rig.now += 2000;
    };
    at(rig.unit, CMD_FLASH_CELL);
    at(other, CMD_FLASH_CELL);
    at(rig.unit, CMD_FLASH_SOUND);
    at(other, CMD_FLASH_SOUND);
    rig.history.undo(); // Studio B's sound
    QCOMPARE(other->bFlashSnd, 0);

    rig.history.forgetStudio(0);
    QCOMPARE(rig.history.stack().count(), 2);
    QCOMPARE(rig.history.stack().index(), 1);
    QCOMPARE(rig.history.undoText(), QString("Undo cell on for CH-01"));
    QCOMPARE(rig.history.redoText(), QString("Redo sound on for CH-01"));
    QCOMPARE(rig.unit->bFlashCell + rig.unit->bFlashSnd, 2); // forgetting writes nothing

    rig.history.redo();
    QCOMPARE(other->bFlashSnd, 1);
    rig.history.undo();
    rig.history.undo();
    QCOMPARE(other->bFlashSnd + other->bFlashCell, 0);
    QVERIFY(!rig.history.stack().canUndo());
    QCOMPARE(rig.unit->bFlashCell + rig.unit->bFlashSnd, 2);
}

void UndoTest::heldHeadsAreNamedWithWhatTheyDidNotTake_data() {
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second");
    QTest::addColumn<int>("change");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("reachLow");
    QTest::addColumn<int>("reachHigh");
    QTest::newRow("none held") << 30 << 75 << 5 << QString() << -19 << 6;
    QTest::newRow("one held up") << 30 << 75 << 10
                                 << "CH-02 held at 8.1: +0.4 of the offset not applied" << -19 << 6;
    QTest::newRow("one held down")
        << 12 << 75 << -3
        << QStringLiteral("CH-01 held at 1.1: \u22120.2 of the offset not applied") << -1 << 6;
    QTest::newRow("both held") << 30 << 75 << 55
                               << "CH-01 held at 8.1: +0.4 of the offset not applied; "
                                  "CH-02 held at 8.1: +4.9 of the offset not applied"
                               << -19 << 6;
}

void UndoTest::heldHeadsAreNamedWithWhatTheyDidNotTake() {
    QFETCH(int, first);
    QFETCH(int, second);
    QFETCH(int, change);
    QFETCH(QString, text);
    QFETCH(int, reachLow);
    QFETCH(int, reachHigh);
    QCOMPARE(HeldText(HeldByOffset(
                 {{QStringLiteral("CH-01"), first}, {QStringLiteral("CH-02"), second}}, change)),
             text);
    const auto [low, high] = OffsetReach({first, second});
    QCOMPARE(low, reachLow);
    QCOMPARE(high, reachHigh);
    // Within the reach no head is held, so stepping back returns each exactly.
    QVERIFY(
        HeldByOffset({{QStringLiteral("CH-01"), first}, {QStringLiteral("CH-02"), second}}, high)
            .empty());
    QVERIFY(HeldByOffset({{QStringLiteral("CH-01"), first}, {QStringLiteral("CH-02"), second}}, low)
                .empty());
}

QTEST_MAIN(UndoTest)
#include "tst_undo.moc"
