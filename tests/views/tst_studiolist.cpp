#include "app/CMainFrame.h"
#include "app/ShellTestSupport.h"
#include "platform/Messages.h"
#include "sim/Simulator.h"
#include "support/MessageRecorder.h"
#include "views/CStudioListFormView.h"

#include <QAccessible>
#include <QLineEdit>
#include <QTreeWidget>
#include <QtTest>

namespace {

// The pane on a real model with recorders in place of the frame and the navigation pane.
// Studio A holds channels 0 ("Key", light "Soft") and 2 ("Fill", light "Rim"); Studio B,
// when asked, channel 4 ("Back").
struct Fixture {
    StudioModel model;
    MessageRecorder frame;
    MessageRecorder navigation;
    CStudioListFormView pane;

    explicit Fixture(bool unitsInB = false) {
        unit(0, 0, "Key", "Soft");
        unit(0, 2, "Fill", "Rim");
        if (unitsInB)
            unit(1, 4, "Back", "Not define");
        pane.resize(200, 466);
        pane.OnInitialUpdate(&model, &frame, &navigation);
        for (int n = 0; n < 2; ++n)
            SendMessage(&pane, Msg::ListStudioCleared, 0, AsLParam(model.studios[n].get()));
        pane.tree()->expandAll();
        pane.show();
        (void)QTest::qWaitForWindowExposed(&pane);
        forget();
    }

    StrobeData* unit(int studio, int channel, const char* name, const char* light) {
        auto record = std::make_unique<StrobeData>();
        record->sModelName = QString::fromLatin1(name);
        record->sLightName = QString::fromLatin1(light);
        return PlaceStrobe(&model, studio, channel, std::move(record));
    }

    // "B" a studio, "A2" the unit on channel 2 of Studio A, "A2L" its light node.
    NodeHeader* node(const QString& name) const {
        StudioData* studio = model.studios[std::size_t(name[0].unicode() - 'A')].get();
        if (name.size() == 1)
            return studio;
        StrobeData* unit = studio->UnitOn(name[1].digitValue());
        if (unit == nullptr || !name.endsWith('L'))
            return unit;
        return &unit->lightNode;
    }
    QString nameOf(qintptr lParam) const {
        if (lParam == 0)
            return QStringLiteral("0");
        for (const char* n : {"A", "B", "C", "A0", "A2", "B4"}) {
            if (AsLParam(node(QString::fromLatin1(n))) == lParam)
                return QString::fromLatin1(n);
        }
        return QString::number(lParam);
    }

    void click(const QString& name) {
        QTreeWidgetItem* item = pane.itemShowing(node(name));
        QVERIFY(item != nullptr);
        pane.tree()->scrollToItem(item);
        QTest::mouseClick(pane.tree()->viewport(), Qt::LeftButton, {},
                          pane.tree()->visualItemRect(item).center());
        QCoreApplication::sendPostedEvents();
    }
    QStringList heard(const MessageRecorder& recorder) const {
        QStringList out;
        for (const auto& e : recorder.entries)
            out << QStringLiteral("%1:%2:%3").arg(e.number).arg(e.wParam).arg(nameOf(e.lParam));
        return out;
    }
    void forget() {
        frame.entries.clear();
        navigation.entries.clear();
    }
    QStringList childTexts(int studio) const {
        QStringList out;
        QTreeWidgetItem* item = pane.studioItem(studio);
        for (int i = 0; i < item->childCount(); ++i)
            out << item->child(i)->text(0);
        return out;
    }
};

} // namespace

class StudioListTest : public QObject {
    Q_OBJECT
private slots:
    void selectionTellsTheGridOrAsksForAScan_data();
    void selectionTellsTheGridOrAsksForAScan();
    void renameChangesTheNameInPlace_data();
    void renameChangesTheNameInPlace();
    void newUnitsAreListedInChannelOrder();
    void recordsTheModelNoLongerHoldsAreDropped();
    void rebuildHandsTheSelectionToTheStudio_data();
    void rebuildHandsTheSelectionToTheStudio();
    void itemsTakeTheirColoursAndControlsFollowTheSize();
    void scanOfStudioAListsItsHeadsInTheWindow();
};

