#include "ShellTestSupport.h"
#include "app/CLumaDeskApp.h"
#include "app/CMainFrame.h"
#include "app/CWaitingDlg.h"
#include "model/HeadRole.h"
#include "platform/Messages.h"
#include "platform/PseudoTerminal.h"
#include "sim/Simulator.h"

#include <QLabel>
#include <QProgressBar>
#include <QSettings>
#include <QtTest>

using namespace lumadesk;

namespace {

constexpr int kHour = 3600 * 1000; // a tick that never comes during a test

void tick(QObject* box, int timerId) {
    QTimerEvent event(timerId);
    QCoreApplication::sendEvent(box, &event);
}

} // namespace

class ChannelScanTest : public QObject {
    Q_OBJECT
private slots:
    void waitBoxGrowsByItsOwnTicksOnlyAndClosesAfterSix();
    void scanEmptiesTheStudioAndCallsItsGroup();
    void headsThatAnswerAreAddedWhileTheBoxIsOpen();
    void linkLostDuringTheScanSaysSoAndClosesTheBox();
    void namesOutliveARescanAndARestartAndALockedDeskDoesNotScan();
};

void ChannelScanTest::waitBoxGrowsByItsOwnTicksOnlyAndClosesAfterSix() {
    CWaitingDlg box(QStringLiteral("Studio C"), nullptr, kHour);
    QCOMPARE(box.windowTitle(), QString("Channel scan"));
    box.show();
    QCOMPARE(box.progressText(), QString("Studio C scanning "));
    const int other = box.startTimer(kHour);
    tick(&box, other);
    for (int i = 0; i < 3; ++i)
        tick(&box, box.tickTimerId());
    tick(&box, other);
    QCOMPARE(box.progressText(), QString("Studio C scanning ..."));
    QCOMPARE(box.findChild<QLabel*>()->text(), box.progressText());
    // Half the wait is left: three of the six hour-long ticks.
    QCOMPARE(box.waitBar()->value() * 2, box.waitBar()->maximum());
    QCOMPARE(box.waitBar()->text(), QString("10800 s left"));
    for (int i = 0; i < 2; ++i)
        tick(&box, box.tickTimerId());
    QVERIFY(box.isVisible());
    tick(&box, box.tickTimerId());
    QVERIFY(!box.isVisible());
    QCOMPARE(box.result(), int(QDialog::Accepted));

    // Left to its own timer, a box closes itself after six ticks.
    CWaitingDlg quick(QStringLiteral("Studio A"), nullptr, 1);
    QCOMPARE(quick.exec(), int(QDialog::Accepted));
    QCOMPARE(quick.progressText(), QString("Studio A scanning ......"));
}

void ChannelScanTest::scanEmptiesTheStudioAndCallsItsGroup() {
    WorkingDirectory cwd;
    PseudoTerminal dongle;
    QVERIFY(dongle.open());
    CMainFrame frame(ShellOptions{dongle.devicePath(), {}, {}});
    QTRY_COMPARE(frame.paneText(1), QString("Zigbee connected"));
    StudioModel& model = frame.model();
    int boxes = 0;
    ModalAnswer answer([&boxes](QDialog& box) {
        ++boxes;
        return ModalAnswer::accept(box);
    });
    frame.OnScan(); // no current studio: nothing to scan
    QCOMPARE(boxes, 0);

    StudioData* studioC = model.studios[2].get();
    QVERIFY(addressStudio(frame, dongle, 2));
    QVERIFY(dongle.writeAll(statusReport(0) + statusReport(5)));
    QTRY_COMPARE(studioC->nChItemCnt, 2);
    StrobeData* current = studioC->UnitOn(5);
    current->nNodeKind = NODE_STROBE;
    model.pCurNode = current;
    MessageTap list(frame.studioListPane());
    int unitsWhenTold = -1;
    list.onMessage = [&](const MessageTap::Entry&) { unitsWhenTold = studioC->nChItemCnt; };
    frame.commandAction(Msg::CMD_SCAN)->trigger();

    QCOMPARE(dongle.readExactly(5, 2000), QByteArray("\xFF\x05\x00\x00\x43", 5));
    QCOMPARE(studioC->nChItemCnt, 0);
    QCOMPARE(model.pCurNode, static_cast<NodeHeader*>(studioC));
    QCOMPARE(model.pScanStudio, studioC);
    QCOMPARE(list.entries.size(), 1);
    QCOMPARE(list.entries[0].number, Msg::ListStudioCleared);
    QCOMPARE(list.entries[0].lParam, AsLParam(studioC));
    QVERIFY(!list.entries[0].posted);
    QCOMPARE(unitsWhenTold, 0);
    QCOMPARE(boxes, 1);
}

