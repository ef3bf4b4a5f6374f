#include "PanelRig.h"
#include "model/BusinessMemory.h"
#include "model/FileFixtures.h"
#include "model/HeadRole.h"
#include "panels/CControlSelFormView.h"
#include "panels/COXCoolSliderCtrl.h"
#include "panels/COXCoolSpinButtonCtrl.h"
#include "panels/CUserStatic.h"
#include "platform/Messages.h"
#include "ui/FrameClock.h"

#include "model/PowerLevel.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QTreeWidget>

using namespace lumadesk;

class ControlPanelTest : public QObject {
    Q_OBJECT
private slots:
    void headLineGivesRoleAndStopsAndFollowsTheKey();
    void statusShowsWhatTheNewsSaysMovedOncePerFrame();
    void editsStoreSendAndPostOnce_data();
    void editsStoreSendAndPostOnce();
    void typedLevelsApplyAsAReleaseDoes_data();
    void typedLevelsApplyAsAReleaseDoes();
    void powerOffDisablesAllButComboAndPower();
    void tabGoesFromTheComboIntoTheShownControls();
    void reportsRetickWithoutFramesAndResetLeavesModeOne();
    void savesAndLoadsSetUpsThroughTheQuestions();
    void refusedSetUpLeavesNothingForLoad();
    void failedSaveKeepsTheNameForAnotherTry();
    void reportRefreshesItsControl_data();
    void reportRefreshesItsControl();
    void readersHearRadioButtonsAndLevels_data();
    void readersHearRadioButtonsAndLevels();
    void nothingActsOnAHeadBeforeOneIsCurrent();
    void groupLineNamesTheTickedHeadsWhenAStudioIsChosen();
    void showsWhatUndoPutBack_data();
    void showsWhatUndoPutBack();
};

void ControlPanelTest::readersHearRadioButtonsAndLevels_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("set"); // a reader's new value; 0: none
    QTest::addColumn<int>("role");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("flash"); // the head's flash level afterwards
    for (const char* mode : {"Free", "Prop", "Continous", "Flash Prop"})
        QTest::newRow(mode) << mode << 0.0 << int(QAccessible::RadioButton) << "" << 40;
    QTest::newRow("flash level") << "Flash level slider" << 0.0 << int(QAccessible::Slider) << "4.0"
                                 << 40;
    QTest::newRow("model level") << "Model level slider" << 0.0 << int(QAccessible::Slider) << "5.0"
                                 << 40;
    QTest::newRow("flash offset") << "Flash offset slider" << 0.0 << int(QAccessible::Slider)
                                  << "0.0" << 40;
    QTest::newRow("flash level set by a reader")
        << "Flash level slider" << 4.5 << int(QAccessible::Slider) << "4.5" << 45;
}

void ControlPanelTest::readersHearRadioButtonsAndLevels() {
    QFETCH(QString, name);
    QFETCH(double, set);
    PanelRig rig;
    rig.select();
    QAccessibleInterface* control = QAccessible::queryAccessibleInterface(rig.control(name));
    if (set != 0)
        control->valueInterface()->setCurrentValue(set);
    QTEST(int(control->role()), "role");
    QCOMPARE(control->state().checkable, control->role() == QAccessible::RadioButton);
    QTEST(control->text(QAccessible::Value), "value");
    QTEST(rig.unit->nFlashValue, "flash");
}