void StudioListTest::selectionTellsTheGridOrAsksForAScan_data() {
    QTest::addColumn<QString>("scanned");
    QTest::addColumn<bool>("unitsInB");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("click");
    QTest::addColumn<QStringList>("navigation");
    QTest::addColumn<int>("scans");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<bool>("editable");
    const QStringList none;
    QTest::newRow("empty studio, another scanned")
        << "A" << false << ""
        << "B" << QStringList{"20:0:B"} << 0 << "Studio B" << false;
    QTest::newRow("studio with units, another scanned") << "A" << true << ""
                                                        << "B" << none << 1 << "Studio B" << false;
    QTest::newRow("studio with units, none scanned")
        << "" << true << ""
        << "B" << QStringList{"20:0:B"} << 0 << "Studio B" << false;
    QTest::newRow("own studio after its unit") << "A" << false << "A0"
                                               << "A" << none << 0 << "Studio A" << false;
    QTest::newRow("unit of another studio")
        << "A" << false << "C"
        << "A2" << QStringList{"21:1:A2"} << 0 << "Fill" << true;
    QTest::newRow("second unit of the shown studio")
        << "A" << false << "A0"
        << "A2" << QStringList{"21:0:A2"} << 0 << "Fill" << true;
    QTest::newRow("light node stands for its unit")
        << "A" << false << "A0"
        << "A2L" << QStringList{"21:0:A2"} << 0 << "Rim" << true;
    QTest::newRow("unit of an unscanned studio with units") << "A" << true << "A0"
                                                            << "B4" << none << 1 << "Back" << true;
}

void StudioListTest::selectionTellsTheGridOrAsksForAScan() {
    QFETCH(QString, scanned);
    QFETCH(bool, unitsInB);
    QFETCH(QString, before);
    QFETCH(QString, click);
    Fixture f(unitsInB);
    if (!scanned.isEmpty())
        f.model.pScanStudio = StudioOfNode(f.node(scanned));
    if (!before.isEmpty())
        f.click(before);
    f.forget();

    f.click(click);
    QFETCH(QStringList, navigation);
    QCOMPARE(f.heard(f.navigation), navigation);
    QFETCH(int, scans);
    QCOMPARE(f.frame.count(Msg::FrameScanStudio), scans);
    QCOMPARE(f.model.pCurNode, f.node(click));
    QFETCH(QString, edit);
    QCOMPARE(f.pane.nameEdit()->text(), edit);
    QFETCH(bool, editable);
    QCOMPARE(f.pane.nameEdit()->isEnabled(), editable);
    QCOMPARE(f.heard(f.frame).filter("50:").last(), QString("50:3:0")); // "Name" off
}

void StudioListTest::renameChangesTheNameInPlace_data() {
    QTest::addColumn<QString>("click");
    QTest::addColumn<QString>("itemText");
    QTest::addColumn<QStringList>("navigation");
    QTest::newRow("unit") << "A2"
                          << "CH-03 Beauty" << QStringList{"24:2:A2"};
    QTest::newRow("light node") << "A2L"
                                << "Beauty" << QStringList{};
}

