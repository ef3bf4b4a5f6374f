#include "app/CLumaDeskApp.h"
#include "app/CMainFrame.h"
#include "app/CMainToolBar.h"
#include "panels/CControlSelFormView.h"
#include "panels/COXCoolSliderCtrl.h"
#include "panels/COXCoolSpinButtonCtrl.h"
#include "platform/Messages.h"
#include "sim/Simulator.h"
#include "support/MessageRecorder.h"
#include "support/PrivateSettings.h"
#include "support/QuickHeads.h"
#include "support/SimulatorWire.h"
#include "support/WorkingDirectory.h"
#include "views/CNavigationFormView.h"
#include "views/CNavigationGrid.h"
#include "views/CStudioListFormView.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTreeWidget>
#include <QtTest>
#include <mutex>

using namespace lumadesk;

namespace {

const QColor kIconGreen(0x66, 0xCC, 0x00);
const QColor kIconGrey(0x61, 0x61, 0x61);
const QColor kCurrentBack(0x5B, 0x8A, 0xD7);
const QColor kAlarmCurrentBack(0x4B, 0x68, 0x9E);
const QColor kAlarmOtherBack(0xA2, 0xA9, 0xAA);

// The operator in front of the boxes the console opens modally. Each is noted as "title: text";
// a question is answered with Enter, as soon as its loop runs; the scan's wait box closes by
// itself and is noted with the text it had then.
class Boxes : public QObject {
public:
    Boxes() { qApp->installEventFilter(this); }
    ~Boxes() override { qApp->removeEventFilter(this); }

    const QStringList& seen() const { return m_seen; }
    QStringList take() { return std::exchange(m_seen, {}); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (dialog == nullptr || event->type() != QEvent::Show)
            return false;
        if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
            m_seen << box->windowTitle() + ": " + box->text();
            QMetaObject::invokeMethod(
                box, [box] { QTest::keyClick(box, Qt::Key_Enter); }, Qt::QueuedConnection);
        } else {
            connect(
                dialog, &QDialog::finished, this,
                [this, dialog] {
                    m_seen << dialog->windowTitle() + ": " + dialog->findChild<QLabel*>()->text();
                },
                Qt::SingleShotConnection);
        }
        return false;
    }

private:
    QStringList m_seen;
};

// The console as the program starts it, offscreen, on a simulated dongle behind a symbolic link
// (the port it is told to use), so a replug that brings a new pseudo-terminal is found again.
// Heads: CH-01 to CH-03 in Studio A, CH-02 and CH-05 in Studio B. They answer a select together,
// in channel order, so the grid's first block is the first head that answered. They never cool,
// and report heat and recharge quickly, so a few test flashes overheat one.
struct Session {
    WorkingDirectory cwd;
    SimulatorWire wire;
    sim::Simulator radio{config()};
    Boxes boxes;
    CLumaDeskApp app{ShellOptions{cwd.filePath("dongle"), {}, {}}};
    CMainFrame* frame = nullptr;
    QTreeWidget* tree = nullptr;
    CNavigationGrid* grid = nullptr;
    QWidget* panel = nullptr;
    std::unique_ptr<MessageTap> heard; // the frame's messages, to know when reports were taken

    sim::SimConfig config() {
        sim::SimConfig c = quickHeads(QStringLiteral("A:1-3,B:2,5"));
        c.delayMin = c.delayMax = sim::Milliseconds(20);
        c.linkPath = cwd.filePath("dongle");
        c.coolingStep = sim::Milliseconds(0);
        c.heatInterval = sim::Milliseconds(20);
        c.recyclePerLevel = sim::Milliseconds(1);
        c.log = [this](const QString& line) { wire.note(line); };
        return c;
    }

    bool start() {
        if (!radio.start() || !app.InitInstance())
            return false;
        frame = app.frame();
        frame->setScanTickMs(100); // six ticks still, 0.6 s instead of six seconds
        tree = qobject_cast<CStudioListFormView*>(frame->studioListPane())->tree();
        grid = qobject_cast<CNavigationFormView*>(frame->navigationPane())->grid();
        panel = frame->controlPane();
        heard = std::make_unique<MessageTap>(frame);
        return QTest::qWaitForWindowExposed(frame);
    }

    // ---- the heads' side
    sim::HeadState head(int group, int channel) const {
        for (const sim::HeadState& h : radio.heads()) {
            if (h.group == group && h.channel == channel)
                return h;
        }
        return {};
    }
    QList<sim::HeadSettings> settingsOf(int group) const {
        QList<sim::HeadSettings> out;
        for (const sim::HeadState& h : radio.heads()) {
            if (h.group == group)
                out << h.settings;
        }
        return out;
    }

