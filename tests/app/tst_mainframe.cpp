#include "ShellTestSupport.h"
#include "app/CMainFrame.h"
#include "panels/CControlFormView.h"
#include "panels/CControlSelFormView.h"
#include "panels/COXCoolSpinButtonCtrl.h"
#include "platform/Messages.h"
#include "platform/PseudoTerminal.h"
#include "platform/SerialDevice.h"
#include "support/Unprivileged.h"
#include "views/CNavigationFormView.h"
#include "views/CNavigationGrid.h"
#include "views/CStrobeSplitterWnd.h"
#include "views/CStudioListFormView.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QtTest>
#include <functional>

using namespace lumadesk;

namespace {

const QString kConnected = QStringLiteral("Zigbee connected");
const QString kDisconnected = QStringLiteral("Zigbee disconnected");

QList<bool> commandStates(const CMainFrame& frame) {
    QList<bool> out;
    for (int command = Msg::CMD_LOAD; command <= Msg::CMD_COM; ++command)
        out << frame.commandAction(command)->isEnabled();
    return out;
}

// "evening": CH-01 to CH-04 at flash 6.0, CH-03 named "Rim", as a save writes it.
bool writeEvening() {
    QByteArray xml = "<StudioManage><Studio nStudioNum=\"0\" sStudioName=\"Studio A\" "
                     "nChItemCnt=\"4\">";
    for (int ch = 0; ch < 4; ++ch) {
        xml += QStringLiteral("<Strobe nChNum=\"%1\" sChName=\"%2\" sModelName=\"%3\">")
                   .arg(ch)
                   .arg(ChannelLabel(ch), ch == 2 ? "Rim" : "Not define")
                   .toUtf8();
        for (const char* value : {"60", "0", "0", "1", "1", "50", "0", "0", "1", "Not define"})
            xml += QByteArray("<v>") + value + "</v>";
        xml += "</Strobe>";
    }
    xml += "</Studio></StudioManage>";
    QFile file("Business Memory/evening.xml");
    return QDir().mkpath("Business Memory") && file.open(QIODevice::WriteOnly) &&
           file.write(xml) == xml.size();
}

// Heads on the channels of a studio, which the window then shows as the scanned one; each new
// head is handed to `set` first.
StudioData* scannedWithHeads(CMainFrame& frame, int number, std::initializer_list<int> channels,
                             const std::function<void(StrobeData&)>& set = {}) {
    StudioModel& model = frame.model();
    for (int ch : channels) {
        StrobeData* unit = PlaceStrobe(&model, number, ch, std::make_unique<StrobeData>());
        if (set)
            set(*unit);
    }
    StudioData* studio = model.studios[std::size_t(number)].get();
    model.pScanStudio = studio;
    SendMessage(frame.studioListPane(), Msg::ListStudioCleared, 0, AsLParam(studio));
    return studio;
}

class TickCounter : public QObject {
public:
    int ticks = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        ticks += event->type() == QEvent::Timer ? 1 : 0;
        return false;
    }
};

} // namespace

class MainFrameTest : public QObject {
    Q_OBJECT
private slots:
    void startsWithItsCommandsPanesAndSizes();
    void enableMessageSetsOnlyTheNamedCommand();
    void keepsTheLinkThroughUnplugAndReplug();
    void firstPaneSaysWhyThePortWillNotOpen();
    void relaysUnitNewsToThePanesThatShowTheUnit();
    void dropsARecordThatAScanDestroyedBeforeDelivery();
    void dropsANewsForADestroyedRecordWhenANewOneTookItsAddress();
    void loadSaysWhichHeadsGetTheSetUp_data();
    void loadSaysWhichHeadsGetTheSetUp();
    void panelLineFollowsARenameByF2();
    void panelHearsOnceOfEachNewCurrentNode();
    void gridTicksAreTheHeadsTheGroupPanelMoves();
};

