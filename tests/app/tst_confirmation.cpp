#include "ShellTestSupport.h"
#include "app/CMainFrame.h"
#include "app/MainMenus.h"
#include "app/RadioWatch.h"
#include "link/PendingValues.h"
#include "panels/COXCoolSpinButtonCtrl.h"
#include "panels/CUserStatic.h"
#include "platform/PseudoTerminal.h"
#include "sim/Simulator.h"
#include "support/Hex.h"
#include "support/PrivateSettings.h"
#include "support/QuickHeads.h"
#include "ui/ConfirmationLook.h"
#include "views/CNavigationFormView.h"
#include "views/CNavigationGrid.h"
#include "views/CStudioListFormView.h"
#include "views/HeardMarks.h"

#include <QAccessible>
#include <QMenu>
#include <QMenuBar>
#include <QStandardPaths>
#include <QTreeWidget>
#include <QtTest>

using namespace lumadesk;
using namespace std::chrono_literals;

namespace {

template <typename T> T* named(QWidget* pane, const QString& name) {
    for (T* child : pane->findChildren<T*>()) {
        if (child->accessibleName() == name)
            return child;
    }
    return nullptr;
}

// The window on a simulated dongle with CH-01 and CH-02 in Studio A, behind a symbolic link that
// the console is told to use, so a replug's new device is found again. Studio A is scanned and
// CH-02 chosen in the grid.
struct SimulatedDesk {
    WorkingDirectory cwd;
    std::unique_ptr<sim::Simulator> radio;
    std::unique_ptr<CMainFrame> frame;
    StrobeData* head = nullptr;

    bool start(const QString& deaf = {}) {
        sim::SimConfig config = quickHeads(QStringLiteral("A:1-2"));
        QString error;
        if (!deaf.isEmpty() && !sim::ParseDeafHeads({deaf}, config.heads, config.deafHeads, error))
            return false;
        // They answer a select together, in channel order, so CH-02's block is the second.
        config.delayMin = config.delayMax = sim::Milliseconds(20);
        config.linkPath = cwd.filePath(QStringLiteral("dongle"));
        radio = std::make_unique<sim::Simulator>(config);
        if (!radio->start())
            return false;
        frame = std::make_unique<CMainFrame>(ShellOptions{config.linkPath, {}, {}});
        frame->show();
        if (!QTest::qWaitForWindowExposed(frame.get()) ||
            !QTest::qWaitFor([this] { return frame->radio().isConnected(); }, 10000))
            return false;
        auto* list = static_cast<CStudioListFormView*>(frame->studioListPane());
        list->tree()->setCurrentItem(list->studioItem(0));
        StudioData* studio = frame->radio().startScan(list);
        if (studio == nullptr ||
            !QTest::qWaitFor([this] { return grid()->shownCount() == 2; }, 10000))
            return false;
        head = studio->UnitOn(1);
        const QRect block = grid()->visualRect(grid()->model()->index(1 * 4 + 1, 0));
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, block.center());
        return UnitOfNode(frame->model().pCurNode) == head;
    }
    CNavigationGrid* grid() const {
        return qobject_cast<CNavigationFormView*>(frame->navigationPane())->grid();
    }
    quint8 headFlash() const {
        for (const sim::HeadState& h : radio->heads()) {
            if (h.group == 0 && h.channel == 1)
                return h.settings.flashLevel;
        }
        return 0;
    }
    void stepFlashUp() {
        emit named<COXCoolSpinButtonCtrl>(frame->controlPane(), QStringLiteral("Flash level steps"))
            ->deltaPos(-1);
    }
    ConfirmationMark* flashMark() const {
        return named<ConfirmationMark>(frame->controlPane(), "Flash level confirmation");
    }
};

} // namespace

class ConfirmationTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { UsePrivateSettings(); }
    void panelAndGridMarkTheValueUntilTheHeadConfirms_data();
    void panelAndGridMarkTheValueUntilTheHeadConfirms();
    void aValueTheClosedPortDroppedIsNotSentAndGoesOutAgain();
    void checkNamesAHeadThatAnsweredButHoldsAnUnconfirmedValue();
};

void ConfirmationTest::panelAndGridMarkTheValueUntilTheHeadConfirms_data() {
    QTest::addColumn<bool>("late");
    QTest::addRow("head answers") << false;
    QTest::addRow("head answers after the time-out") << true;
}