    // ---- the operator's hands
    void click(QWidget* widget, QPoint at) { QTest::mouseClick(widget, Qt::LeftButton, {}, at); }
    // The helpers that can miss say so; the session stops there.
    [[nodiscard]] bool press(int command) {
        auto* bar = frame->findChild<CMainToolBar*>();
        QWidget* button = bar->widgetForAction(frame->commandAction(command));
        if (!button->isEnabled())
            return false;
        click(button, button->rect().center());
        return true;
    }
    // A studio's item, or with `unit` the item of that unit below it.
    QTreeWidgetItem* treeItem(const QString& studio, const QString& unit = {}) const {
        const auto found = tree->findItems(studio, Qt::MatchExactly);
        if (found.isEmpty() || unit.isEmpty())
            return found.isEmpty() ? nullptr : found.constFirst();
        for (int i = 0; i < found.constFirst()->childCount(); ++i) {
            if (found.constFirst()->child(i)->text(0) == unit)
                return found.constFirst()->child(i);
        }
        return nullptr;
    }
    [[nodiscard]] bool chooseInTree(const QString& studio, const QString& unit = {}) {
        QTreeWidgetItem* item = treeItem(studio, unit);
        if (item == nullptr)
            return false;
        click(tree->viewport(), tree->visualItemRect(item).center());
        return tree->currentItem() == item;
    }
    // The branch's arrow sits an indentation left of the item's text.
    // The tree opens the branch of a head the grid makes current by itself.
    [[nodiscard]] bool openBranch(const QString& studio) {
        const QRect item = tree->visualItemRect(treeItem(studio));
        if (!treeItem(studio)->isExpanded())
            click(tree->viewport(),
                  QPoint(item.left() - tree->indentation() / 2, item.center().y()));
        return treeItem(studio)->isExpanded();
    }
    QRect cellRect(int col, int row) const {
        return grid->visualRect(grid->model()->index(row, col));
    }
    void clickBlock(int i) { click(grid->viewport(), cellRect(0, 4 * i + 1).center()); }
    void tickBlock(int i) {
        click(grid->viewport(), CUGCtrl::CheckBoxRect(cellRect(0, 4 * i + 2)).center());
    }
    template <typename T = QWidget> T* control(const QString& name, QWidget* within = nullptr) {
        for (T* widget : (within ? within : panel)->findChildren<T*>()) {
            if (widget->accessibleName() == name && widget->isVisible())
                return widget;
        }
        qFatal("no control %s", qPrintable(name));
    }
    // The combo box opened with a click, the entry chosen with the arrow keys and Enter.
    [[nodiscard]] bool chooseMode(const QString& text) {
        auto* combo = control<QComboBox>("Settings mode");
        click(combo, combo->rect().center());
        if (!QTest::qWaitFor([combo] { return combo->view()->isVisible(); }))
            return false;
        const int steps = combo->findText(text) - combo->currentIndex();
        for (int n = 0; n < std::abs(steps); ++n)
            QTest::keyClick(combo->view(), steps > 0 ? Qt::Key_Down : Qt::Key_Up);
        QTest::keyClick(combo->view(), Qt::Key_Return);
        return combo->currentText() == text;
    }
    void drag(COXCoolSliderCtrl* slider, int from, int to) {
        QTest::mousePress(slider, Qt::LeftButton, {}, slider->ThumbCentre(from));
        QTest::mouseMove(slider, slider->ThumbCentre(to));
        QTest::mouseRelease(slider, Qt::LeftButton, {}, slider->ThumbCentre(to));
    }

    // ---- what the operator sees
    QStringList blockNames() const {
        QStringList names;
        for (int i = 0; i < grid->GetNumberRows() / CNavigationGrid::kRowsPerBlock; ++i)
            names << grid->QuickGetText(0, 4 * i + 1).trimmed();
        return names;
    }
    QString status(int i) const {
        return grid->model()->index(4 * i + 2, 0).data(Qt::DisplayRole).toString();
    }
    bool ticked(int i) const {
        return grid->model()->index(4 * i + 2, 0).data(Qt::CheckStateRole) == Qt::Checked;
    }
    QColor pixel(QPoint at) const { return grid->viewport()->grab().toImage().pixelColor(at); }
    // The status cell's back colour, at its top right where no text reaches.
    QColor statusBack(int i) const {
        return pixel(cellRect(0, 4 * i + 2).topRight() + QPoint(-2, 2));
    }
    // The disc of the photo cell's icon.
    QColor cellIcon(int i) const { return pixel(cellRect(2, 4 * i + 3).topLeft() + QPoint(10, 2)); }
    QString heading() const {
        return grid->model()->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString();
    }
    QString shown(const QString& name) { return control<QLabel>(name)->text(); }
};

