#include "ShellTestSupport.h"
#include "app/CLumaDeskApp.h"
#include "app/CMainFrame.h"
#include "app/RadioTrafficDock.h"
#include "app/RadioWatch.h"
#include "app/StatusPanes.h"
#include "link/FrameTypes.h"
#include "link/HeardLog.h"
#include "platform/PseudoTerminal.h"
#include "support/Hex.h"
#include "support/PrivateSettings.h"
#include "support/ReaderEvents.h"
#include "views/CNavigationFormView.h"
#include "views/CNavigationGrid.h"
#include "views/CStrobeSplitterWnd.h"
#include "views/CStudioListFormView.h"
#include "views/HeardMarks.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QSettings>
#include <QStandardPaths>
#include <QTableView>
#include <QToolTip>
#include <QTreeWidget>
#include <QtTest>

using namespace lumadesk;

namespace {

// A frame on a pseudo-terminal dongle, link up, Studio A current and scanned.
struct ScannedFrame {
    WorkingDirectory cwd;
    PseudoTerminal dongle;
    std::unique_ptr<CMainFrame> frame;

    bool start(HeardLog::Clock clock = {}) {
        if (!dongle.open())
            return false;
        frame = std::make_unique<CMainFrame>(ShellOptions{dongle.devicePath(), {}, {}});
        if (clock)
            frame->radio().heard().setClock(std::move(clock));
        frame->show();
        if (!QTest::qWaitForWindowExposed(frame.get()) ||
            !QTest::qWaitFor([this] { return frame->radio().isConnected(); }))
            return false;
        auto* list = static_cast<CStudioListFormView*>(frame->studioListPane());
        list->tree()->setCurrentItem(list->studioItem(0));
        return frame->radio().startScan(list) != nullptr;
    }
    CNavigationGrid* grid() const {
        return static_cast<CNavigationFormView*>(frame->navigationPane())->grid();
    }
    QPoint blockPoint(int block) const {
        return grid()->visualRect(grid()->model()->index(block * 4 + 1, 0)).center();
    }
    QStringList rows() const {
        const TrafficTableModel* model = frame->radioWatch()->trafficDock()->tableModel();
        QStringList out;
        for (int row = 0; row < model->rowCount(); ++row)
            out << model->lineOf(row).section('\t', 1, 1) + ' ' +
                       model->lineOf(row).section('\t', 3);
        return out;
    }
};

StatusPane* paneNamed(const CMainFrame& frame, const QString& name) {
    for (StatusPane* pane : frame.findChildren<StatusPane*>()) {
        if (pane->accessibleName() == name)
            return pane;
    }
    return nullptr;
}

} // namespace

class RadioWatchTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { UsePrivateSettings(); }
    void tipsSayWhenTheHeadLastReported_data();
    void tipsSayWhenTheHeadLastReported();
    void checkHeadsMarksTheHeadsThatDoNotReport();
    void trafficDockShowsFramesBothWaysAndSavesThem();
    void restartRestoresGeometrySplittersAndDock();
    void linesAreCutBetweenWords_data();
    void linesAreCutBetweenWords();
    void narrowPanesKeepWholeWordsAndWhoseHeadsTheyCount();
    void panesTellReadersTheirLineAndEachChange();
    void trafficDockStaysAsTheOperatorLeftItAfterQuit_data();
    void trafficDockStaysAsTheOperatorLeftItAfterQuit();
};

void RadioWatchTest::tipsSayWhenTheHeadLastReported_data() {
    QTest::addColumn<qint64>("quietMs");
    QTest::addColumn<QString>("tip");
    QTest::newRow("just heard") << 3000LL << "last heard 3 s ago";
    QTest::newRow("minutes") << 130000LL << "last heard 2 min ago";
}