void StudioListTest::renameChangesTheNameInPlace() {
    QFETCH(QString, click);
    Fixture f;
    f.click(click);
    QTreeWidgetItem* item = f.pane.itemShowing(f.node(click));
    const int row = item->parent()->indexOfChild(item);
    QLineEdit* edit = f.pane.nameEdit();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, QStringLiteral("Beauty"));
    QCOMPARE(f.frame.entries.last().wParam, 3); // typing enables "Name"
    QCOMPARE(f.frame.entries.last().lParam, 1);
    f.forget();

    SendMessage(&f.pane, Msg::ListNameCommand);
    auto* unit = f.model.studios[0]->UnitOn(2);
    QCOMPARE(click.endsWith('L') ? unit->sLightName : unit->sModelName, QString("Beauty"));
    QFETCH(QString, itemText);
    QCOMPARE(item->text(0), itemText);
    QCOMPARE(item->parent()->indexOfChild(item), row);
    QFETCH(QStringList, navigation);
    QCOMPARE(f.heard(f.navigation), navigation);
    QCOMPARE(f.heard(f.frame), QStringList{"50:3:0"});
}

void StudioListTest::newUnitsAreListedInChannelOrder() {
    Fixture f;
    StudioData* studioC = f.model.studios[2].get();
    for (int channel : {9, 0, 4, 1}) {
        StrobeData* unit = PlaceStrobe(&f.model, 2, channel, std::make_unique<StrobeData>());
        PostMessage(&f.pane, Msg::ListNewUnit, channel, AsLParam(unit));
    }
    QCoreApplication::sendPostedEvents();
    QCOMPARE(f.childTexts(2), QStringList({"CH-01 Not define", "CH-02 Not define",
                                           "CH-05 Not define", "CH-10 Not define"}));
    QCOMPARE(f.navigation.count(Msg::NavUnitAdded), 4);
    QCOMPARE(studioC->UnitOn(9)->lightNode.nNodeKind, int(NODE_LIGHT));
    QCOMPARE(f.pane.itemShowing(&studioC->UnitOn(9)->lightNode)->text(0), QString("Not define"));
}

void StudioListTest::recordsTheModelNoLongerHoldsAreDropped() {
    Fixture f;
    StrobeData* gone = PlaceStrobe(&f.model, 2, 3, std::make_unique<StrobeData>());
    PostMessage(&f.pane, Msg::ListNewUnit, 3, AsLParam(gone));
    ClearStudio(&f.model, f.model.studios[2].get()); // a scan while the message waited
    StrobeData stray;
    PostMessage(&f.pane, Msg::ListNewUnit, 0, AsLParam(&stray));
    SendMessage(&f.pane, Msg::ListStudioCleared, 0, AsLParam(f.model.pMemoryStudio.get()));
    QCoreApplication::sendPostedEvents();
    QCOMPARE(f.childTexts(2), QStringList());
    QCOMPARE(f.navigation.entries.size(), 0);
}

void StudioListTest::rebuildHandsTheSelectionToTheStudio_data() {
    QTest::addColumn<int>("message");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QStringList>("units");
    const QStringList renamed{"CH-01 Key2", "CH-03 Fill2"};
    QTest::newRow("scan, unit selected") << Msg::ListStudioCleared << "A2" << QStringList();
    QTest::newRow("scan, light selected") << Msg::ListStudioCleared << "A2L" << QStringList();
    QTest::newRow("memory applied, unit selected") << Msg::ListMemoryApplied << "A2" << renamed;
    QTest::newRow("memory applied, light selected") << Msg::ListMemoryApplied << "A2L" << renamed;
}

void StudioListTest::rebuildHandsTheSelectionToTheStudio() {
    QFETCH(int, message);
    QFETCH(QString, selected);
    // Studio B, next to A's last item, holds units: a selection that fell to it would scan it.
    Fixture f(true);
    StudioData* studioA = f.model.studios[0].get();
    f.model.pScanStudio = studioA;
    f.click(selected);
    f.forget();

    if (message == Msg::ListStudioCleared) {
        ClearStudio(&f.model, studioA);
        SendMessage(&f.pane, message, 0, AsLParam(studioA));
    } else {
        for (int channel : {0, 2})
            studioA->UnitOn(channel)->sModelName += '2';
        SendMessage(&f.pane, message);
    }
    QCoreApplication::sendPostedEvents();
    QCOMPARE(f.pane.tree()->selectedItems(), QList<QTreeWidgetItem*>{f.pane.studioItem(0)});
    QCOMPARE(f.model.pCurNode, static_cast<NodeHeader*>(studioA));
    QCOMPARE(f.frame.count(Msg::FrameScanStudio), 0);
    QCOMPARE(f.heard(f.navigation), QStringList{"20:0:A"});
    QFETCH(QStringList, units);
    QCOMPARE(f.childTexts(0), units);
    QCOMPARE(f.pane.nameEdit()->text(), QString("Studio A"));
}