void ControlPanelTest::editsStoreSendAndPostOnce_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("flash");
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("link");
    QTest::addColumn<QString>("sent");
    QTest::addColumn<QList<qintptr>>("posts");
    QTest::addColumn<QString>("shown"); // flash text / model text afterwards
    QTest::addColumn<int>("storedFlash");

    using L = QList<qintptr>;
    QTest::newRow("linked step up at 80/81")
        << "flash up" << 80 << 81 << 1 << "ff 07 13 00 04 51 51" << L{0} << "8.1/8.1" << 81;
    QTest::newRow("step up at 81 does nothing")
        << "flash up" << 81 << 40 << 0 << "" << L{} << "8.1/4.0" << 81;
    QTest::newRow("linked model step down lifts follower 5 to 11")
        << "model down" << 5 << 40 << 1 << "ff 07 14 00 04 0b 27" << L{5} << "1.1/3.9" << 11;
    QTest::newRow("drag 30 to 50, one frame on release")
        << "flash drag 50" << 30 << 60 << 0 << "ff 07 13 00 04 32 3c" << L{0} << "5.0/6.0" << 50;
    QTest::newRow("linked drag 40 to 70 clamps model at 81")
        << "flash drag 70" << 40 << 60 << 1 << "ff 07 13 00 04 46 51" << L{0} << "7.0/8.1" << 70;
    QTest::newRow("keyboard step is stored and sent")
        << "flash key" << 40 << 50 << 0 << "ff 07 13 00 04 29 32" << L{0} << "4.1/5.0" << 41;
    QTest::newRow("OFF ticked") << "click OFF" << 40 << 50 << 0 << "ff 07 1c 00 04 00 00" << L{8}
                                << "4.0/OFF" << 40;
    QTest::newRow("Test posts nothing")
        << "click Test" << 40 << 50 << 0 << "ff 07 1b 00 04 00 00" << L{} << "4.0/5.0" << 40;
    QTest::newRow("chosen Prop sends again")
        << "click Prop" << 40 << 50 << 1 << "ff 07 15 00 04 00 08" << L{6} << "4.0/5.0" << 40;
    QTest::newRow("Cell") << "click Cell" << 40 << 50 << 0 << "ff 07 17 00 04 00 02" << L{1}
                          << "4.0/5.0" << 40;
    QTest::newRow("Sound") << "click Sound" << 40 << 50 << 0 << "ff 07 18 00 04 00 04" << L{2}
                           << "4.0/5.0" << 40;
    QTest::newRow("Free") << "click Free" << 40 << 50 << 1 << "ff 07 15 00 04 00 00" << L{6}
                          << "4.0/5.0" << 40;
    QTest::newRow("Continous") << "click Continous" << 40 << 50 << 0 << "ff 07 16 00 04 00 10"
                               << L{7} << "4.0/5.0" << 40;
    QTest::newRow("Flash Prop") << "click Flash Prop" << 40 << 50 << 0 << "ff 07 16 00 04 00 00"
                                << L{7} << "4.0/5.0" << 40;
    QTest::newRow("no selected unit: nothing")
        << "unselect, click Cell" << 40 << 50 << 0 << "" << L{} << "4.0/5.0" << 40;
}

void ControlPanelTest::editsStoreSendAndPostOnce() {
    QFETCH(QString, action);
    QFETCH(int, flash);
    QFETCH(int, model);
    QFETCH(int, link);
    QFETCH(QString, sent);
    QFETCH(QList<qintptr>, posts);
    QFETCH(QString, shown);
    QFETCH(int, storedFlash);
    PanelRig rig;
    rig.unit->nFlashValue = flash;
    rig.unit->nModelValue = model;
    rig.unit->nModelMode1 = link;
    rig.select();

    auto* spin = rig.control<COXCoolSpinButtonCtrl>(
        action.startsWith("flash") ? "Flash level steps" : "Model level steps");
    auto* slider = rig.control<COXCoolSliderCtrl>("Flash level slider");
    if (action == "flash up") {
        QTest::mouseClick(spin, Qt::LeftButton, {}, spin->upRect().center());
    } else if (action == "model down") {
        QTest::mouseClick(spin, Qt::LeftButton, {}, spin->downRect().center());
    } else if (action.startsWith("flash drag")) {
        const int to = action.section(' ', 2).toInt();
        QTest::mousePress(slider, Qt::LeftButton, {}, slider->ThumbCentre(flash));
        QTest::mouseMove(slider, slider->ThumbCentre(to));
        QCOMPARE(rig.text("Flash level"), FormatPowerLevel(to));
        QCOMPARE(rig.frames(0), QString()); // nothing while the thumb moves
        QTest::mouseRelease(slider, Qt::LeftButton, {}, slider->ThumbCentre(to));
    } else if (action == "flash key") {
        slider->setFocus();
        QTest::keyClick(slider, Qt::Key_Right);
    } else {
        if (action.startsWith("unselect"))
            rig.model.pCurNode = rig.model.studios[0].get();
        QTest::mouseClick(rig.control<QAbstractButton>(action.section("click ", 1)),
                          Qt::LeftButton);
    }

    QCOMPARE(rig.frames(sent.isEmpty() ? 0 : 7), sent);
    QCOMPARE(rig.posted(Msg::NavUnitSetting), posts);
    QCOMPARE(rig.text("Flash level") + "/" + rig.text("Model level"), shown);
    QCOMPARE(rig.unit->nFlashValue, storedFlash);
    QCOMPARE(rig.control<QWidget>("Flash level")->accessibleDescription(), rig.text("Flash level"));
}