void ChannelScanTest::headsThatAnswerAreAddedWhileTheBoxIsOpen() {
    WorkingDirectory cwd;
    sim::SimConfig config;
    QString error;
    QVERIFY(sim::ParseHeads(QStringLiteral("A:2,C:1,3,10"), config.heads, error));
    config.delayMin = std::chrono::milliseconds(5);
    config.delayMax = std::chrono::milliseconds(40);
    sim::Simulator radio(config);
    QVERIFY2(radio.start(), qPrintable(radio.errorString()));
    CMainFrame frame(ShellOptions{radio.devicePath(), {}, {}});
    frame.setScanTickMs(kHour);
    QTRY_COMPARE(frame.paneText(1), QString("Zigbee connected"));
    StudioData* studioC = frame.model().studios[2].get();
    SelectStudio(&frame.model(), studioC);

    // The box stays open until group C's three heads were announced through it; a safety
    // timer closes it should they never be.
    MessageTap list(frame.studioListPane());
    int whileOpen = 0;
    list.onMessage = [&](const MessageTap::Entry& e) {
        auto* box = frame.findChild<CWaitingDlg*>();
        if (e.number == Msg::ListNewUnit && box != nullptr && box->isVisible() && ++whileOpen == 3)
            box->accept();
    };
    QTimer::singleShot(10000, &frame, [&frame] {
        if (auto* box = frame.findChild<CWaitingDlg*>())
            box->reject();
    });
    frame.OnScan();

    QCOMPARE(whileOpen, 3);
    QCOMPARE(studioC->nChItemCnt, 3);
    for (int channel : {0, 2, 9})
        QVERIFY(studioC->UnitOn(channel) != nullptr);
    QCOMPARE(frame.model().studios[0]->nChItemCnt, 0);
}

void ChannelScanTest::linkLostDuringTheScanSaysSoAndClosesTheBox() {
    WorkingDirectory cwd;
    PseudoTerminal dongle;
    QVERIFY(dongle.open());
    CMainFrame frame(ShellOptions{dongle.devicePath(), {}, {}});
    frame.setScanTickMs(kHour);
    QTRY_COMPARE(frame.paneText(1), QString("Zigbee connected"));
    SelectStudio(&frame.model(), frame.model().studios[0].get());
    // The dongle is pulled while the box waits: the box closes at once, and says why.
    bool closedEarly = false;
    ModalAnswer pulled([&](QDialog& box) {
        bool rejected = false;
        QObject::connect(&box, &QDialog::rejected, &box, [&rejected] { rejected = true; });
        dongle.close();
        closedEarly = QTest::qWaitFor([&rejected] { return rejected; });
        return box.result();
    });
    frame.OnScan();
    QVERIFY(closedEarly);
    QCOMPARE(frame.paneText(1), QString("Zigbee disconnected"));
    QCOMPARE(frame.paneText(0), QString("Scan of Studio A cut short: link lost"));
}

void ChannelScanTest::namesOutliveARescanAndARestartAndALockedDeskDoesNotScan() {
    WorkingDirectory cwd;
    QSettings(CLumaDeskApp::settingsKey(), CLumaDeskApp::applicationName()).clear();
    sim::SimConfig config;
    QString error;
    QVERIFY(sim::ParseHeads(QStringLiteral("A:2"), config.heads, error));
    config.delayMin = std::chrono::milliseconds(5);
    config.delayMax = std::chrono::milliseconds(40);
    sim::Simulator radio(config);
    QVERIFY2(radio.start(), qPrintable(radio.errorString()));
    const auto scan = [](CMainFrame& frame) {
        MessageTap list(frame.studioListPane());
        list.onMessage = [&frame](const MessageTap::Entry& e) {
            if (auto* box = frame.findChild<CWaitingDlg*>(); e.number == Msg::ListNewUnit && box)
                box->accept();
        };
        QTimer::singleShot(10000, &frame, [&frame] {
            if (auto* box = frame.findChild<CWaitingDlg*>())
                box->reject();
        });
        frame.OnScan();
    };
    {
        CMainFrame frame(ShellOptions{radio.devicePath(), {}, {}});
        frame.setScanTickMs(kHour);
        QTRY_COMPARE(frame.paneText(1), QString("Zigbee connected"));
        StudioData* studio = frame.model().studios[0].get();
        SelectStudio(&frame.model(), studio);
        scan(frame);
        QVERIFY(studio->UnitOn(1) != nullptr);
        {
            HeadEdit edit(frame.model().news, *studio->UnitOn(1));
            studio->UnitOn(1)->sModelName = QStringLiteral("Beauty dish");
            studio->UnitOn(1)->nRole = int(HeadRole::Key);
        }
        scan(frame);
        QCOMPARE(HeadLabel(*studio->UnitOn(1)), QString("Beauty dish (Key)"));

        frame.lockAction()->trigger();
        const StrobeData* kept = studio->UnitOn(1);
        frame.OnScan(); // refused: no box, the head stays
        QCOMPARE(studio->UnitOn(1), kept);
        QVERIFY(frame.paneText(0).contains(OperatorActions::lockedText()));
    }
    CMainFrame frame(ShellOptions{radio.devicePath(), {}, {}}); // the next start
    frame.setScanTickMs(kHour);
    QVERIFY(frame.lockAction()->isChecked());
    QVERIFY(frame.actions().locked());
    frame.lockAction()->trigger();
    QTRY_COMPARE(frame.paneText(1), QString("Zigbee connected"));
    StudioData* studio = frame.model().studios[0].get();
    SelectStudio(&frame.model(), studio);
    scan(frame);
    QVERIFY(studio->UnitOn(1) != nullptr);
    QCOMPARE(HeadLabel(*studio->UnitOn(1)), QString("Beauty dish (Key)"));
}

QTEST_MAIN(ChannelScanTest)
#include "tst_channelscan.moc"