void MainFrameTest::startsWithItsCommandsPanesAndSizes() {
    WorkingDirectory cwd;
    CMainFrame frame(ShellOptions{cwd.filePath("none"), {}, "Simulated radio on /dev/pts/9"});
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));

    QCOMPARE(frame.windowTitle(), QString("Glowmark"));
    QVERIFY(!(frame.windowFlags() & Qt::WindowMaximizeButtonHint));
    QStringList menus; // Edit is hidden while it holds nothing
    for (QAction* menu : frame.menuBar()->actions())
        menus << menu->text();
    QCOMPARE(menus, QStringList({"&File", "&Edit", "&View", "&Tools", "&Help"}));
    QCOMPARE(frame.checkHeadsAction()->toolTip(), QString("Check heads (Ctrl+R)"));
    QStringList buttons;
    for (QAction* action : frame.findChild<CMainToolBar*>()->actions())
        buttons << (action->isSeparator() ? "|" : action->toolTip());
    QCOMPARE(buttons, QStringList({"Load (Ctrl+L)", "Save (Ctrl+S)", "|", "Scan (F5)", "Name (F2)",
                                   "|", "Com (Ctrl+M)"}));
    QCOMPARE(commandStates(frame), QList<bool>({false, false, true, true, true}));
    QCOMPARE(frame.paneText(0), QString("Simulated radio on /dev/pts/9"));
    QCOMPARE(frame.paneText(1), kDisconnected);

    QCOMPARE(qobject_cast<CStudioListFormView*>(frame.studioListPane())->caption(),
             QString("Studio List"));
    QCOMPARE(qobject_cast<CControlFormView*>(frame.controlPane())->caption(),
             QString("Remote Control"));
    QCOMPARE(qobject_cast<CNavigationFormView*>(frame.navigationPane())->caption(),
             QString("Navigation"));
    const int bar = CStrobeSplitterWnd::kBarWidth;
    QCOMPARE(frame.outerSplitter()->sizes(), QList<int>({525, 800 - 525 - bar}));
    QCOMPARE(frame.innerSplitter()->sizes(), QList<int>({200, 525 - 200 - bar}));
    QCOMPARE(frame.navigationPane()->minimumWidth(), 100);

    frame.resize(600, 300);
    QCOMPARE(frame.size(), QSize(800, 500));
}

void MainFrameTest::enableMessageSetsOnlyTheNamedCommand() {
    WorkingDirectory cwd;
    CMainFrame frame(ShellOptions{cwd.filePath("none"), {}, {}});
    MessageTap list(frame.studioListPane());
    MessageTap control(frame.controlPane());

    frame.commandAction(Msg::CMD_SAVE)->trigger(); // disabled: nothing happens
    QCOMPARE(SendMessage(&frame, Msg::FrameEnableCommand, Msg::CMD_SAVE, 1), qintptr(0));
    SendMessage(&frame, Msg::FrameEnableCommand, 5, 0);
    QCOMPARE(commandStates(frame), QList<bool>({false, true, true, true, true}));
    SendMessage(&frame, Msg::FrameEnableCommand, Msg::CMD_SCAN, 2); // enabled by exactly 1
    QCOMPARE(commandStates(frame), QList<bool>({false, true, false, true, true}));

    SendMessage(&frame, Msg::FrameEnableCommand, Msg::CMD_LOAD, 1);
    for (int command : {Msg::CMD_LOAD, Msg::CMD_SAVE, Msg::CMD_NAME})
        frame.commandAction(command)->trigger();
    QCOMPARE(control.entries.size(), 2);
    QCOMPARE(control.entries[0].number, Msg::CtrlLoadCommand);
    QCOMPARE(control.entries[1].number, Msg::CtrlSaveCommand);
    QCOMPARE(list.entries.size(), 1);
    QCOMPARE(list.entries[0].number, Msg::ListNameCommand);
    QVERIFY(!list.entries[0].posted);
}

void MainFrameTest::keepsTheLinkThroughUnplugAndReplug() {
    WorkingDirectory cwd;
    const QString link = cwd.filePath("dongle");
    CMainFrame frame(ShellOptions{link, {}, {}});
    TickCounter counter;
    frame.link().installEventFilter(&counter);
    QTRY_VERIFY(counter.ticks >= 2); // no device yet: it keeps trying
    QCOMPARE(frame.paneText(1), kDisconnected);

    PseudoTerminal first;
    QVERIFY(first.open());
    QVERIFY(QFile::link(first.devicePath(), link));
    QTRY_COMPARE_WITH_TIMEOUT(frame.paneText(1), kConnected, 10000);
    QVERIFY(!frame.link().isRetrying());

    first.close(); // unplugged
    QTRY_COMPARE(frame.paneText(1), kDisconnected);
    QVERIFY(frame.link().isRetrying());
    PseudoTerminal second;
    QVERIFY(second.open());
    QVERIFY(QFile::remove(link) && QFile::link(second.devicePath(), link));
    QTRY_COMPARE_WITH_TIMEOUT(frame.paneText(1), kConnected, 10000);
}