void ControlPanelTest::typedLevelsApplyAsAReleaseDoes_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("link");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("sent");  // the frame's two level bytes
    QTest::addColumn<QString>("shown"); // flash / model text afterwards
    const int enter = Qt::Key_Return;
    QTest::newRow("valid") << "Flash level" << 0 << "4.5" << enter << "2d 32"
                           << "4.5/5.0";
    QTest::newRow("tenths, linked") << "Flash level" << 1 << "60" << enter << "3c 46"
                                    << "6.0/7.0";
    QTest::newRow("out of range is refused") << "Model level" << 0 << "9.9" << enter << ""
                                             << "4.0/5.0";
    QTest::newRow("garbage") << "Flash level" << 0 << "4.5kW" << enter << ""
                             << "4.0/5.0";
    QTest::newRow("Escape") << "Model level" << 1 << "7.0" << int(Qt::Key_Escape) << ""
                            << "4.0/5.0";
}

void ControlPanelTest::typedLevelsApplyAsAReleaseDoes() {
    QFETCH(QString, field);
    QFETCH(int, link);
    QFETCH(QString, typed);
    QFETCH(int, key);
    QFETCH(QString, sent);
    PanelRig rig;
    rig.unit->nModelMode1 = link;
    rig.select();
    auto* value = rig.control<CUserStatic>(field);
    value->setFocus();
    QTest::keyClick(value, Qt::Key_Return);
    QLineEdit* editor = value->editor();
    QCOMPARE(editor->selectedText(), rig.text(field)); // the shown value, ready to overwrite
    QTest::keyClicks(editor, typed);
    QTest::keyClick(editor, Qt::Key(key));

    const QString type = field.startsWith("Flash") ? "13" : "14";
    QCOMPARE(rig.frames(sent.isEmpty() ? 0 : 7),
             sent.isEmpty() ? QString() : "ff 07 " + type + " 00 04 " + sent);
    QTEST(rig.text("Flash level") + "/" + rig.text("Model level"), "shown");
    const bool stillOpen = sent.isEmpty() && key == Qt::Key_Return; // garbage: type it again
    QCOMPARE(value->editor() != nullptr, stillOpen);
    QCOMPARE(stillOpen ? editor->selectedText() : QString(), stillOpen ? typed : QString());
    if (stillOpen)
        QCOMPARE(editor->toolTip(), QString("Type a level from 1.1 to 8.1"));
}

void ControlPanelTest::tabGoesFromTheComboIntoTheShownControls() {
    PanelRig rig;
    rig.select();
    auto* combo = rig.control<QComboBox>("Settings mode");
    QStringList next;
    for (const int mode : {0, 1}) {
        combo->setFocus();
        if (mode == 1)
            QTest::keyClick(combo, Qt::Key_Down);
        QTest::keyClick(combo, Qt::Key_Tab);
        next << QApplication::focusWidget()->accessibleName();
    }
    QCOMPARE(next, QStringList({"Flash level", "Flash offset"}));
}