void StudioListTest::itemsTakeTheirColoursAndControlsFollowTheSize() {
    Fixture f;
    f.click("A0");
    QTreeWidget* tree = f.pane.tree();
    const QRect rect = tree->visualItemRect(f.pane.itemShowing(f.node("A0")));
    const QImage image = tree->viewport()->grab().toImage();
    QCOMPARE(image.pixelColor(rect.right() - 2, rect.center().y()), QColor(0xE6, 0xE6, 0xE6));
    const QRect hot = tree->visualItemRect(f.pane.studioItem(3));
    QTest::mouseMove(tree->viewport(), hot.center());
    QTRY_COMPARE(tree->viewport()->grab().toImage().pixelColor(hot.right() - 2, hot.center().y()),
                 QColor(Qt::black));
    QCOMPARE(tree->accessibleName(), QString("Studio List"));
    QCOMPARE(f.pane.nameEdit()->accessibleName(), QString("Name"));

    f.pane.resize(300, 400);
    QCOMPARE(tree->geometry(), QRect(8, 30, 280, 330));
    QCOMPARE(f.pane.nameEdit()->geometry().topLeft(), QPoint(8, 370));
    QCOMPARE(f.pane.nameEdit()->width(), 280);
}

void StudioListTest::scanOfStudioAListsItsHeadsInTheWindow() {
    WorkingDirectory cwd;
    sim::SimConfig config;
    QString error;
    QVERIFY(sim::ParseHeads(QStringLiteral("A:1,3,10,B:2"), config.heads, error));
    config.delayMin = std::chrono::milliseconds(5);
    config.delayMax = std::chrono::milliseconds(40);
    sim::Simulator radio(config);
    QVERIFY2(radio.start(), qPrintable(radio.errorString()));
    CMainFrame frame(ShellOptions{radio.devicePath(), {}, {}});
    frame.setScanTickMs(50);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QTRY_COMPARE(frame.paneText(1), QString("Zigbee connected"));
    auto* pane = qobject_cast<CStudioListFormView*>(frame.studioListPane());
    QTreeWidget* tree = pane->tree();

    QTreeWidgetItem* studioA = pane->studioItem(0);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(studioA).center());
    QCOMPARE(frame.model().pCurNode, static_cast<NodeHeader*>(frame.model().studios[0].get()));
    frame.commandAction(CMD_SCAN)->trigger();

    QTRY_COMPARE(studioA->childCount(), 3);
    QStringList texts;
    for (int i = 0; i < studioA->childCount(); ++i)
        texts << studioA->child(i)->text(0);
    QCOMPARE(texts, QStringList({"CH-01 Not define", "CH-03 Not define", "CH-10 Not define"}));
    QCOMPARE(pane->studioItem(1)->childCount(), 0);

    // A test tool finds the heads by name in the tree.
    tree->expandItem(studioA);
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(tree);
    QCOMPARE(list->text(QAccessible::Name), QString("Studio List"));
    QStringList names;
    for (int i = 0; i < list->childCount(); ++i)
        names << list->child(i)->text(QAccessible::Name);
    QVERIFY2(names.contains("CH-10 Not define"), qPrintable(names.join(',')));
}

QTEST_MAIN(StudioListTest)
#include "tst_studiolist.moc"