void RadioWatchTest::tipsSayWhenTheHeadLastReported() {
    QFETCH(qint64, quietMs);
    QFETCH(QString, tip);
    ScannedFrame s;
    qint64 now = 1000000;
    QVERIFY(s.start([&now] { return now; }));
    // CH-06 comes from a set-up and never answers; CH-03 reports.
    PlaceStrobe(&s.frame->model(), 0, 5, std::make_unique<StrobeData>());
    QVERIFY(s.dongle.writeAll(statusReport(2)));
    QTRY_COMPARE(s.grid()->shownCount(), 2);
    now += quietMs;

    HeardMarks* marks = s.frame->radioWatch()->marks();
    QCOMPARE(marks->gridTip(s.blockPoint(0)), tip);
    QCOMPARE(marks->gridTip(s.blockPoint(1)), QString("not heard since the scan"));
    // A switch icon's own tip comes first.
    const QPoint charge = s.grid()->visualRect(s.grid()->model()->index(3, 4)).center();
    QCOMPARE(marks->gridTip(charge), "Charge of CH-03: charged\n" + tip);
    auto* list = static_cast<CStudioListFormView*>(s.frame->studioListPane());
    list->tree()->expandAll();
    const QTreeWidgetItem* item = list->itemShowing(s.frame->model().studios[0]->UnitOn(2));
    QVERIFY(item != nullptr);
    QCOMPARE(marks->treeTip(list->tree()->visualItemRect(item).center()), tip);
    // The tip reaches the operator through the viewport's tool-tip event.
    QHelpEvent help(QEvent::ToolTip, s.blockPoint(0),
                    s.grid()->viewport()->mapToGlobal(s.blockPoint(0)));
    QApplication::sendEvent(s.grid()->viewport(), &help);
    QCOMPARE(QToolTip::text(), tip);

    // Silence alone is no fault: idle heads stay answering.
    s.frame->radioWatch()->refresh();
    QCOMPARE(marks->quietBlocks(), std::vector<int>{});
    QCOMPARE(s.frame->paneText(2), QString("Studio A: 2 heads, all answering"));
}

void RadioWatchTest::checkHeadsMarksTheHeadsThatDoNotReport() {
    ScannedFrame s;
    QVERIFY(s.start());
    s.frame->setScanTickMs(20);
    QCOMPARE(s.dongle.readExactly(5, 2000), hex("FF 05 00 00 41")); // the scan's select
    PlaceStrobe(&s.frame->model(), 0, 5, std::make_unique<StrobeData>());
    QVERIFY(s.dongle.writeAll(statusReport(2)));
    QTRY_COMPARE(s.grid()->shownCount(), 2);

    QTest::keyClick(s.frame.get(), Qt::Key_R, Qt::ControlModifier);
    QCOMPARE(s.dongle.readExactly(5, 2000), hex("FF 05 00 00 41")); // asked again, not emptied
    QCOMPARE(s.frame->model().studios[0]->nChItemCnt, 2);
    QVERIFY(s.dongle.writeAll(statusReport(2)));
    QTRY_COMPARE(s.frame->paneText(0), QString("Check of Studio A: CH-06 did not answer"));
    HeardMarks* marks = s.frame->radioWatch()->marks();
    QCOMPARE(marks->quietBlocks(), std::vector<int>{1});
    QCOMPARE(s.frame->paneText(2), QString("Studio A: 2 heads, 1 not answering"));
    QVERIFY(marks->gridTip(s.blockPoint(1)).contains("not answering"));

    // A head that answers later is unmarked at once.
    QVERIFY(s.dongle.writeAll(statusReport(5)));
    QTRY_COMPARE(marks->quietBlocks(), std::vector<int>{});
    QCOMPARE(s.frame->paneText(2), QString("Studio A: 2 heads, all answering"));
}