void ControlPanelTest::powerOffDisablesAllButComboAndPower() {
    PanelRig rig;
    rig.select();
    auto enabled = [&] {
        QStringList names;
        for (QWidget* w : rig.panel.findChildren<QWidget*>()) {
            if (w->isEnabled() && w->isVisible() && !w->accessibleName().isEmpty() &&
                w->parentWidget() == &rig.panel && !qobject_cast<QGroupBox*>(w) &&
                !w->accessibleName().startsWith("File") &&
                !w->accessibleName().startsWith("Business")) // the power controls
                names << w->accessibleName();
        }
        names.sort();
        return names;
    };
    auto* power = rig.control<QAbstractButton>("Power On");
    QCOMPARE(power->text(), QString("Power\nOn"));
    QCOMPARE(enabled().size(), 18); // the caption, the head's line, the combo box and 15 more

    QTest::mouseClick(power, Qt::LeftButton);
    QCOMPARE(rig.frames(7), QString("ff 07 1d 00 04 00 00"));
    QCOMPARE(rig.unit->bFlashPow, 0);
    QCOMPARE(enabled(),
             QStringList({"Current head", "Power On", "Remote Control", "Settings mode"}));
    QTest::mouseClick(power, Qt::LeftButton);
    QCOMPARE(enabled().size(), 18);
    QCOMPARE(rig.posted(Msg::NavUnitSetting), QList<qintptr>({4, 4}));
}

// A head's report of one setting shows on that setting's control, and nothing goes out.
void ControlPanelTest::reportRefreshesItsControl_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("control");
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<QString>("modelText");
    QTest::addColumn<bool>("testEnabled");
    QTest::newRow("1 cell on") << 1 << "Cell" << true << "5.0" << true;
    QTest::newRow("2 sound on") << 2 << "Sound" << true << "5.0" << true;
    QTest::newRow("4 power off disables the rest") << 4 << "Power On" << false << "5.0" << false;
    QTest::newRow("6 mode Prop") << 6 << "Prop" << true << "5.0" << true;
    QTest::newRow("8 lamp off shows OFF") << 8 << "OFF" << true << "OFF" << true;
}

void ControlPanelTest::reportRefreshesItsControl() {
    QFETCH(int, code);
    QFETCH(QString, control);
    QFETCH(bool, ticked);
    QFETCH(QString, modelText);
    QFETCH(bool, testEnabled);
    PanelRig rig;
    rig.select();
    auto* button = rig.control<QAbstractButton>(control);
    QCOMPARE(button->isChecked(), control == "Power On");
    rig.unit->bFlashCell = rig.unit->bFlashSnd = rig.unit->nModelMode1 = 1; // as reports store them
    rig.unit->bFlashPow = rig.unit->bModelPow = 0;
    SendMessage(&rig.panel, Msg::CtrlUnitSetting, code, AsLParam(rig.unit));
    QCOMPARE(button->isChecked(), ticked);
    QCOMPARE(rig.text("Model level"), modelText);
    QCOMPARE(rig.control<QAbstractButton>("Test")->isEnabled(), testEnabled);
    QCOMPARE(rig.frames(0), QString());
}

void ControlPanelTest::reportsRetickWithoutFramesAndResetLeavesModeOne() {
    PanelRig rig;
    rig.select();
    auto* continous = rig.control<QAbstractButton>("Continous");
    auto* flashProp = rig.control<QAbstractButton>("Flash Prop");
    QVERIFY(flashProp->isChecked());
    rig.unit->nModelMode2 = 1; // as a head's report stores it
    SendMessage(&rig.panel, Msg::CtrlUnitSetting, 7, AsLParam(rig.unit));
    QVERIFY(continous->isChecked() && !flashProp->isChecked());
    QCOMPARE(rig.frames(0), QString());

    auto* combo = rig.control<QComboBox>("Settings mode");
    auto* selection = rig.panel.findChild<CControlSelFormView*>();
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    QCOMPARE(rig.panel.mode(), 1);
    QVERIFY(selection->isVisible() && !continous->isVisible());
    QCOMPARE(selection->pos(), QPoint(0, 38));
    QCOMPARE(rig.posted(Msg::NavPanelMode), QList<qintptr>({1}));

    SendMessage(&rig.panel, Msg::CtrlEmptyStudio);
    QCOMPARE(rig.panel.mode(), 0);
    QCOMPARE(combo->currentIndex(), 0);
    QVERIFY(!combo->isEnabled() && !continous->isEnabled() && continous->isVisible());
    QVERIFY(!selection->isVisible() && !continous->isChecked() && !flashProp->isChecked());
    QCOMPARE(rig.text("Flash level"), QString());
    QCOMPARE(rig.posted(Msg::NavPanelMode), QList<qintptr>());
}