void MainFrameTest::firstPaneSaysWhyThePortWillNotOpen() {
    WorkingDirectory cwd;
    QFile::setPermissions(cwd.path(), QFile::permissions(cwd.path()) | QFile::ExeOther);
    const QString link = cwd.filePath("dongle");
    CMainFrame frame(ShellOptions{link, {}, {}});
    QTRY_COMPARE(frame.paneText(0), link + ": does not exist (is the dongle plugged in?)");

    PseudoTerminal dongle;
    QVERIFY(dongle.open());
    SerialDevice holder;
    QVERIFY(holder.open(dongle.devicePath(), {}));
    QVERIFY(QFile::link(dongle.devicePath(), link));
    QTRY_COMPARE(frame.paneText(0), link + ": is held by another program");
    holder.close();

    if (::geteuid() == 0 && Unprivileged::giveTo(dongle.devicePath(), "dialout", 0660)) {
        Unprivileged nobody;
        QTRY_COMPARE(frame.paneText(0), link + ": no permission; group \"dialout\" may use it: "
                                               "sudo usermod -aG dialout $USER, then log in again");
        QCOMPARE(frame.paneText(1), kDisconnected);
    }
    QTRY_COMPARE(frame.paneText(1), kConnected);
    QCOMPARE(frame.paneText(0), QString(" "));
}

void MainFrameTest::relaysUnitNewsToThePanesThatShowTheUnit() {
    WorkingDirectory cwd;
    PseudoTerminal dongle;
    QVERIFY(dongle.open());
    CMainFrame frame(ShellOptions{dongle.devicePath(), {}, {}});
    QTRY_COMPARE(frame.paneText(1), kConnected);
    StudioModel& model = frame.model();
    QVERIFY(addressStudio(frame, dongle, 0));
    MessageTap list(frame.studioListPane());
    MessageTap control(frame.controlPane());
    MessageTap navigation(frame.navigationPane());

    QVERIFY(dongle.writeAll(statusReport(0) + statusReport(1)));
    QTRY_COMPARE(list.only(Msg::ListNewUnit).size(), 2);
    StrobeData* selected = model.studios[0]->UnitOn(0);
    QCOMPARE(list.entries[0].lParam, AsLParam(selected));
    QVERIFY(!list.entries[0].posted); // sent on from the frame's own (held) delivery

    selected->nNodeKind = NODE_STROBE; // as the studio tree makes a chosen unit
    model.pCurNode = selected;
    QVERIFY(dongle.writeAll(statusReport(0, 60) + statusReport(1, 60)));
    QTRY_COMPARE(navigation.only(Msg::NavUnitStatus).size(), 2);
    QTRY_COMPARE(control.only(Msg::CtrlUnitStatus).size(), 1);
    QCOMPARE(control.only(Msg::CtrlUnitStatus)[0].lParam, AsLParam(selected));

    QVERIFY(dongle.writeAll(settingReport(7, 1, 1) + settingReport(7, 0, 1)));
    QTRY_COMPARE(navigation.only(Msg::NavUnitSetting).size(), 2);
    QCOMPARE(navigation.only(Msg::NavUnitSetting)[0].wParam, qintptr(CHANGE_FLASH_CELL));
    QVERIFY(!navigation.only(Msg::NavUnitSetting)[0].posted);
    const auto forSelected = control.only(Msg::CtrlUnitSetting);
    QCOMPARE(forSelected.size(), 1);
    QCOMPARE(forSelected[0].lParam, AsLParam(selected));
    QVERIFY(!forSelected[0].posted);
}

