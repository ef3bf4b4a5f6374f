#include "ShellTestSupport.h"
#include "app/CMainFrame.h"
#include "panels/CControlFormView.h"
#include "platform/Messages.h"
#include "platform/PseudoTerminal.h"
#include "platform/SerialDevice.h"
#include "support/Unprivileged.h"
#include "views/CNavigationFormView.h"
#include "views/CStrobeSplitterWnd.h"
#include "views/CStudioListFormView.h"

#include <QMenuBar>
#include <QtTest>

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
    QCOMPARE(buttons, QStringList({"Load (Ctrl+L)", "Save (Ctrl+Shift+S)", "|", "Scan (F5)",
                                   "Name (F2)", "|", "Com (Ctrl+M)"}));
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

QTEST_MAIN(MainFrameTest)
#include "tst_mainframe.moc"