void ControlPanelTest::savesAndLoadsSetUpsThroughTheQuestions() {
    PanelRig rig;
    rig.select();
    MessageBoxRecorder boxes;
    auto* name = rig.control<QLineEdit>("File name");
    QTest::keyClicks(name, "day");
    QCOMPARE(rig.frame.only(Msg::FrameEnableCommand).constLast().wParam, qintptr(1));
    SendMessage(&rig.panel, Msg::CtrlSaveCommand);
    QCOMPARE(boxes.texts, QStringList({"Do you want to save current setting?"}));
    QCOMPARE(boxes.titles, QStringList({"Business Memory"}));
    auto* list = rig.control<QTreeWidget>("Business Memory files");
    QCOMPARE(list->topLevelItemCount(), 1);
    QCOMPARE(name->text(), QString());
    const auto enables = rig.frame.only(Msg::FrameEnableCommand);
    QCOMPARE(enables.size(), 6); // three letters, the emptied box, then Load and Save off
    QCOMPARE(enables[4].wParam * 10 + enables[4].lParam, qintptr(0));
    QCOMPARE(enables[5].wParam * 10 + enables[5].lParam, qintptr(10));

    rig.unit->nFlashValue = 70;
    const QRect item = list->visualItemRect(list->topLevelItem(0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
    QCOMPARE(name->text(), QString("day"));
    QCOMPARE(rig.panel.fileInfo(), QString("File info :\r\nCH-03 Flash 4.0 Model 5.0\r\n"));
    QCOMPARE(rig.frame.entries.constLast().wParam * 10 + rig.frame.entries.constLast().lParam,
             qintptr(1));

    boxes.setAnswer(IDCANCEL);
    SendMessage(&rig.panel, Msg::CtrlLoadCommand);
    QCOMPARE(rig.unit->nFlashValue, 70);
    boxes.setAnswer(IDOK);
    // An offset shown in the group mode would add to the loaded levels: Load resets it.
    auto* mode = rig.control<QComboBox>("Settings mode");
    mode->setCurrentIndex(1);
    emit mode->activated(1);
    for (int n = 0; n < 3; ++n)
        emit rig.control<COXCoolSpinButtonCtrl>("Flash offset steps")->deltaPos(-1);
    QCOMPARE(rig.text("Flash offset"), QString("0.3"));
    QString atRebuild;
    rig.studioList.onMessage = [&](const MessageRecorder::Entry&) {
        atRebuild = rig.frames(0);
        return 0;
    };
    SendMessage(&rig.panel, Msg::CtrlLoadCommand);
    QCOMPARE(boxes.texts.constLast(),
             QString("Current settig is deleted. Do you want to open file?"));
    QCOMPARE(rig.studioList.only(Msg::ListMemoryApplied).size(), 1);
    QCOMPARE(atRebuild, QString()); // the rebuild comes before the frames
    QCOMPARE(rig.unit->nFlashValue, 40);
    QCOMPARE(rig.frames(14), QString("ff 0e 01 00 04 01 28 32 00 00 00 00 01 00"));
    QCOMPARE(rig.text("Flash offset"), QString("0.0"));
}

void ControlPanelTest::refusedSetUpLeavesNothingForLoad() {
    PanelRig rig;
    rig.select();
    MessageBoxRecorder boxes;
    QCOMPARE(SaveMemoryFile(&rig.files, "whole"), 1);
    // Refused at its second unit, which is cut short, after the first was read.
    QVERIFY(
        writeFile("Business Memory/cut.xml",
                  readFile("Business Memory/whole.xml")
                      .replace("</Studio>", "<Strobe nChNum=\"5\"><v>9</v></Strobe></Studio>")));
    rig.files.pFileList->clear();
    ListMemoryFiles(&rig.files);
    auto* list = rig.control<QTreeWidget>("Business Memory files");
    QList<qintptr> load; // the Load button's state after each click
    for (int row : {1, 0}) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->topLevelItem(row)).center());
        load << rig.frame.only(Msg::FrameEnableCommand).constLast().lParam;
    }
    QCOMPARE(load, QList<qintptr>({1, 0}));
    QCOMPARE(rig.model.pMemoryStudio->nChItemCnt, 0);
    rig.unit->nFlashValue = 70;
    SendMessage(&rig.panel, Msg::CtrlLoadCommand);
    QCOMPARE(boxes.texts, QStringList{"Fail to open file"}); // no question: nothing to load
    QCOMPARE(rig.unit->nFlashValue, 70);
    QCOMPARE(rig.frames(0), QString());
}