void MainFrameTest::dropsARecordThatAScanDestroyedBeforeDelivery() {
    WorkingDirectory cwd;
    PseudoTerminal dongle;
    QVERIFY(dongle.open());
    CMainFrame frame(ShellOptions{dongle.devicePath(), {}, {}});
    QTRY_COMPARE(frame.paneText(1), kConnected);
    QVERIFY(addressStudio(frame, dongle, 0));
    MessageTap list(frame.studioListPane());
    ModalAnswer quickBox(ModalAnswer::accept);

    // The new unit's message is on its way when a scan of its studio runs first.
    MessageTap frameTap(&frame);
    bool scanned = false;
    frameTap.onMessage = [&](const MessageTap::Entry& e) {
        if (e.number == Msg::FrameNewUnit && !scanned) {
            scanned = true;
            SendMessage(&frame, Msg::FrameScanStudio);
        }
    };
    QVERIFY(dongle.writeAll(statusReport(4)));
    QTRY_VERIFY(scanned);
    QCoreApplication::sendPostedEvents();
    QCOMPARE(list.only(Msg::ListStudioCleared).size(), 1);
    QVERIFY(list.only(Msg::ListNewUnit).isEmpty());
    QCOMPARE(frame.model().studios[0]->nChItemCnt, 0);
}

void MainFrameTest::dropsANewsForADestroyedRecordWhenANewOneTookItsAddress() {
    WorkingDirectory cwd;
    PseudoTerminal dongle;
    QVERIFY(dongle.open());
    CMainFrame frame(ShellOptions{dongle.devicePath(), {}, {}});
    QTRY_COMPARE(frame.paneText(1), kConnected);
    StudioModel& model = frame.model();
    QVERIFY(addressStudio(frame, dongle, 0));
    MessageTap list(frame.studioListPane());

    // While the new unit's message waits, its record is destroyed and another one is made at
    // the same address, as the allocator likes to do.
    MessageTap frameTap(&frame);
    bool reused = false;
    bool replaced = false;
    frameTap.onMessage = [&](const MessageTap::Entry& e) {
        if (e.number != Msg::FrameNewUnit || replaced)
            return;
        replaced = true;
        ClearStudio(&model, model.studios[0].get());
        std::vector<std::unique_ptr<StrobeData>> misses;
        while (!reused && misses.size() < 1000) {
            auto fresh = std::make_unique<StrobeData>();
            reused = AsLParam(fresh.get()) == e.lParam;
            if (reused)
                PlaceStrobe(&model, 0, 4, std::move(fresh));
            else
                misses.push_back(std::move(fresh));
        }
    };
    QVERIFY(dongle.writeAll(statusReport(4)));
    QTRY_VERIFY(replaced);
    if (!reused)
        QSKIP("the allocator gave no freed address back (a sanitizer's quarantine)");
    QCoreApplication::sendPostedEvents();
    QCOMPARE(AsLParam(model.studios[0]->UnitOn(4)), frameTap.only(Msg::FrameNewUnit)[0].lParam);
    QVERIFY(list.only(Msg::ListNewUnit).isEmpty());
}

void MainFrameTest::loadSaysWhichHeadsGetTheSetUp_data() {
    QTest::addColumn<QList<int>>("heads");  // channels of Studio B before the Load
    QTest::addColumn<QList<int>>("scan");   // what a scan the Load offers finds
    QTest::addColumn<QStringList>("boxes"); // each answered OK
    QTest::addColumn<QString>("pane");
    const QString question("Current settig is deleted. Do you want to open file?");
    const QString offer("Studio B has no heads yet: the set-up has no head to go to. Scan "
                        "Studio B first?");
    using C = QList<int>;
    QTest::newRow("two of four, one named")
        << C{0, 1, 4} << C{}
        << QStringList{question + "\n\nCH-03 Rim and CH-04 have no head in Studio B and will "
                                  "not be sent."}
        << "Set-up \"evening\" sent to 2 heads of Studio B";
    QTest::newRow("every head") << C{0, 1, 2, 3} << C{} << QStringList{question}
                                << "Set-up \"evening\" sent to 4 heads of Studio B";
    QTest::newRow("unscanned: scanned first, then loaded")
        << C{} << C{3}
        << QStringList{offer, question + "\n\nCH-01, CH-02 and CH-03 Rim have no head in "
                                         "Studio B and will not be sent."}
        << "Set-up \"evening\" sent to 1 head of Studio B";
    QTest::newRow("unscanned: the scan finds none")
        << C{} << C{} << QStringList{offer} << "Studio B has no heads yet: nothing was sent";
}