QString label(int flash, int model) {
    return QStringLiteral("Flash : F %1.%2\nModel : F %3.%4")
        .arg(flash / 10)
        .arg(flash % 10)
        .arg(model / 10)
        .arg(model % 10);
}

} // namespace

class SessionTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { UsePrivateSettings(); }
    void photographerWorksThroughASession();
};

// One working session, step by step; each step starts from where the one before left the
// console and the heads.
void SessionTest::photographerWorksThroughASession() {
    Session s;
    QVERIFY2(s.start(), qPrintable(s.radio.errorString()));
    QTRY_COMPARE(s.frame->paneText(1), QString("Zigbee connected"));
    constexpr int A = 0;
    constexpr int B = 1;

    // Studio A, Scan: its heads in the tree and in the grid, the first current.
    QVERIFY(s.chooseInTree("Studio A"));
    QVERIFY(s.press(Msg::CMD_SCAN));
    QCOMPARE(s.boxes.take(), QStringList({"Channel scan: Studio A scanning ......"}));
    QTRY_COMPARE(s.treeItem("Studio A")->childCount(), 3);
    QVERIFY(s.openBranch("Studio A"));
    QVERIFY(s.treeItem("Studio A", "CH-03 Not define") != nullptr);
    QCOMPARE(s.blockNames(),
             QStringList({"CH-01  Not define", "CH-02  Not define", "CH-03  Not define"}));
    QCOMPARE(s.heading(), QString("Channel Select [ Studio A ]"));
    QCOMPARE(s.status(1), label(50, 50));
    QCOMPARE(s.grid->currentIndex(), 0);
    QCOMPARE(s.statusBack(0), kCurrentBack);

    // CH-02's block, its flash slider from 5.0 to 7.5: the head takes it and the grid shows
    // the echo.
    {
        MessageTap navigation(s.frame->navigationPane());
        MessageTap frame(s.frame);
        s.clickBlock(1);
        QCoreApplication::sendPostedEvents();
        // The tree follows without running its own rules: nothing shown, made current, scanned.
        QCOMPARE(navigation.count(Msg::NavShowStudio) + navigation.count(Msg::NavSelectUnit), 0);
        QCOMPARE(frame.count(Msg::FrameScanStudio), 0);
    }
    QCOMPARE(s.grid->currentIndex(), 1);
    QCOMPARE(s.statusBack(1), kCurrentBack);
    QCOMPARE(s.statusBack(0), QColor(Qt::white));
    // The panel names the head it edits, and the tree shows the same head.
    QCOMPARE(s.shown("Current head"), QString("CH-02 Not define"));
    QCOMPARE(s.tree->currentItem()->text(0), QString("CH-02 Not define"));
    s.drag(s.control<COXCoolSliderCtrl>("Flash level slider"), 50, 75);
    QTRY_COMPARE(s.head(A, 1).settings.flashLevel, quint8(75));
    QTRY_COMPARE(s.status(1), label(75, 50));
    QCOMPARE(s.shown("Flash level"), QString("7.5"));
    s.wire.takeCommands();

    // CH-01 and CH-02 ticked in the grid, "Selected unit(s) settings" chosen, the flash offset
    // dragged halfway and raised to 1.0 with the up arrow (the slider has more steps than
    // pixels, and a step back down after an overshoot would take CH-02 off its clamp): each move
    // sends one studio levels frame, adding only what changed since the one before, so both
    // heads end 1.0 higher, CH-02 no further than 8.1.
    s.tickBlock(0);
    s.tickBlock(1);
    QCOMPARE(QList<bool>({s.ticked(0), s.ticked(1), s.ticked(2)}),
             QList<bool>({true, true, false}));
    QVERIFY(s.chooseMode("Selected unit(s) settings"));
    auto* group = s.panel->findChild<CControlSelFormView*>();
    QVERIFY(group->isVisible());
    QCOMPARE(s.shown("Flash offset"), QString("0.0"));
    s.drag(s.control<COXCoolSliderCtrl>("Flash offset slider", group), 82, 87);
    QVERIFY2(s.shown("Flash offset") < "1.0", qPrintable(s.shown("Flash offset")));
    auto* offsetSteps = s.control<COXCoolSpinButtonCtrl>("Flash offset steps", group);
    int moves = 1;
    for (; s.shown("Flash offset") != "1.0" && moves <= 10; ++moves)
        s.click(offsetSteps, offsetSteps->upRect().center());
    QTRY_COMPARE(s.head(A, 0).settings.flashLevel, quint8(60));
    QTRY_COMPARE(s.head(A, 1).settings.flashLevel, quint8(81));
    QCOMPARE(s.head(A, 2).settings.flashLevel, quint8(50));
    QTRY_COMPARE(s.status(0), label(60, 50));
    QTRY_COMPARE(s.status(1), label(81, 50));
    QTRY_COMPARE(s.wire.commandCount(), moves);
    const QStringList levels = s.wire.takeCommands();
    for (const QString& frame : levels) // both levels of all ten slots
        QVERIFY2(frame.contains("  studio flash levels: "), qPrintable(frame));

    // "Cell" ticked in the group panel: one unit command for both heads, their photo cells on,
    // their cell icons green in the grid; CH-03's stays grey.
    QTest::mouseClick(s.control<QAbstractButton>("Cell", group), Qt::LeftButton);
    QTRY_COMPARE(s.head(A, 0).settings.cell, quint8(1));
    QTRY_COMPARE(s.head(A, 1).settings.cell, quint8(1));
    QCOMPARE(s.head(A, 2).settings.cell, quint8(0));
    QTRY_COMPARE(s.wire.commandCount(), 1);
    const QStringList cells = s.wire.takeCommands();
    QVERIFY2(cells[0].startsWith("FF 07 17 00 03 00 02  cell CH-01,CH-02"), qPrintable(cells[0]));
    QTRY_COMPARE(s.cellIcon(0), kIconGreen);
    QCOMPARE(s.cellIcon(1), kIconGreen);
    QCOMPARE(s.cellIcon(2), kIconGrey);

    // The set-up saved as "evening" from the panel; a head changed; "evening" loaded: every
    // head of the studio is back where it was saved.
    auto* fileName = s.control<QLineEdit>("File name");
    s.click(fileName, fileName->rect().center());
    QTest::keyClicks(fileName, "evening");
    QVERIFY(s.press(Msg::CMD_SAVE));
    QCOMPARE(s.boxes.take(),
             QStringList({"Business Memory: Do you want to save current setting?"}));
    auto* files = s.control<QTreeWidget>("Business Memory files");
    QCOMPARE(files->topLevelItemCount(), 1);
    QCOMPARE(files->topLevelItem(0)->text(0), QString("evening"));
    const QList<sim::HeadSettings> saved = s.settingsOf(A);

    QVERIFY(s.chooseMode("Flash/Model settings"));
    s.clickBlock(2);
    auto* flashSteps = s.control<COXCoolSpinButtonCtrl>("Flash level steps");
    for (int n = 0; n < 3; ++n)
        s.click(flashSteps, flashSteps->upRect().center());
    QTRY_COMPARE(s.head(A, 2).settings.flashLevel, quint8(53));
    QTRY_COMPARE(s.status(2), label(53, 50));

    s.click(files->viewport(), files->visualItemRect(files->topLevelItem(0)).center());
    QCOMPARE(fileName->text(), QString("evening"));
    const int statusBeforeLoad = s.heard->count(Msg::FrameUnitStatus);
    QVERIFY(s.press(Msg::CMD_LOAD));
    QCOMPARE(
        s.boxes.take(),
        QStringList({"Business Memory: Current settig is deleted. Do you want to open file?"}));
    QTRY_COMPARE(s.settingsOf(A), saved);
    QTRY_COMPARE(s.status(2), label(50, 50));
    QCOMPARE(s.status(1), label(81, 50));

    // Studio B has no units yet: the grid empties, also while A's heads still answer the
    // set-up with their status (they are A's: B stays empty). Its scan brings its heads.
    QVERIFY(s.chooseInTree("Studio B"));
    QCOMPARE(s.blockNames(), QStringList());
    QCOMPARE(s.heading(), QString("Channel Select [ Studio B ]"));
    QTRY_COMPARE(s.heard->count(Msg::FrameUnitStatus), statusBeforeLoad + 3);
    QCOMPARE(s.frame->model().studios[B]->nChItemCnt, 0);
    QCOMPARE(s.frame->model().studios[A]->nChItemCnt, 3);
    QCOMPARE(s.blockNames(), QStringList());
    QVERIFY(s.press(Msg::CMD_SCAN));
    QCOMPARE(s.boxes.take(), QStringList({"Channel scan: Studio B scanning ......"}));
    QTRY_COMPARE(s.blockNames(), QStringList({"CH-02  Not define", "CH-05  Not define"}));
    QCOMPARE(s.radio.selectedGroup(), B);

    // A head of Studio A, which is no longer the scanned studio: A is scanned again behind the
    // wait box, and its heads come back with the first one current.
    QVERIFY(s.chooseInTree("Studio A", "CH-02 Not define"));
    QTRY_VERIFY(!s.boxes.seen().isEmpty());
    QCOMPARE(s.boxes.take(), QStringList({"Channel scan: Studio A scanning ......"}));
    QCOMPARE(s.radio.selectedGroup(), A);
    QTRY_COMPARE(s.blockNames(),
                 QStringList({"CH-01  Not define", "CH-02  Not define", "CH-03  Not define"}));
    QTRY_COMPARE(s.grid->currentIndex(), 0);
    QCOMPARE(s.statusBack(0), kCurrentBack);
    QCOMPARE(s.status(0), label(60, 50)); // as the head reported it
    QCOMPARE(s.shown("Flash level"), QString("6.0"));

    // The dongle pulled: the link is down. Plugged in again (a new pseudo-terminal behind the
    // same link): up again at the next retry (a loaded machine may take longer than the half
    // second, so the wait is generous and the time only told), and a scan finds the heads.
    s.radio.unplug();
    QTRY_COMPARE(s.frame->paneText(1), QString("Zigbee disconnected"));
    s.radio.replug();
    QTRY_VERIFY(!s.radio.devicePath().isEmpty());
    QElapsedTimer sincePlugged;
    sincePlugged.start();
    QTRY_COMPARE_WITH_TIMEOUT(s.frame->paneText(1), QString("Zigbee connected"), 10000);
    qInfo("link up %lld ms after the replug", sincePlugged.elapsed());
    // The dongle forgot its group; the console tells it again before anything else.
    QCOMPARE(s.frame->paneText(0), QString("Link restored: Studio A selected again"));
    QTRY_COMPARE(s.radio.selectedGroup(), A);
    QVERIFY(s.press(Msg::CMD_SCAN));
    QCOMPARE(s.boxes.take(), QStringList({"Channel scan: Studio A scanning ......"}));
    QTRY_COMPARE(s.blockNames().size(), 3);

    // CH-02 at 8.1 flashes until it overheats; CH-03 switched off. The heads' reports put
    // "Overheat" and "OFF" in the grid, in the alarm colours.
    s.clickBlock(1);
    QCOMPARE(s.head(A, 1).settings.flashLevel, quint8(81));
    auto* test = s.control<QAbstractButton>("Test");
    for (int n = 1; s.head(A, 1).heat < 60; ++n) {
        QVERIFY(n <= 6); // 10 a flash at 8.1
        s.click(test, test->rect().center());
        QTRY_COMPARE(s.head(A, 1).flashes, n);
        QTRY_VERIFY(s.head(A, 1).charged);
    }
    QTRY_COMPARE(s.status(1), QString("Overheat"));
    QCOMPARE(s.statusBack(1), kAlarmCurrentBack);

    s.clickBlock(2);
    auto* power = s.control<QAbstractButton>("Power On");
    QVERIFY(power->isChecked());
    s.click(power, power->rect().center());
    QTRY_COMPARE(s.head(A, 2).settings.flashPower, quint8(0));
    QTRY_COMPARE(s.status(2), QString("OFF"));
    QCOMPARE(s.statusBack(2), kAlarmCurrentBack);
    QCOMPARE(s.statusBack(1), kAlarmOtherBack);
    QCOMPARE(s.status(0), label(60, 50));

    // A click on empty space in the tree: no head is current, so the panel shows none and
    // offers nothing that would act on one.
    s.wire.takeCommands();
    s.click(s.tree->viewport(), QPoint(5, s.tree->viewport()->height() - 3));
    QCOMPARE(s.shown("Current head"), QString("No head chosen"));
    QCOMPARE(s.shown("Flash level"), QString());
    QVERIFY(!s.control<COXCoolSliderCtrl>("Flash level slider")->isEnabled());
    QVERIFY(!test->isEnabled());
    QCOMPARE(s.grid->currentIndex(), int(CNavigationGrid::kNoCurrent));
    QCOMPARE(s.wire.commandCount(), 0);
}

QTEST_MAIN(SessionTest)
#include "tst_session.moc"