void ConfirmationTest::panelAndGridMarkTheValueUntilTheHeadConfirms() {
    QFETCH(bool, late);
    WorkingDirectory cwd;
    PseudoTerminal dongle;
    QVERIFY(dongle.open());
    CMainFrame frame(ShellOptions{dongle.devicePath(), {}, {}});
    QTRY_COMPARE(frame.paneText(1), QStringLiteral("Zigbee connected"));
    // Long enough that the answer beats it, unless the head is told to be late.
    frame.radio().pending().setTimeout(late ? 50ms : 60s);
    StudioModel& model = frame.model();
    SelectStudio(&model, model.studios[0].get());
    frame.protocol().SendStudioSelect(0);
    QCOMPARE(dongle.readExactly(5, 2000), hex("FF 05 00 00 41"));
    CNavigationGrid* grid = qobject_cast<CNavigationFormView*>(frame.navigationPane())->grid();
    QVERIFY(dongle.writeAll(statusReport(0)));
    QTRY_COMPARE(grid->shownCount(), 1);
    StrobeData* unit = model.studios[0]->UnitOn(0);
    unit->nNodeKind = NODE_STROBE; // as the studio tree makes a chosen unit
    SetCurrentNode(&model, unit);

    auto* field = named<CUserStatic>(frame.controlPane(), QStringLiteral("Flash level"));
    QVERIFY(field != nullptr);
    auto* mark = named<ConfirmationMark>(frame.controlPane(), "Flash level confirmation");
    QVERIFY(mark != nullptr);
    HeardMarks* marks = frame.radioWatch()->marks();
    const CUGCell* block = grid->cellModel()->cell(0, 2);
    const QColor fieldPlain = field->textColor;
    const QColor blockPlain = block->textColor;
    const QString note = frame.paneText(0);

    // The operator steps the flash level up: 5.0 -> 5.1.
    emit named<COXCoolSpinButtonCtrl>(frame.controlPane(), QStringLiteral("Flash level steps"))
        ->deltaPos(-1);
    QCOMPARE(dongle.readExactly(7, 2000), hex("FF 07 13 00 01 33 32"));
    const Confirmation state = late ? Confirmation::Unconfirmed : Confirmation::Pending;
    const QString words = late ? "flash 5.1 sent, CH-01 has not confirmed it"
                               : "flash 5.1 sent, waiting for CH-01 to confirm it";
    if (late)
        QTRY_COMPARE(frame.paneText(0),
                     QStringLiteral("CH-01 of Studio A did not confirm flash 5.1, model 5.0"));
    QTRY_COMPARE(mark->state(), state);
    QVERIFY(mark->isVisibleTo(frame.controlPane()));
    QCOMPARE(mark->accessibleDescription(), words);
    QCOMPARE(marks->blockMarks(), std::vector<Confirmation>{state});
    QVERIFY(block->description.contains(words));
    // The values keep their own colours: the mark says it, not a colour.
    QCOMPARE(field->textColor, fieldPlain);
    QCOMPARE(block->textColor, blockPlain);
    QCOMPARE(frame.paneText(2), late ? QStringLiteral("Studio A: 1 head, 1 not answering")
                                     : QStringLiteral("Studio A: 1 head, all answering"));

    QVERIFY(dongle.writeAll(hex("FF 07 13 00 01 33 32")));
    QTRY_COMPARE(mark->state(), Confirmation::Confirmed);
    QVERIFY(!mark->isVisibleTo(frame.controlPane()));
    QCOMPARE(marks->blockMarks(), std::vector<Confirmation>{Confirmation::Confirmed});
    QCOMPARE(block->description, QString());
    QCOMPARE(frame.paneText(0), note);
    QCOMPARE(frame.paneText(2), QStringLiteral("Studio A: 1 head, all answering"));
}