void ControlPanelTest::failedSaveKeepsTheNameForAnotherTry() {
    PanelRig rig;
    rig.select();
    MessageBoxRecorder boxes;
    QVERIFY(QDir().mkpath("Business Memory/day.xml")); // no file can take that name
    auto* name = rig.control<QLineEdit>("File name");
    QTest::keyClicks(name, "day");
    const qsizetype enables = rig.frame.only(Msg::FrameEnableCommand).size();
    SendMessage(&rig.panel, Msg::CtrlSaveCommand);
    QCOMPARE(boxes.texts.constLast(), QString("Fail to save file"));
    QCOMPARE(name->text(), QString("day"));
    QCOMPARE(rig.frame.only(Msg::FrameEnableCommand).size(), enables); // Save stays enabled
    QVERIFY(QDir().rmdir("Business Memory/day.xml"));
    SendMessage(&rig.panel, Msg::CtrlSaveCommand);
    QCOMPARE(name->text(), QString());
}

void ControlPanelTest::nothingActsOnAHeadBeforeOneIsCurrent() {
    PanelRig rig; // started, no head chosen yet
    QStringList live;
    for (QWidget* w : rig.panel.findChildren<QWidget*>()) {
        if (w->isEnabled() && w->isVisible() && !w->accessibleName().isEmpty() &&
            w->parentWidget() == &rig.panel && !qobject_cast<QGroupBox*>(w) &&
            !qobject_cast<QLabel*>(w) && !w->accessibleName().startsWith("File") &&
            !w->accessibleName().startsWith("Business"))
            live << w->accessibleName();
    }
    QCOMPARE(live, QStringList{"Settings mode"});
    QCOMPARE(rig.text("Flash level") + "/" + rig.text("Model level"), QString("0.0/0.0"));
    QCOMPARE(rig.control<QLabel>("Current head")->toolTip(), QString("No head chosen"));
    auto* power = rig.control<QAbstractButton>("Power On");
    const QString caption = power->text();
    QTest::mouseClick(power, Qt::LeftButton);
    QTest::mouseClick(rig.control<QAbstractButton>("Cell"), Qt::LeftButton);
    QCOMPARE(power->text(), caption);
    QVERIFY(!rig.control<QAbstractButton>("Cell")->isChecked());
    QCOMPARE(rig.frames(0), QString());

    rig.select();
    QVERIFY(power->isEnabled() && rig.control<QWidget>("Flash level slider")->isEnabled());
}

// Choosing a studio in the tree leaves no head current, but the offsets still move the ticked
// heads of that studio: the line names them.
void ControlPanelTest::groupLineNamesTheTickedHeadsWhenAStudioIsChosen() {
    PanelRig rig;
    rig.unit->bChSelect = 1;
    rig.model.arrShown.push_back(rig.unit);
    rig.select();
    auto* combo = rig.control<QComboBox>("Settings mode");
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    auto* line = rig.control<QLabel>("Current head");
    const QString offsets("Offsets for CH-03 of Studio A (1 head)");
    QCOMPARE(line->toolTip(), offsets);

    SetCurrentNode(&rig.model, rig.model.studios[0].get());
    SendMessage(&rig.panel, Msg::CtrlCurrentUnit); // as the frame tells of a new current node
    QCOMPARE(line->toolTip(), offsets);
    QCOMPARE(line->text(), offsets);
    auto* spin = rig.control<COXCoolSpinButtonCtrl>("Flash offset steps");
    QTest::mouseClick(spin, Qt::LeftButton, {}, spin->upRect().center());
    QCOMPARE(rig.unit->nFlashValue, 41);
}