void MainFrameTest::loadSaysWhichHeadsGetTheSetUp() {
    QFETCH(QList<int>, heads);
    QFETCH(QList<int>, scan);
    WorkingDirectory cwd;
    QVERIFY(writeEvening());
    PseudoTerminal dongle;
    QVERIFY(dongle.open());
    CMainFrame frame(ShellOptions{dongle.devicePath(), {}, {}});
    QTRY_COMPARE(frame.paneText(1), kConnected);
    StudioData* studio = frame.model().studios[1].get();
    QVERIFY(addressStudio(frame, dongle, 1));
    for (const int channel : heads)
        QVERIFY(dongle.writeAll(statusReport(channel)));
    QTRY_COMPARE(studio->nChItemCnt, int(heads.size()));
    // The scan's wait: the heads found answer while it lasts.
    bool scanFound = true;
    ModalAnswer scanWait([&](QDialog& box) {
        for (const int channel : scan)
            scanFound = dongle.writeAll(statusReport(channel)) && scanFound;
        scanFound =
            QTest::qWaitFor([&] { return studio->nChItemCnt == scan.size(); }, 5000) && scanFound;
        return ModalAnswer::accept(box);
    });
    MessageBoxRecorder boxes;

    auto* files = frame.controlPane()->findChild<QTreeWidget*>();
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {},
                      files->visualItemRect(files->topLevelItem(0)).center());
    frame.commandAction(Msg::CMD_LOAD)->trigger();
    QVERIFY(scanFound);
    QTEST(boxes.texts, "boxes");
    QCOMPARE(boxes.titles.constLast(), QString("Business Memory"));
    QTEST(frame.paneText(0), "pane");
    if (studio->nChItemCnt == 0) { // the phone's Load says it too
        QString problem;
        QVERIFY(!frame.actions().loadSetup(*studio, "evening", &problem));
        QCOMPARE(problem, QString("Studio B has no heads yet: nothing was sent"));
    }
}

// The tree and the grid showed a rename at once; the panel's line now does too.
void MainFrameTest::panelLineFollowsARenameByF2() {
    WorkingDirectory cwd;
    PseudoTerminal dongle;
    QVERIFY(dongle.open());
    CMainFrame frame(ShellOptions{dongle.devicePath(), {}, {}});
    frame.show();
    frame.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    QTRY_COMPARE(frame.paneText(1), kConnected);
    QVERIFY(addressStudio(frame, dongle, 0));
    QVERIFY(dongle.writeAll(statusReport(0)));
    StudioData* studio = frame.model().studios[0].get();
    QTRY_COMPARE(studio->nChItemCnt, 1);
    auto* list = static_cast<CStudioListFormView*>(frame.studioListPane());
    QTRY_VERIFY(list->itemShowing(studio->UnitOn(0)) != nullptr);
    list->tree()->expandAll();
    const QRect item = list->tree()->visualItemRect(list->itemShowing(studio->UnitOn(0)));
    QTest::mouseClick(list->tree()->viewport(), Qt::LeftButton, {}, item.center());
    QLabel* line = nullptr;
    for (auto* label : frame.controlPane()->findChildren<QLabel*>())
        line = label->accessibleName() == "Current head" ? label : line;
    QCOMPARE(line->text(), QString("CH-01 Not define"));

    list->nameEdit()->setFocus();
    list->nameEdit()->selectAll();
    QTest::keyClicks(list->nameEdit(), "Key light");
    QTest::keyClick(list->nameEdit(), Qt::Key_F2);
    QCOMPARE(studio->UnitOn(0)->sModelName, QString("Key light"));
    QCOMPARE(line->text(), QString("CH-01 Key light"));
}

