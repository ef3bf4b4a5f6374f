#include "PanelRig.h"
#include "panels/COXCoolSpinButtonCtrl.h"
#include "platform/Messages.h"

#include <QComboBox>

using namespace lumadesk;

class UndoTest : public QObject {
    Q_OBJECT
private slots:
    void undoPutsBackWhatTheStepChangedAndRedoSendsItAgain_data();
    void undoPutsBackWhatTheStepChangedAndRedoSendsItAgain();
    void movesOfOneValueWithinASecondAreOneStep();
    void togglesOfOneSwitchWithinASecondAreOneStep_data();
    void togglesOfOneSwitchWithinASecondAreOneStep();
    void historyKeepsTheLastThousandSteps();
};

namespace {

enum Step { FlashSpin, Cell, Test, GroupOffset, GroupSound };

// Starts the step as the operator does; the frames it sends are left on the wire.
void take(PanelRig& rig, Step step) {
    auto groupMode = [&rig] {
        rig.unit->bChSelect = 1;
        rig.model.arrShown = {rig.unit};
        auto* mode = rig.control<QComboBox>("Settings mode");
        mode->setCurrentIndex(1);
        emit mode->activated(1);
    };
    switch (step) {
    case FlashSpin:
        emit rig.control<COXCoolSpinButtonCtrl>("Flash level steps")->deltaPos(-1);
        break;
    case Cell:
        QTest::mouseClick(rig.control<QAbstractButton>("Cell"), Qt::LeftButton);
        break;
    case Test:
        QTest::mouseClick(rig.control<QAbstractButton>("Test"), Qt::LeftButton);
        break;
    case GroupOffset:
        groupMode();
        emit rig.control<COXCoolSpinButtonCtrl>("Flash offset steps")->deltaPos(-1);
        break;
    case GroupSound:
        groupMode();
        for (auto* sound : rig.panel.findChildren<QAbstractButton*>()) {
            if (sound->accessibleName() == "Sound" && sound->isVisible())
                QTest::mouseClick(sound, Qt::LeftButton);
        }
        break;
    }
}

// The actions and the history alone, as a phone drives them; nothing goes on the air.
struct PhoneRig {
    StudioModel model;
    CZbProtocol protocol{nullptr};
    OperatorActions actions{model, protocol, {}};
    OperatorHistory history{model, actions};
    StrobeData* unit = nullptr;
    qint64 now = 0;

    PhoneRig() {
        actions.setHistory(&history);
        history.setClock([this] { return now; });
        unit = PlaceStrobe(&model, 0, 2, std::make_unique<StrobeData>());
        unit->nFlashValue = 40;
    }
};

} // namespace

void UndoTest::undoPutsBackWhatTheStepChangedAndRedoSendsItAgain_data() {
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("sent");   // the step's frame, and redo's
    QTest::addColumn<QString>("undone"); // undo's frame
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("shown"); // once undone
    const QString levels = " 00 00 00 00 00 00 00 00 00 00 00 00 00 00";
    QTest::newRow("flash level") << int(FlashSpin) << "ff 07 13 00 04 29 32"
                                 << "ff 07 13 00 04 28 32"
                                 << "Undo flash 4.1 on CH-03"
                                 << "Flash level"
                                 << "4.0";
    QTest::newRow("switch") << int(Cell) << "ff 07 17 00 04 00 02"
                            << "ff 07 17 00 04 00 00"
                            << "Undo cell on for CH-03"
                            << "Flash level"
                            << "4.0";
    QTest::newRow("test flash is no step")
        << int(Test) << "ff 07 1b 00 04 00 00" << QString() << "Undo"
        << "Flash level"
        << "4.0";
    QTest::newRow("offset") << int(GroupOffset) << "ff 17 1e 00 00 00 00 29 32" + levels
                            << "ff 17 1e 00 00 00 00 28 32" + levels << "Undo offset +0.1 on 1 head"
                            << "Flash offset"
                            << "0.0";
    QTest::newRow("group switch") << int(GroupSound) << "ff 07 18 00 04 00 04"
                                  << "ff 07 18 00 04 00 00"
                                  << "Undo sound on for 1 head"
                                  << "Flash offset"
                                  << "0.0";
}

void UndoTest::undoPutsBackWhatTheStepChangedAndRedoSendsItAgain() {
    QFETCH(int, step);
    QFETCH(QString, sent);
    QFETCH(QString, undone);
    PanelRig rig;
    rig.select();
    const int bytes = int(sent.size() + 1) / 3;
    take(rig, Step(step));
    QCOMPARE(rig.frames(bytes), sent);
    QTEST(rig.history.undoText(), "text");
    rig.posted(0); // forgets the step's own

    rig.history.undo();
    QCOMPARE(rig.frames(undone.isEmpty() ? 0 : bytes), undone);
    QFETCH(QString, field);
    QTEST(rig.text(field), "shown");
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
    PanelRig rig;
    qint64 now = 0;
    rig.history.setClock([&now] { return now; });
    rig.select();
    for (int n = 0; n < 3; ++n) {
        take(rig, FlashSpin);
        now += 300;
    }
    QCOMPARE(rig.history.stack().count(), 1);
    QCOMPARE(rig.history.undoText(), QString("Undo flash 4.3 on CH-03"));
    now += 1500;
    take(rig, FlashSpin);
    QCOMPARE(rig.history.stack().count(), 2);
    rig.frames(4 * 7);

    rig.history.undo();
    rig.history.undo();
    QCOMPARE(rig.frames(2 * 7), QString("ff 07 13 00 04 2b 32 ff 07 13 00 04 28 32"));
    QCOMPARE(rig.text("Flash level"), QString("4.0"));
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
    PhoneRig rig;
    for (int n = 0; n < toggles; ++n) {
        QVERIFY(rig.actions.setSwitch(*rig.unit, CMD_FLASH_CELL, n % 2 == 0 ? 1 : 0));
        rig.now += gapMs;
    }
    QTEST(rig.history.stack().count(), "steps");
    rig.history.undo();
    QTEST(rig.unit->bFlashCell, "undone");
}

void UndoTest::historyKeepsTheLastThousandSteps() {
    PhoneRig rig;
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

QTEST_MAIN(UndoTest)
#include "tst_undo.moc"