// The panel's own step undone: it shows the value back, and the group panel's offset is reset.
void ControlPanelTest::showsWhatUndoPutBack_data() {
    QTest::addColumn<bool>("group");
    QTest::addColumn<QString>("field");
    QTest::newRow("flash level") << false << "Flash level";
    QTest::newRow("offset") << true << "Flash offset";
}

void ControlPanelTest::showsWhatUndoPutBack() {
    QFETCH(bool, group);
    QFETCH(QString, field);
    PanelRig rig;
    rig.select();
    if (group) {
        rig.unit->bChSelect = 1;
        rig.model.arrShown = {rig.unit};
        auto* mode = rig.control<QComboBox>("Settings mode");
        mode->setCurrentIndex(1);
        emit mode->activated(1);
    }
    const QString was = rig.text(field);
    emit rig.control<COXCoolSpinButtonCtrl>(group ? "Flash offset steps" : "Flash level steps")
        ->deltaPos(-1);
    QVERIFY(rig.text(field) != was);
    rig.history.undo();
    QCOMPARE(rig.text(field), was);
    QCOMPARE(rig.unit->nFlashValue, 40);
}

// A status of the current head (32) shows what the model's news says moved: a repeat shows
// nothing, and the reports of a drain show their last values once, at the drain's end.
void ControlPanelTest::statusShowsWhatTheNewsSaysMovedOncePerFrame() {
    PanelRig rig;
    rig.select();
    QCOMPARE(rig.text("Flash level"), QString("4.0"));
    QTest::qWait(3 * FrameClock::kFrameMs); // a quiet frame
    rig.unit->nFlashValue = 45; // written behind the news' back: no value moved, by its account
    SendMessage(&rig.panel, Msg::CtrlUnitStatus, 2, AsLParam(rig.unit));
    QCOMPARE(rig.text("Flash level"), QString("4.0"));
    const auto report = [&rig](int level) {
        HeadEdit edit(rig.model.news, *rig.unit);
        rig.unit->nFlashValue = level;
    };
    report(50);
    SendMessage(&rig.panel, Msg::CtrlUnitStatus, 2, AsLParam(rig.unit));
    QCOMPARE(rig.text("Flash level"), QString("5.0")); // at once after a quiet frame
    QTest::qWait(3 * FrameClock::kFrameMs);
    rig.model.news.beginDrain();
    for (int level : {55, 60}) {
        report(level);
        SendMessage(&rig.panel, Msg::CtrlUnitStatus, 2, AsLParam(rig.unit));
    }
    QTest::qWait(3 * FrameClock::kFrameMs);
    QCOMPARE(rig.text("Flash level"), QString("5.0"));
    rig.model.news.endDrain();
    QCOMPARE(rig.text("Flash level"), QString("6.0"));
}

void ControlPanelTest::headLineGivesRoleAndStopsAndFollowsTheKey() {
    PanelRig rig;
    rig.select();
    QCOMPARE(rig.panel.headLine(), QString("CH-03 Not define"));
    StrobeData* key = PlaceStrobe(&rig.model, 0, 0, std::make_unique<StrobeData>());
    {
        HeadEdit edit(rig.model.news, *key);
        key->nFlashValue = 55;
        key->nRole = int(HeadRole::Key);
    }
    {
        HeadEdit edit(rig.model.news, *rig.unit);
        rig.unit->nRole = int(HeadRole::Fill);
    }
    const QString minus(QChar(0x2212));
    QCOMPARE(rig.panel.headLine(), "CH-03 Not define \u00B7 Fill \u00B7 " + minus + "1.5 (1:2.8)");
    {
        HeadEdit edit(rig.model.news, *key); // the key moves: the line follows the news
        key->nFlashValue = 50;
    }
    const auto shownLine = [&rig] {
        for (const QLabel* label : rig.panel.findChildren<QLabel*>()) {
            if (label->accessibleName() == QLatin1String("Current head"))
                return label->accessibleDescription();
        }
        return QString();
    };
    QCOMPARE(shownLine(), "CH-03 Not define \u00B7 Fill \u00B7 " + minus + "1.0 (1:2)");
}

QTEST_MAIN(ControlPanelTest)
#include "tst_controlpanel.moc"