// Whoever changes the current node (tree, grid, keys, a scan's clear), the panel gets exactly
// one 30 for it, and the tree and the grid show it.
void MainFrameTest::panelHearsOnceOfEachNewCurrentNode() {
    WorkingDirectory cwd;
    CMainFrame frame;
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    StudioModel& model = frame.model();
    StudioData* studio = scannedWithHeads(frame, 0, {0, 1, 2});
    auto* list = static_cast<CStudioListFormView*>(frame.studioListPane());
    auto* grid = static_cast<CNavigationFormView*>(frame.navigationPane())->grid();
    list->tree()->expandAll();
    MessageTap control(frame.controlPane());
    const auto clickItem = [list](const NodeHeader* node) {
        const QRect rect = list->tree()->visualItemRect(list->itemShowing(node));
        QTest::mouseClick(list->tree()->viewport(), Qt::LeftButton, {}, rect.center());
    };
    const auto clickBlock = [grid](int block) {
        const QRect rect = grid->visualRect(grid->model()->index(4 * block + 1, 1));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, rect.center());
    };
    const QList<std::pair<const char*, std::function<NodeHeader*()>>> steps{
        {"tree: a unit", [&] { return clickItem(studio->UnitOn(2)), studio->UnitOn(2); }},
        {"grid: a block", [&] { return clickBlock(1), studio->UnitOn(1); }},
        {"grid: a key", [&] { return QTest::keyClick(grid, Qt::Key_Up), studio->UnitOn(0); }},
        {"tree: the light node of the grid's unit",
         [&] { return clickItem(&studio->UnitOn(0)->lightNode), &studio->UnitOn(0)->lightNode; }},
        {"tree: the studio", [&] { return clickItem(studio), studio; }},
        {"grid: a block again", [&] { return clickBlock(0), studio->UnitOn(0); }},
        {"a scan's clear", [&] { return ClearStudio(&model, studio), studio; }},
    };
    for (const auto& [name, step] : steps) {
        control.entries.clear();
        NodeHeader* node = step();
        QCoreApplication::sendPostedEvents();
        QVERIFY2(model.pCurNode == node, name);
        QVERIFY2(control.count(Msg::CtrlCurrentUnit) == 1, name);
        QVERIFY2(list->tree()->selectedItems() == QList{list->itemShowing(node)}, name);
        const StrobeData* unit = UnitOfNode(node);
        QVERIFY2(grid->currentIndex() == (unit != nullptr ? grid->BlockOf(unit) : -100), name);
    }
}

// The grid's boxes and the group panel agree on the ticked heads: any non-zero tick counts,
// every face hears of a tick, and an offset moves exactly the heads whose boxes show ticked.
void MainFrameTest::gridTicksAreTheHeadsTheGroupPanelMoves() {
    WorkingDirectory cwd;
    CMainFrame frame;
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    StudioModel& model = frame.model();
    StudioData* studio = scannedWithHeads(frame, 1, {0, 1, 2}, [](StrobeData& unit) {
        unit.nFlashValue = 40;
        unit.bChSelect = unit.nChNum == 2 ? 2 : 0; // as a file may hold it
    });
    auto* grid = static_cast<CNavigationFormView*>(frame.navigationPane())->grid();
    QSignalSpy ticks(&model.news, &ModelNews::ticksChanged);
    const QRect box = CUGCtrl::CheckBoxRect(grid->visualRect(grid->model()->index(2, 0)));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, box.center());
    QCOMPARE(ticks.size(), 1);
    QCOMPARE(ticks[0][0].toInt(), 1);
    QCOMPARE(grid->QuickGetText(0, 10), QString("1")); // the box of a tick of 2

    auto* combo = frame.controlPane()->findChild<QComboBox*>();
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    auto* panel = static_cast<CControlFormView*>(frame.controlPane());
    QCOMPARE(panel->headLine(), QString("Offsets for CH-01, CH-03 of Studio B (2 heads)"));
    COXCoolSpinButtonCtrl* spin = nullptr;
    for (auto* s : frame.controlPane()->findChildren<COXCoolSpinButtonCtrl*>())
        spin = s->accessibleName() == "Flash offset steps" ? s : spin;
    QTest::mouseClick(spin, Qt::LeftButton, {}, spin->upRect().center());
    QCOMPARE(studio->UnitOn(0)->nFlashValue, 41);
    QCOMPARE(studio->UnitOn(1)->nFlashValue, 40);
    QCOMPARE(studio->UnitOn(2)->nFlashValue, 41);
    const auto* group = frame.controlPane()->findChild<CControlSelFormView*>();
    QCOMPARE(group->accessibleDescription(), QString("Acts on the ticked heads of Studio B"));
}

QTEST_MAIN(MainFrameTest)
#include "tst_mainframe.moc"
