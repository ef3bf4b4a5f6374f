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

QTEST_MAIN(UndoTest)
#include "tst_undo.moc"
