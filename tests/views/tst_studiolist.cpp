#include "app/CMainFrame.h"
#include "app/ShellTestSupport.h"
#include "model/PowerLevel.h"
#include "platform/Messages.h"
#include "sim/Simulator.h"
#include "support/MessageRecorder.h"
#include "views/CNavigationFormView.h"
#include "views/CNavigationGrid.h"
#include "views/CStudioListFormView.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <QtTest>

using namespace lumadesk;

namespace {

// The pane on a real model; one recorder stands in for the frame and the navigation pane (their
// message numbers differ). Studio A holds channels 0 ("Key", light "Soft") and 2 ("Fill", light
// "Rim"); Studio B, when asked, channel 4 ("Back").
struct Fixture {
    StudioModel model;
    MessageRecorder peers;
    CStudioListFormView pane;

    explicit Fixture(bool unitsInB = false) {
        unit(0, 0, "Key", "Soft");
        unit(0, 2, "Fill", "Rim");
        if (unitsInB)
            unit(1, 4, "Back", "Not define");
        pane.resize(200, 466);
        pane.OnInitialUpdate(&model, &peers, &peers);
        for (int n = 0; n < 2; ++n)
            SendMessage(&pane, Msg::ListStudioCleared, 0, AsLParam(model.studios[n].get()));
        pane.tree()->expandAll();
        pane.show();
        (void)QTest::qWaitForWindowExposed(&pane);
        peers.entries.clear();
    }
    void unit(int studio, int channel, const char* name, const char* light) {
        StrobeData* u = PlaceStrobe(&model, studio, channel, std::make_unique<StrobeData>());
        u->sModelName = QString::fromLatin1(name);
        u->sLightName = QString::fromLatin1(light);
    }
    // "B" a studio, "A2" the unit on channel 2 of Studio A, "A2L" its light node.
    NodeHeader* node(const QString& name) const {
        StudioData* studio = model.studios[std::size_t(name[0].unicode() - 'A')].get();
        StrobeData* unit = name.size() > 1 ? studio->UnitOn(name[1].digitValue()) : nullptr;
        if (unit == nullptr)
            return name.size() > 1 ? nullptr : studio;
        return name.endsWith('L') ? &unit->lightNode : static_cast<NodeHeader*>(unit);
    }
    void click(const QString& name) {
        QTreeWidgetItem* item = pane.itemShowing(node(name));
        QVERIFY(item != nullptr);
        QTest::mouseClick(pane.tree()->viewport(), Qt::LeftButton, {},
                          pane.tree()->visualItemRect(item).center());
        QCoreApplication::sendPostedEvents();
    }
    // "number:wParam:lParam", the lParam by node name where it is one.
    QStringList heard() const {
        QStringList out;
        for (const auto& e : peers.entries) {
            QString l = QString::number(e.lParam);
            for (const char* n : {"A", "B", "A2"}) {
                if (e.lParam != 0 && AsLParam(node(QString::fromLatin1(n))) == e.lParam)
                    l = QString::fromLatin1(n);
            }
            out << QStringLiteral("%1:%2:%3").arg(e.number).arg(e.wParam).arg(l);
        }
        return out;
    }
    QStringList childTexts(int studio) const {
        QStringList out;
        for (int i = 0; i < pane.studioItem(studio)->childCount(); ++i)
            out << pane.studioItem(studio)->child(i)->text(0);
        return out;
    }
    // The name box's text, in brackets while it is disabled.
    QString edit() const {
        const QString text = pane.nameEdit()->text();
        return pane.nameEdit()->isEnabled() ? text : '[' + text + ']';
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
    void newUnitsAreListedInChannelOrderAndDeadOnesDropped();
    void rebuildHandsTheSelectionToTheStudio_data();
    void rebuildHandsTheSelectionToTheStudio();
    void itemsTakeTheirColoursAndControlsFollowTheSize();
    void scanOfStudioAListsItsHeadsInTheWindow();
    void studioTakesTheTypedNameByEnterOrNameButNeverABlank();
};

void StudioListTest::selectionTellsTheGridOrAsksForAScan_data() {
    QTest::addColumn<QString>("scanned");
    QTest::addColumn<bool>("unitsInB");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("click");
    QTest::addColumn<QStringList>("heard"); // "Name" is switched off after every selection
    QTest::addColumn<QString>("edit");
    const QString off("50:3:0");
    QTest::newRow("empty studio, another scanned")
        << "A" << false << ""
        << "B" << QStringList{"20:0:B", off} << "Studio B";
    QTest::newRow("studio with units, another scanned")
        << "A" << true << ""
        << "B" << QStringList{off, "73:0:0"} << "Studio B";
    QTest::newRow("studio with units, none scanned")
        << "" << true << ""
        << "B" << QStringList{"20:0:B", off} << "Studio B";
    QTest::newRow("own studio after its unit") << "A" << false << "A0"
                                               << "A" << QStringList{off} << "Studio A";
    QTest::newRow("unit of another studio") << "A" << false << "C"
                                            << "A2" << QStringList{"21:1:A2", off} << "Fill";
    QTest::newRow("second unit of the shown studio")
        << "A" << false << "A0"
        << "A2" << QStringList{"21:0:A2", off} << "Fill";
    QTest::newRow("light node stands for its unit")
        << "A" << false << "A0"
        << "A2L" << QStringList{"21:0:A2", off} << "Rim";
    QTest::newRow("unit of an unscanned studio with units")
        << "A" << true << "A0"
        << "B4" << QStringList{off, "73:0:0"} << "Back";
}

void StudioListTest::selectionTellsTheGridOrAsksForAScan() {
    QFETCH(QString, scanned);
    QFETCH(bool, unitsInB);
    QFETCH(QString, before);
    QFETCH(QString, click);
    QFETCH(QStringList, heard);
    QFETCH(QString, edit);
    Fixture f(unitsInB);
    if (!scanned.isEmpty())
        f.model.pScanStudio = StudioOfNode(f.node(scanned));
    if (!before.isEmpty())
        f.click(before);
    f.peers.entries.clear();

    f.click(click);
    QCOMPARE(f.heard(), heard);
    QCOMPARE(f.model.pCurNode, f.node(click));
    QCOMPARE(f.edit(), edit);
}

void StudioListTest::renameChangesTheNameInPlace_data() {
    QTest::addColumn<QString>("click");
    QTest::addColumn<QString>("itemText");
    QTest::addColumn<QStringList>("heard"); // the grid's name row follows at once
    QTest::newRow("unit") << "A2"
                          << "CH-03 Beauty" << QStringList{"24:2:A2", "50:3:0"};
    QTest::newRow("light node") << "A2L"
                                << "Beauty" << QStringList{"50:3:0"};
}

void StudioListTest::renameChangesTheNameInPlace() {
    QFETCH(QString, click);
    QFETCH(QString, itemText);
    QFETCH(QStringList, heard);
    Fixture f;
    f.click(click);
    QTreeWidgetItem* item = f.pane.itemShowing(f.node(click));
    const int row = item->parent()->indexOfChild(item);
    QTest::keyClick(f.pane.nameEdit(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(f.pane.nameEdit(), QStringLiteral("Beauty"));
    QCOMPARE(f.heard().last(), QString("50:3:1")); // typing enables "Name"
    f.peers.entries.clear();

    SendMessage(&f.pane, Msg::ListNameCommand);
    auto* unit = f.model.studios[0]->UnitOn(2);
    QCOMPARE(click.endsWith('L') ? unit->sLightName : unit->sModelName, QString("Beauty"));
    QCOMPARE(item->text(0), itemText);
    QCOMPARE(item->parent()->indexOfChild(item), row);
    QCOMPARE(f.heard(), heard);
}

void StudioListTest::newUnitsAreListedInChannelOrderAndDeadOnesDropped() {
    Fixture f;
    SelectStudio(&f.model, f.model.studios[2].get());
    // The grid hears only of heads of the studio it shows.
    for (auto [studio, channel] : {std::pair{2, 9}, {2, 0}, {0, 3}, {2, 4}, {2, 1}}) {
        StrobeData* unit = PlaceStrobe(&f.model, studio, channel, std::make_unique<StrobeData>());
        lumadesk::PostRecordMessage(&f.pane, Msg::ListNewUnit, channel, unit);
    }
    QCoreApplication::sendPostedEvents();
    QCOMPARE(f.childTexts(2), QStringList({"CH-01 Not define", "CH-02 Not define",
                                           "CH-05 Not define", "CH-10 Not define"}));
    QCOMPARE(f.pane.itemShowing(&f.model.studios[2]->UnitOn(9)->lightNode)->text(0),
             QString("Not define"));
    QCOMPARE(f.peers.count(Msg::NavUnitAdded), 4);

    // A record a scan destroyed while its message waited, one the model never held, and the
    // memory studio: nothing is shown and nobody is told.
    StrobeData* gone = PlaceStrobe(&f.model, 3, 3, std::make_unique<StrobeData>());
    lumadesk::PostRecordMessage(&f.pane, Msg::ListNewUnit, 3, gone);
    ClearStudio(&f.model, f.model.studios[3].get());
    StrobeData stray;
    lumadesk::PostRecordMessage(&f.pane, Msg::ListNewUnit, 0, &stray);
    SendMessage(&f.pane, Msg::ListStudioCleared, 0, AsLParam(f.model.pMemoryStudio.get()));
    QCoreApplication::sendPostedEvents();
    QCOMPARE(f.childTexts(3), QStringList());
    QCOMPARE(f.peers.entries.size(), 4);
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
    QFETCH(QStringList, units);
    // Studio B, next to A's last item, holds units: a selection that fell to it would scan it.
    Fixture f(true);
    StudioData* studioA = f.model.studios[0].get();
    f.model.pScanStudio = studioA;
    f.click(selected);
    f.peers.entries.clear();

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
    // A clear moves the current node to the studio, and the tree follows it at once: the
    // rebuild then finds the studio selected.
    QCOMPARE(f.heard(), message == Msg::ListStudioCleared ? QStringList({"20:0:A"})
                                                          : QStringList({"50:3:0", "20:0:A"}));
    QCOMPARE(f.childTexts(0), units);
    QCOMPARE(f.edit(), QString("Studio A"));
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
    config.heads[1].settings.flashLevel = 72; // CH-03: levels no other head has
    config.heads[1].settings.modelLevel = 33;
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
    frame.commandAction(Msg::CMD_SCAN)->trigger();

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
    QVERIFY2(names.contains("Studios, heads and lights"), qPrintable(names.join(',')));
    QCOMPARE(QAccessible::queryAccessibleInterface(tree->header())->text(QAccessible::Name),
             QString("Studio List header"));

    // The grid shows a block per head, and a click on CH-03's block shows it in the panel.
    auto* grid = qobject_cast<CNavigationFormView*>(frame.navigationPane())->grid();
    QTRY_COMPARE(grid->shownCount(), 3);
    QStringList blocks;
    for (int i = 0; i < 3; ++i)
        blocks << grid->QuickGetText(0, CNavigationGrid::kRowsPerBlock * i + 1);
    QCOMPARE(blocks,
             QStringList({"  CH-01  Not define", "  CH-03  Not define", "  CH-10  Not define"}));
    const QRect block =
        grid->visualRect(grid->model()->index(CNavigationGrid::kRowsPerBlock + 1, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, block.center());
    QCOMPARE(grid->currentIndex(), 1);
    QWidget* panel = frame.controlPane();
    const auto field = [panel](const char* name) {
        for (auto* label : panel->findChildren<QLabel*>())
            if (label->accessibleName() == QLatin1String(name))
                return label->text();
        return QStringLiteral("none");
    };
    QTRY_COMPARE(field("Flash level"), FormatPowerLevel(72));
    QCOMPARE(field("Model level"), FormatPowerLevel(33));
}

void StudioListTest::studioTakesTheTypedNameByEnterOrNameButNeverABlank() {
    Fixture f;
    f.click("A");
    QLineEdit* box = f.pane.nameEdit();
    QVERIFY(box->isEnabled());
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, QStringLiteral("Evening"));
    SendMessage(&f.pane, Msg::ListNameCommand); // F2 and the toolbar's "Name"
    QCOMPARE(f.model.studios[0]->sStudioName, QString("Evening"));
    QCOMPARE(f.pane.studioItem(0)->text(0), QString("Evening"));

    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, QStringLiteral("Day"));
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(f.pane.studioItem(0)->text(0), QString("Day"));

    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Space);
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(f.model.studios[0]->sStudioName, QString("Day"));
    QCOMPARE(f.pane.studioItem(0)->text(0), QString("Day"));
    QCOMPARE(box->text(), QString("Day"));
}

QTEST_MAIN(StudioListTest)
#include "tst_studiolist.moc"
