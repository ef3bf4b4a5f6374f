#include "ActionsRig.h"
#include "model/HeadRole.h"

using namespace lumadesk;
using namespace lumadesk::rigsteps;

// The desk's lock refuses whatever would reach a head, from whichever caller; test all fires
// every head in turn and ends at a lock.
class LockTest : public QObject {
    Q_OBJECT
private slots:
    void lockRefusesEveryChangeAndUndoButNotNames_data();
    void lockRefusesEveryChangeAndUndoButNotNames();
    void testAllFiresEachHeadInSlotOrderAndALockEndsIt();
};

void LockTest::lockRefusesEveryChangeAndUndoButNotNames_data() {
    QTest::addColumn<int>("step");
    QTest::newRow("level") << int(FlashLevel);
    QTest::newRow("switch") << int(Cell);
    QTest::newRow("test flash") << int(Test);
    QTest::newRow("group offset") << int(GroupOffset);
    QTest::newRow("group switch") << int(GroupSound);
    QTest::newRow("undo") << int(Undo);
    QTest::newRow("redo") << int(Redo);
}

void LockTest::lockRefusesEveryChangeAndUndoButNotNames() {
    QFETCH(int, step);
    ActionsRig rig;
    take(rig, FlashLevel); // something to undo
    rig.frames(7);
    if (step == Redo) {
        rig.history.undo();
        rig.frames(7);
    }
    const QString undoText = rig.history.undoText();
    const int level = rig.unit->nFlashValue;
    QSignalSpy refused(&rig.actions, &OperatorActions::refused);
    rig.actions.setLocked(true);

    take(rig, Step(step));
    QCOMPARE(rig.frames(0), QString()); // nothing on the wire
    QCOMPARE(rig.unit->nFlashValue, level);
    QCOMPARE(rig.unit->bFlashCell + rig.unit->bFlashSnd, 0); // put back
    QCOMPARE(rig.history.undoText(), undoText);
    QCOMPARE(refused.count(), 1);
    QCOMPARE(refused.first().first().toString(), OperatorActions::lockedText());

    take(rig, Rename); // a name is not a head's setting
    QCOMPARE(rig.unit->sModelName, QStringLiteral("Key"));
    rig.actions.setLocked(false);
    take(rig, Cell);
    QCOMPARE(rig.frames(7).size(), 20);
}

void LockTest::testAllFiresEachHeadInSlotOrderAndALockEndsIt() {
    ActionsRig rig;
    rig.add(0, 5)->sModelName = QStringLiteral("Boom");
    StrobeData* first = rig.add(0, 0);
    first->nRole = int(HeadRole::Key);
    QSignalSpy notes(&rig.actions, &OperatorActions::note);
    QSignalSpy ended(&rig.actions, &OperatorActions::testAllEnded);

    QVERIFY(rig.actions.testAll(*rig.studio));
    // The first fires at once; the rest follow one by one.
    QCOMPARE(notes.count(), 1);
    QVERIFY(rig.actions.testingAll());
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 5000);
    QCOMPARE(rig.frames(21),
             QStringLiteral("ff 07 1b 00 01 00 00 ff 07 1b 00 04 00 00 ff 07 1b 01 00 00 00"));
    QStringList said;
    for (const auto& args : notes)
        said << args.first().toString();
    QCOMPARE(said, QStringList({"Test flash: CH-01 Key", "Test flash: CH-03 Not define",
                                "Test flash: CH-06 Boom"}));
    QCOMPARE(rig.history.undoText(), QStringLiteral("Undo")); // no step to name

    notes.clear();
    QVERIFY(rig.actions.testAll(*rig.studio));
    rig.actions.setLocked(true);
    QCOMPARE(ended.count(), 2);
    QVERIFY(!rig.actions.testingAll());
    rig.frames(7);
    QCOMPARE(rig.frames(0), QString()); // nothing after the lock
    QVERIFY(!rig.actions.testAll(*rig.studio));
}

QTEST_GUILESS_MAIN(LockTest)
#include "tst_lock.moc"