void ConfirmationTest::aValueTheClosedPortDroppedIsNotSentAndGoesOutAgain() {
    SimulatedDesk desk;
    QVERIFY(desk.start());
    CMainFrame& frame = *desk.frame;
    QAction* sendAgain = frame.menus()->sendAgainAction();
    QVERIFY(!sendAgain->isEnabled());
    QCOMPARE(desk.headFlash(), quint8(50));

    // The dongle pulled, the operator steps CH-02's flash level up: 5.0 -> 5.1.
    desk.radio->unplug();
    QTRY_COMPARE(frame.paneText(1), QStringLiteral("Zigbee disconnected"));
    desk.stepFlashUp();
    ConfirmationMark* mark = desk.flashMark();
    QCOMPARE(mark->state(), Confirmation::NotSent);
    QCOMPARE(mark->accessibleDescription(), QStringLiteral("flash 5.1 not sent: link down"));
    QVERIFY(mark->isVisibleTo(frame.controlPane()));
    HeardMarks* marks = frame.radioWatch()->marks();
    QTRY_COMPARE(marks->blockMarks(),
                 (std::vector<Confirmation>{Confirmation::Confirmed, Confirmation::NotSent}));
    QVERIFY(desk.grid()->cellModel()->cell(0, 6)->description.contains("flash 5.1 not sent"));
    // The link's absence is not the head's fault.
    QCOMPARE(marks->quietBlocks(), std::vector<int>{});
    QCOMPARE(frame.paneText(2), QStringLiteral("Studio A: 2 heads, all answering"));
    QVERIFY(!sendAgain->isEnabled()); // it would only be dropped again

    // Plugged in again: the heads report what they hold, and the first pane names what the
    // dongle never got.
    desk.radio->replug();
    QTRY_COMPARE_WITH_TIMEOUT(frame.paneText(1), QStringLiteral("Zigbee connected"), 10000);
    QTRY_COMPARE(frame.paneText(0), QStringLiteral("Link restored: Studio A selected again; "
                                                   "not sent: CH-02 flash 5.1"));
    QTRY_COMPARE(desk.head->nFlashValue, 50); // the record follows the head's report
    QCOMPARE(mark->state(), Confirmation::NotSent);
    QVERIFY(sendAgain->isEnabled());

    // Edit > Send again, by the mouse.
    QMenu* edit = frame.editMenu();
    QAccessibleInterface* menu = QAccessible::queryAccessibleInterface(edit);
    QStringList items;
    for (int i = 0; i < menu->childCount(); ++i)
        items << menu->child(i)->text(QAccessible::Name);
    QVERIFY(items.contains(QStringLiteral("Send again")));
    QMenuBar* bar = frame.menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(edit->menuAction()).center());
    QTRY_VERIFY(edit->isVisible());
    QTest::mouseClick(edit, Qt::LeftButton, {}, edit->actionGeometry(sendAgain).center());
    QTRY_COMPARE(desk.headFlash(), quint8(51));
    QTRY_COMPARE(mark->state(), Confirmation::Confirmed);
    QCOMPARE(desk.head->nFlashValue, 51);
    QCOMPARE(frame.paneText(0), QStringLiteral("Link restored: Studio A selected again"));
    QVERIFY(!sendAgain->isEnabled());
}

void ConfirmationTest::checkNamesAHeadThatAnsweredButHoldsAnUnconfirmedValue() {
    SimulatedDesk desk;
    QVERIFY(desk.start(QStringLiteral("A:2"))); // CH-02 answers a select, ignores commands
    CMainFrame& frame = *desk.frame;
    frame.setScanTickMs(100);
    frame.radio().pending().setTimeout(100ms);
    desk.stepFlashUp();
    QTRY_COMPARE(desk.flashMark()->state(), Confirmation::Unconfirmed);
    QTRY_COMPARE(frame.paneText(2), QStringLiteral("Studio A: 2 heads, 1 not answering"));

    // Its answer to the check shows it is there; the value it never took is still named.
    QTest::keyClick(&frame, Qt::Key_R, Qt::ControlModifier);
    QTRY_VERIFY_WITH_TIMEOUT(frame.paneText(0).startsWith(
                                 "Check of Studio A: CH-02 answered, flash 5.1 still unconfirmed;"),
                             10000);
    QCOMPARE(frame.paneText(2), QStringLiteral("Studio A: 2 heads, all answering"));
    QCOMPARE(frame.radioWatch()->marks()->quietBlocks(), std::vector<int>{});
    QCOMPARE(desk.flashMark()->state(), Confirmation::Unconfirmed);
}

QTEST_MAIN(ConfirmationTest)
#include "tst_confirmation.moc"
