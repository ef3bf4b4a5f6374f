#include "ShellTestSupport.h"
#include "app/CMainFrame.h"
#include "app/EditHistory.h"
#include "link/FrameTypes.h"
#include "panels/COXCoolSpinButtonCtrl.h"
#include "platform/Messages.h"
#include "support/Hex.h"
#include "support/PrivateSettings.h"
#include "views/CStudioListFormView.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <QtTest>

using namespace lumadesk;

class HistoryTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { UsePrivateSettings(); }
    void loadAndRenameUndoByKeysAndAScanForgetsTheStudio();
    void changesTheRadioCannotTakeAreRefusedInTheFirstPane();
};

// CH-01 and CH-02 of Studio A on a pseudo-terminal dongle; "evening" saved as they came; CH-01
// renamed, its flash stepped up, then "evening" loaded: the keys take it back step by step.
void HistoryTest::loadAndRenameUndoByKeysAndAScanForgetsTheStudio() {
    WorkingDirectory cwd;
    PseudoTerminal dongle;
    QVERIFY(dongle.open());
    CMainFrame frame(ShellOptions{dongle.devicePath(), {}, {}});
    frame.show();
    frame.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    QTRY_COMPARE(frame.paneText(1), QString("Zigbee connected"));
    QVERIFY(addressStudio(frame, dongle, 0));
    QVERIFY(dongle.writeAll(statusReport(0) + statusReport(1)));
    StudioData* studio = frame.model().studios[0].get();
    QTRY_COMPARE(studio->nChItemCnt, 2);
    StrobeData* head = studio->UnitOn(0);
    auto* list = static_cast<CStudioListFormView*>(frame.studioListPane());
    QTRY_VERIFY(list->itemShowing(head) != nullptr); // the tree adds heads on a posted message
    list->tree()->expandAll();
    list->tree()->setCurrentItem(list->itemShowing(head));
    QCOMPARE(frame.model().pCurNode, head);
    MessageBoxRecorder boxes;
    QLineEdit* fileName = nullptr;
    for (auto* edit : frame.controlPane()->findChildren<QLineEdit*>())
        fileName = edit->accessibleName() == "File name" ? edit : fileName;
    fileName->setText("evening");
    SendMessage(frame.controlPane(), Msg::CtrlSaveCommand);

    list->nameEdit()->setText("Key");
    SendMessage(list, Msg::ListNameCommand);
    QAction* undo = frame.editHistory()->undoAction();
    QCOMPARE(undo->text(), QString("Undo name \"Key\""));
    emit frame.controlPane()->findChild<COXCoolSpinButtonCtrl*>()->deltaPos(-1);
    QCOMPARE(undo->text(), QString("Undo flash 5.1 on CH-01"));
    auto* files = frame.controlPane()->findChild<QTreeWidget*>();
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {},
                      files->visualItemRect(files->topLevelItem(0)).center());
    SendMessage(frame.controlPane(), Msg::CtrlLoadCommand);
    QCOMPARE(head->nFlashValue, 50);
    QCOMPARE(head->sModelName, QString("Not define"));
    QCOMPARE(undo->text(), QString("Undo Load \"evening\""));
    dongle.readFor(200);

    // The Load undone: the records, the tree and the heads as they were before it.
    QTest::keyClick(&frame, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(head->nFlashValue, 51);
    QCOMPARE(list->itemShowing(head)->text(0), QString("CH-01 Key"));
    QCOMPARE(dongle.readExactly(28, 2000), hex("FF 0E 01 00 01 01 33 32 00 00 00 00 01 00"
                                               "FF 0E 01 00 02 01 32 32 00 00 00 00 01 00"));
    QTest::keyClick(&frame, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(dongle.readExactly(7, 2000), hex("FF 07 13 00 01 32 32"));
    QTest::keyClick(&frame, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(list->itemShowing(head)->text(0), QString("CH-01 Not define"));
    QVERIFY(!undo->isEnabled());
    QTest::keyClick(&frame, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(head->sModelName, QString("Key"));
    QCOMPARE(frame.editHistory()->redoAction()->text(), QString("Redo flash 5.1 on CH-01"));

    // A scan makes the studio's records anew: nothing of them is left to undo.
    ModalAnswer quickBox(ModalAnswer::accept);
    SelectStudio(&frame.model(), studio);
    frame.OnScan();
    QCOMPARE(frame.history().stack().count(), 0);
    QCOMPARE(undo->text(), QString("Undo"));
    QVERIFY(!undo->isEnabled());
}

// The dongle takes nothing and the console's queue fills: the panel's step, a phone's switch and
// an undo are refused, pane 0 says so and the head keeps its values; once the line moves again
// the words go and changes are taken.
void HistoryTest::changesTheRadioCannotTakeAreRefusedInTheFirstPane() {
    WorkingDirectory cwd;
    PseudoTerminal dongle;
    QVERIFY(dongle.open(true));
    CMainFrame frame(ShellOptions{dongle.devicePath(), {}, {}});
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QTRY_COMPARE(frame.paneText(1), QString("Zigbee connected"));
    QVERIFY(addressStudio(frame, dongle, 0));
    QVERIFY(dongle.writeAll(statusReport(0)));
    StudioData* studio = frame.model().studios[0].get();
    QTRY_COMPARE(studio->nChItemCnt, 1);
    StrobeData* head = studio->UnitOn(0);
    auto* list = static_cast<CStudioListFormView*>(frame.studioListPane());
    QTRY_VERIFY(list->itemShowing(head) != nullptr);
    list->tree()->expandAll();
    list->tree()->setCurrentItem(list->itemShowing(head));
    QVERIFY(frame.actions().stepLevel(*head, true, 1));
    QCOMPARE(head->nFlashValue, 51);

    QVERIFY(dongle.holdOutput(true));
    const QByteArray otherHead = hex("FF 07 17 00 02 00 02");
    // Filled to the last frame: the writer takes at most one of them before the held line stops
    // it, and that must not make room for a change.
    for (int n = 0; n <= WriteQueue::kMaxFrames + 1; ++n) {
        if (frame.radio().port().WriteComm(
                7, reinterpret_cast<const std::uint8_t*>(otherHead.data())) < 0)
            break;
    }
    const QString refused = "The radio is not taking commands";
    emit frame.controlPane()->findChild<COXCoolSpinButtonCtrl*>()->deltaPos(-1);
    QCOMPARE(head->nFlashValue, 51);
    QLabel* flash = nullptr;
    for (auto* label : frame.controlPane()->findChildren<QLabel*>())
        flash = label->accessibleName() == "Flash level" ? label : flash;
    QCOMPARE(flash->text(), QString("5.1"));
    QVERIFY2(frame.paneText(0).startsWith(refused), qPrintable(frame.paneText(0)));
    QVERIFY(!frame.actions().setSwitch(*head, CMD_FLASH_CELL, 1));
    QCOMPARE(head->bFlashCell, 0);
    QTest::keyClick(&frame, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(head->nFlashValue, 51);
    QCOMPARE(frame.editHistory()->undoAction()->text(), QString("Undo flash 5.1 on CH-01"));

    QVERIFY(dongle.holdOutput(false));
    QTRY_VERIFY(!frame.paneText(0).contains(refused));
    QVERIFY(frame.actions().setSwitch(*head, CMD_FLASH_CELL, 1));
}

QTEST_MAIN(HistoryTest)
#include "tst_history.moc"