void RadioWatchTest::trafficDockShowsFramesBothWaysAndSavesThem() {
    ScannedFrame s;
    QVERIFY(s.start());
    RadioTrafficDock* dock = s.frame->radioWatch()->trafficDock();
    // The table's rows come and go as frames arrive and the log rolls: Qt's own checks watch it.
    QAbstractItemModelTester tester(dock->tableModel(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    QVERIFY(!dock->isVisible()); // hidden: the log fills, the table does not follow
    QVERIFY(s.dongle.writeAll(statusReport(2)));
    QTRY_COMPARE(dock->log().end(), quint64(2));
    QCOMPARE(dock->tableModel()->rowCount(), 0);

    dock->toggleViewAction()->trigger();
    QTRY_VERIFY(dock->isVisible());
    StrobeData* unit = s.frame->model().studios[0]->UnitOn(2);
    QVERIFY(unit != nullptr);
    s.frame->protocol().SendUnitCommand(0, unit, CMD_FLASH_LEVEL);
    QVERIFY(s.dongle.writeAll(hex("FF 07 13 00 04 32 32")));
    const QString status =
        "in status CH-03: flash 5.0, model 5.0, cell off, sound off, power on, lamp on, "
        "mode1 free, mode2 flash-prop";
    const QStringList all{"out select Studio A", status, "out flash 5.0 to CH-03",
                          "in echo CH-03: flash 5.0"};
    QTRY_COMPARE(s.rows(), all);

    const QString path = s.cwd.filePath("traffic.txt");
    QVERIFY(dock->saveAsText(path));
    const QList<QByteArray> lines = readFile(path).split('\n');
    QCOMPARE(lines.size(), 5); // four and the end of the last
    QVERIFY(lines[2].endsWith("\tout\tFF 07 13 00 04 32 32\tflash 5.0 to CH-03"));

    dock->tableModel()->setFilter(1, -1);
    QCOMPARE(s.rows(), QStringList());
    dock->tableModel()->setFilter(0, 5); // frames about CH-06, and the studio's own
    QCOMPARE(s.rows(), QStringList{"out select Studio A"});
    dock->tableModel()->setFilter(-1, -1);

    const QByteArray heat = hex("FF 07 3A 00 04 00 28");
    for (int n = 0; n < TrafficLog::kCapacity; ++n)
        dock->log().record(TrafficDirection::Received,
                           reinterpret_cast<const std::uint8_t*>(heat.constData()), 7);
    dock->tableModel()->sync();
    QCOMPARE(dock->tableModel()->rowCount(), TrafficLog::kCapacity);
    QCOMPARE(s.rows().constFirst(), QString("in heat CH-03: 40"));
    dock->clear();
    QCOMPARE(dock->tableModel()->rowCount(), 0);
}

void RadioWatchTest::restartRestoresGeometrySplittersAndDock() {
    WorkingDirectory cwd;
    QSettings(CLumaDeskApp::settingsKey(), CLumaDeskApp::applicationName()).clear();
    const ShellOptions options{cwd.filePath("none"), {}, {}};
    const QRect placed(30, 40, 900, 560);
    {
        CLumaDeskApp app(options);
        QVERIFY(app.InitInstance());
        CMainFrame* frame = app.frame();
        QVERIFY(QTest::qWaitForWindowExposed(frame));
        QCOMPARE(frame->size(), QSize(800, 500)); // first start: the built-in sizes
        QCOMPARE(frame->outerSplitter()->sizes().constFirst(), 525);
        QCOMPARE(frame->innerSplitter()->sizes().constFirst(), 200);
        QVERIFY(!frame->radioWatch()->trafficDock()->isVisible());
        frame->setGeometry(placed);
        frame->outerSplitter()->setSizes({480, 900 - 480 - CStrobeSplitterWnd::kBarWidth});
        frame->innerSplitter()->setSizes({150, 480 - 150 - CStrobeSplitterWnd::kBarWidth});
        frame->radioWatch()->trafficDock()->show();
    }
    CLumaDeskApp app(options);
    QVERIFY(app.InitInstance());
    CMainFrame* frame = app.frame();
    QVERIFY(QTest::qWaitForWindowExposed(frame));
    QCOMPARE(frame->geometry(), placed);
    QCOMPARE(frame->outerSplitter()->sizes().constFirst(), 480);
    QCOMPARE(frame->innerSplitter()->sizes().constFirst(), 150);
    QVERIFY(frame->radioWatch()->trafficDock()->isVisible());
}

void RadioWatchTest::linesAreCutBetweenWords_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("room"); // the pane is as wide as this text
    QTest::addColumn<QString>("shown");
    const QString late = "CH-03 of Studio A did not confirm flash 6.5";
    QTest::newRow("fits") << late << late << late;
    QTest::newRow("never inside a number") << late << "CH-03 of Studio A did not confirm flash 6."
                                           << "CH-03 of Studio A did not "
                                              "confirm flash\u2026";
    QTest::newRow("no separator before the cut")
        << "Simulated radio on /dev/pts/3; CH-03 did not confirm flash 4.5"
        << "Simulated radio on /dev/pts/3; CH-03 d"
        << "Simulated radio on /dev/pts/3\u2026";
    QTest::newRow("one long word is cut inside") << "/dev/serial/by-id/usb-radio-dongle"
                                                 << "/dev/serial/by" << QString();
}

void RadioWatchTest::linesAreCutBetweenWords() {
    QFETCH(QString, line);
    QFETCH(QString, room);
    QFETCH(QString, shown);
    const QFontMetrics metrics(QApplication::font());
    const int width = metrics.horizontalAdvance(room);
    const QString cut = ElideWords(line, metrics, width);
    QVERIFY(metrics.horizontalAdvance(cut) <= width);
    if (shown.isEmpty()) {
        QVERIFY(cut.endsWith(u'\u2026'));
        QVERIFY(line.startsWith(cut.chopped(1)));
    } else {
        QCOMPARE(cut, shown);
    }
}

void RadioWatchTest::narrowPanesKeepWholeWordsAndWhoseHeadsTheyCount() {
    ScannedFrame s;
    QVERIFY(s.start());
    QCOMPARE(s.frame->width(), 800); // the first start's window
    for (int channel = 0; channel < 4; ++channel)
        QVERIFY(s.dongle.writeAll(statusReport(channel)));
    QTRY_COMPARE(s.grid()->shownCount(), 4);
    // Studio B, empty, is shown; the heads counted are still the scanned studio's.
    auto* list = static_cast<CStudioListFormView*>(s.frame->studioListPane());
    QTest::mouseClick(list->tree()->viewport(), Qt::LeftButton, {},
                      list->tree()->visualItemRect(list->studioItem(1)).center());
    QTRY_COMPARE(s.grid()->shownCount(), 0);
    s.frame->radioWatch()->refresh();
    StatusPane* heads = s.frame->radioWatch()->headsPane();
    QCOMPARE(heads->toolTip(), QString("Studio A: 4 heads, all answering"));
    QVERIFY2(heads->shownText().startsWith("Studio A: 4/4"), qPrintable(heads->shownText()));

    // A message longer than the first pane ends in whole words.
    const QString line = "Check of Studio A: CH-01 Key light, CH-02 Rim light, CH-03 Fill light "
                         "and CH-04 Background did not answer, flash 6.5 still unconfirmed";
    StatusPane* messages = paneNamed(*s.frame, "Messages");
    messages->setText(line);
    QCOMPARE(s.frame->paneText(0), line);
    QCOMPARE(messages->toolTip(), line);
    const QString shown = messages->shownText();
    QVERIFY2(shown.endsWith(u'\u2026') && shown.size() < line.size(), qPrintable(shown));
    QVERIFY(line.startsWith(shown.chopped(1)));
    QVERIFY(QStringView(u" ,;").contains(line.at(shown.size() - 1)));
}

void RadioWatchTest::panesTellReadersTheirLineAndEachChange() {
    const ReaderEvents told([](QAccessibleEvent* event) {
        auto* pane = qobject_cast<StatusPane*>(event->object());
        return pane != nullptr && event->type() == QAccessible::TextUpdated
                   ? pane->accessibleName() + ": " +
                         static_cast<QAccessibleTextUpdateEvent*>(event)->textInserted()
                   : QString();
    });
    ScannedFrame s;
    QVERIFY(s.start());
    QVERIFY(s.dongle.writeAll(statusReport(2)));
    QTRY_COMPARE(s.grid()->shownCount(), 1);
    s.frame->radioWatch()->refresh();
    s.frame->OnCheckHeads();
    QVERIFY(told.told().contains("Radio link: Zigbee connected"));
    QVERIFY(told.told().contains("Heads answering: Studio A: 1 head, all answering"));
    QVERIFY(told.told().contains("Messages: Checking Studio A"));

    const QStringList names = {"Messages", "Radio link", "Heads answering"};
    for (int pane = 0; pane < 3; ++pane) {
        QAccessibleInterface* reader =
            QAccessible::queryAccessibleInterface(paneNamed(*s.frame, names[pane]));
        const QString line = s.frame->paneText(pane);
        QCOMPARE(reader->text(QAccessible::Name), names[pane]);
        QCOMPARE(reader->text(QAccessible::Value), line);
        QCOMPARE(reader->textInterface()->text(0, reader->textInterface()->characterCount()), line);
    }
}

void RadioWatchTest::trafficDockStaysAsTheOperatorLeftItAfterQuit_data() {
    QTest::addColumn<bool>("floating");
    QTest::newRow("docked") << false;
    QTest::newRow("floating") << true;
}

void RadioWatchTest::trafficDockStaysAsTheOperatorLeftItAfterQuit() {
    QFETCH(bool, floating);
    WorkingDirectory cwd;
    QSettings(CLumaDeskApp::settingsKey(), CLumaDeskApp::applicationName()).clear();
    // Opened in the first run, closed in the second.
    for (int run = 0; run < 3; ++run) {
        CLumaDeskApp app(ShellOptions{cwd.filePath("none"), {}, {}});
        QVERIFY(app.InitInstance());
        CMainFrame* frame = app.frame();
        RadioTrafficDock* dock = frame->radioWatch()->trafficDock();
        QVERIFY(QTest::qWaitForWindowExposed(frame));
        QCOMPARE(dock->isVisible(), run == 1);
        if (run == 1)
            QCOMPARE(dock->isFloating(), floating);
        if (run < 2)
            dock->toggleViewAction()->trigger();
        if (run == 0)
            dock->setFloating(floating);
        // Ctrl+Q as the program runs: quitting closes every window, a floating dock too,
        // before the loop returns.
        QTimer::singleShot(0, frame,
                           [frame] { QTest::keyClick(frame, Qt::Key_Q, Qt::ControlModifier); });
        QTimer::singleShot(30000, frame, [] { QCoreApplication::exit(1); });
        QCOMPARE(QApplication::exec(), 0);
    }
}

QTEST_MAIN(RadioWatchTest)
#include "tst_radiowatch.moc"
