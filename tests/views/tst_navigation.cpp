#include "actions/OperatorActions.h"
#include "app/CMainFrame.h"
#include "app/ShellTestSupport.h"
#include "link/CommandFrames.h"
#include "model/HeadRole.h"
#include "model/StudioModel.h"
#include "platform/ChangeCode.h"
#include "platform/Messages.h"
#include "platform/PseudoTerminal.h"
#include "support/MessageRecorder.h"
#include "support/ReaderEvents.h"
#include "views/CNavigationFormView.h"
#include "views/CNavigationGrid.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QSignalSpy>
#include <QtTest>

using namespace lumadesk;

namespace {

const QColor kGreen(0x66, 0xCC, 0x00);
const QColor kGrey(0x61, 0x61, 0x61);
const QColor kCurrentBlue(0x5B, 0x8A, 0xD7);

// A real model, the pane in a 300 x 400 window, a recorder in the remote control pane's place,
// and studio A with units on the given slots, made tree nodes as the studio list makes them.
std::function<QObject*()> controlPane(QObject* pane) {
    return [pane] { return pane; };
}

struct Fixture {
    StudioModel model;
    MessageRecorder control;
    CNavigationFormView pane;
    CNavigationGrid* grid;
    StudioData* studio;

    explicit Fixture(std::initializer_list<int> channels = {})
        : pane(&model, controlPane(&control)), grid(pane.grid()), studio(model.studios[0].get()) {
        for (int slot : channels) {
            StrobeData* unit = PutStrobe(studio, slot, std::make_unique<StrobeData>());
            unit->nNodeKind = NODE_STROBE;
            unit->nFlashValue = 56;
            unit->nModelValue = 81;
        }
        SelectStudio(&model, studio);
        pane.resize(300, 400);
        pane.show();
        control.entries.clear(); // what the panel heard of the studio's selection
    }
    StrobeData* unit(int slot) const { return studio->UnitOn(slot); }
    void show() { SendMessage(&pane, Msg::NavShowStudio, 0, AsLParam(studio)); }
    CUGCell cell(int col, int row) const {
        CUGCell c;
        grid->GetCell(col, row, &c);
        return c;
    }
    QString label(int block) const { return cell(0, 4 * block + 2).label; }
    QColor iconPixel(int col, int row) const {
        return cell(col, row).bitmap.toImage().pixelColor(10, 2); // the disc's top
    }
    void click(int col, int row) {
        const QRect rect = grid->visualRect(grid->model()->index(row, col));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, rect.bottomRight() - QPoint(1, 1));
    }
};

void setField(StrobeData& unit, const QByteArray& field, int value) {
    static const QMap<QByteArray, int StrobeData::*> fields{
        {"nFlashValue", &StrobeData::nFlashValue}, {"bFlashCell", &StrobeData::bFlashCell},
        {"bFlashPow", &StrobeData::bFlashPow},     {"nModelValue", &StrobeData::nModelValue},
        {"nModelMode2", &StrobeData::nModelMode2}, {"bFlashCharge", &StrobeData::bFlashCharge},
        {"nHeatLevel", &StrobeData::nHeatLevel},   {"bModelPow", &StrobeData::bModelPow},
        {"bFlashSnd", &StrobeData::bFlashSnd},     {"nModelMode1", &StrobeData::nModelMode1}};
    unit.*fields.value(field) = value;
}

// Writes a field as every writer does: through the model's news, which tells the grid what moved.
void setField(StudioModel& model, StrobeData& unit, const QByteArray& field, int value) {
    HeadEdit edit(model.news, unit);
    setField(unit, field, value);
}

// Studio A shown with heads on CH-01 and CH-02 and on the air (the heads answer their own
// group only); null when the select did not reach the dongle.
StudioData* onAirWithTwoHeads(CMainFrame& frame, PseudoTerminal& dongle) {
    StudioData* studio = frame.model().studios[0].get();
    for (int ch : {0, 1})
        PutStrobe(studio, ch, std::make_unique<StrobeData>())->nNodeKind = NODE_STROBE;
    SelectStudio(&frame.model(), studio);
    frame.protocol().SendStudioSelect(0);
    return dongle.readExactly(5, 2000).size() == 5 ? studio : nullptr;
}

} // namespace

class NavigationTest : public QObject {
    Q_OBJECT
private slots:
    void setsUpAnEmptyGridUnderItsCaption();
    void showsABlockPerUsedSlotAndAClickPicksItsUnit_data();
    void showsABlockPerUsedSlotAndAClickPicksItsUnit();
    void emptyStudioNamesItselfAndTellsTheControlPane();
    void statusCellShowsOffOverheatOrPowers_data();
    void statusCellShowsOffOverheatOrPowers();
    void changeCodeRedrawsOnlyWhatItNames_data();
    void changeCodeRedrawsOnlyWhatItNames();
    void currentBlueFollowsTheBlockNotTheRow();
    void keysMoveByBlocksAndPickTheirUnit_data();
    void keysMoveByBlocksAndPickTheirUnit();
    void headingTickTicksEveryShownUnit_data();
    void headingTickTicksEveryShownUnit();
    void rebuiltBoxesShowEachUnitsTick();
    void selectAndAddKeepTheRightUnitCurrent();
    void settingStatusAndGroupMessagesReachTheirBlocks();
    void aStatusThatMovesOneValueShowsIt_data();
    void aStatusThatMovesOneValueShowsIt();
    void aStatusBackToItsValuesAfterAnotherChangeShowsThem_data();
    void aStatusBackToItsValuesAfterAnotherChangeShowsThem();
    void recordsTheModelNoLongerHoldsAreDropped();
    void exposesTheGridAsChannelGrid_data();
    void exposesTheGridAsChannelGrid();
    void tickBoxTellsReadersWhetherItIsTicked();
    void radioNewsReachTheGridThroughTheFrame();
    void fixedColoursHoldOnADarkPaletteAndOnlyOneIsGreen_data();
    void fixedColoursHoldOnADarkPaletteAndOnlyOneIsGreen();
    void blockShowsStopsFromTheKeyOnTheNews_data();
    void blockShowsStopsFromTheKeyOnTheNews();
    void soloTestPutsOneTestFrameForItsHeadOnTheWire();
};

void NavigationTest::setsUpAnEmptyGridUnderItsCaption() {
    Fixture f;
    QCOMPARE(f.pane.caption(), QStringLiteral("Navigation"));
    QCOMPARE(f.grid->geometry(), QRect(8, 30, 280, 360));
    QCOMPARE(f.grid->GetNumberRows(), 0);
    QCOMPARE(f.grid->GetNumberCols(), 5);
    QCOMPARE(f.grid->columnWidth(1), 150);
    QCOMPARE(f.grid->columnWidth(4), 20);
    QCOMPARE(f.cell(0, -1).label, QStringLiteral("Channel Select"));
    QCOMPARE(SendMessage(&f.pane, Msg::NavPanelMode, 1, 1), qintptr(0));
}

void NavigationTest::showsABlockPerUsedSlotAndAClickPicksItsUnit_data() {
    QTest::addColumn<int>("col");
    QTest::addColumn<int>("row");
    QTest::newRow("name row") << 3 << 5;
    QTest::newRow("status box's lower half") << 1 << 7;
    QTest::newRow("charge icon") << 4 << 7;
}

void NavigationTest::showsABlockPerUsedSlotAndAClickPicksItsUnit() {
    QFETCH(int, col);
    QFETCH(int, row);
    Fixture f{0, 3, 9};
    f.show();
    QCOMPARE(f.grid->GetNumberRows(), 12);
    QCOMPARE(f.grid->headingLabel(), QStringLiteral("Channel Select [ Studio A ]"));
    QCOMPARE(f.cell(0, 5).text, QStringLiteral("  CH-04  Not define"));
    QCOMPARE(f.grid->GetRowHeight(4), 2);
    QCOMPARE(f.model.pCurNode, f.unit(0)); // the first block is made current
    QCOMPARE(f.control.count(Msg::CtrlCurrentUnit), 1);

    f.click(col, row);
    QCOMPARE(f.model.pCurNode, f.unit(3));
    QCOMPARE(f.control.count(Msg::CtrlCurrentUnit), 2);
}

void NavigationTest::emptyStudioNamesItselfAndTellsTheControlPane() {
    Fixture f{2};
    f.show();
    StudioData* empty = f.model.studios[4].get();
    SendMessage(&f.pane, Msg::NavShowStudio, 0, AsLParam(empty));
    QCOMPARE(f.grid->GetNumberRows(), 0);
    QCOMPARE(f.cell(0, -1).label, QStringLiteral("Channel Select [ Studio E ]"));
    QCOMPARE(f.control.count(Msg::CtrlEmptyStudio), 1);
    QVERIFY(f.model.arrShown.empty());
}

void NavigationTest::statusCellShowsOffOverheatOrPowers_data() {
    QTest::addColumn<int>("power");
    QTest::addColumn<int>("heat");
    QTest::addColumn<int>("flash");
    QTest::addColumn<int>("modelPower");
    QTest::addColumn<QString>("label");
    QTest::addColumn<bool>("alarmFont");
    const QString both = QStringLiteral("Flash : F 5.6\nModel : F 8.1");
    QTest::newRow("heat 59") << 1 << 59 << 56 << 1 << both << false;
    QTest::newRow("heat 60") << 1 << 60 << 56 << 1 << "Overheat" << true;
    QTest::newRow("power 0, cool") << 0 << 0 << 56 << 1 << "OFF" << true;
    QTest::newRow("power 0, hot") << 0 << 90 << 56 << 1 << "OFF" << true;
    QTest::newRow("model off") << 1 << 0 << 56 << 0 << "Flash : F 5.6\nModel : Off" << false;
    QTest::newRow("flash 10") << 1 << 0 << 10 << 1 << "Flash : \nModel : F 8.1" << false;
}

void NavigationTest::statusCellShowsOffOverheatOrPowers() {
    QFETCH(int, power);
    QFETCH(int, heat);
    QFETCH(int, flash);
    QFETCH(int, modelPower);
    QFETCH(QString, label);
    QFETCH(bool, alarmFont);
    Fixture f{0, 1};
    StrobeData* unit = f.unit(1); // not current: black on white or grey
    unit->bFlashPow = power;
    unit->nHeatLevel = heat;
    unit->nFlashValue = flash;
    unit->bModelPow = modelPower;
    f.show();
    const CUGCell status = f.cell(0, 6);
    QCOMPARE(status.label, label);
    QCOMPARE(status.backColor, alarmFont ? QColor(0xA2, 0xA9, 0xAA) : QColor(Qt::white));
    QCOMPARE(status.font->pixelSize() > 20, alarmFont);
}

void NavigationTest::changeCodeRedrawsOnlyWhatItNames_data() {
    QTest::addColumn<int>("power");
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QPoint>("icon"); // a cell whose icon turns green, or (-1, -1)
    QTest::addColumn<int>("redraws");
    const QPoint none(-1, -1);
    const QString levels = QStringLiteral("Flash : F 7.0\nModel : F 8.1");
    QTest::newRow("0 on an OFF unit")
        << 0 << QByteArray("nFlashValue") << 70 << 0 << "OFF" << none << 0;
    QTest::newRow("0 when running")
        << 1 << QByteArray("nFlashValue") << 70 << 0 << levels << none << 1;
    QTest::newRow("4 after power returns")
        << 0 << QByteArray("bFlashPow") << 1 << 4 << "Flash : F 5.6\nModel : F 8.1" << none << 1;
    QTest::newRow("10 at heat 60")
        << 1 << QByteArray("nHeatLevel") << 60 << 10 << "Overheat" << none << 1;
    QTest::newRow("8 model off") << 1 << QByteArray("bModelPow") << 0 << 8
                                 << "Flash : F 5.6\nModel : Off" << none << 1;
    QTest::newRow("-1") << 1 << QByteArray("nFlashValue") << 70 << -1
                        << "Flash : F 5.6\nModel : F 8.1" << none << 0;
    QTest::newRow("3") << 1 << QByteArray("nFlashValue") << 70 << 3
                       << "Flash : F 5.6\nModel : F 8.1" << none << 0;
    QTest::newRow("1 cell icon") << 1 << QByteArray("bFlashCell") << 1 << 1
                                 << "Flash : F 5.6\nModel : F 8.1" << QPoint(2, 7) << 1;
    QTest::newRow("7 mode 2 icon") << 1 << QByteArray("nModelMode2") << 1 << 7
                                   << "Flash : F 5.6\nModel : F 8.1" << QPoint(3, 6) << 1;
}

void NavigationTest::changeCodeRedrawsOnlyWhatItNames() {
    QFETCH(int, power);
    QFETCH(QByteArray, field);
    QFETCH(int, value);
    QFETCH(int, code);
    QFETCH(QString, label);
    QFETCH(QPoint, icon);
    QFETCH(int, redraws);
    Fixture f{0, 4};
    StrobeData* unit = f.unit(4);
    unit->bFlashPow = power;
    unit->bFlashCharge = 0;
    f.show();
    QCOMPARE(f.iconPixel(4, 7), kGrey);
    QSignalSpy changed(f.grid->cellModel(), &QAbstractItemModel::dataChanged);
    setField(*unit, field, value);
    SendMessage(&f.pane, Msg::NavUnitSetting, code, AsLParam(unit));
    QCOMPARE(f.label(1), label);
    QCOMPARE(changed.size(), redraws);
    if (icon.x() >= 0) {
        QCOMPARE(f.iconPixel(icon.x(), icon.y()), kGreen);
        QCOMPARE(changed[0][0].toModelIndex(), f.grid->model()->index(icon.y(), icon.x()));
    } else if (redraws > 0) {
        QCOMPARE(changed[0][0].toModelIndex(), f.grid->model()->index(6, 0));
        QCOMPARE(changed[0][1].toModelIndex(), f.grid->model()->index(6, 0));
        QCOMPARE(f.cell(0, 6).font->pixelSize() > 20, label == "Overheat");
    }
}

// What the grid paints: its heading and name row keep their colours on a dark desktop, and a
// switch's icon is green only for a value of exactly 1 (a report may carry anything).
void NavigationTest::fixedColoursHoldOnADarkPaletteAndOnlyOneIsGreen_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("green");
    QTest::newRow("0") << 0 << false;
    QTest::newRow("1") << 1 << true;
    QTest::newRow("2") << 2 << false;
    QTest::newRow("-1") << -1 << false;
    QTest::newRow("255") << 255 << false;
}

void NavigationTest::fixedColoursHoldOnADarkPaletteAndOnlyOneIsGreen() {
    QFETCH(int, value);
    QFETCH(bool, green);
    const QPalette before = QApplication::palette();
    QPalette dark(QColor(30, 30, 30), QColor(20, 20, 20));
    dark.setColor(QPalette::Base, QColor(10, 10, 10));
    QApplication::setPalette(dark);
    Fixture f{0};
    f.unit(0)->bFlashCell = value;
    f.show();
    QAbstractItemModelTester tester(f.grid->model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    const QImage shot = f.pane.grab().toImage();
    const auto pixelAt = [&](const QWidget* widget, QPoint point) {
        return shot.pixelColor(widget->mapTo(&f.pane, point));
    };
    const QRect nameCell = f.grid->visualRect(f.grid->model()->index(1, 1));
    QCOMPARE(pixelAt(f.grid->viewport(), nameCell.topLeft() + QPoint(3, 3)),
             QColor(0xF0, 0xF0, 0xF0));
    QCOMPARE(pixelAt(f.grid->horizontalHeader(), QPoint(3, 3)), QColor(0x9D, 0xCE, 0xFF));
    QCOMPARE(f.iconPixel(2, 3), green ? kGreen : kGrey);
    QApplication::setPalette(before);
}

void NavigationTest::currentBlueFollowsTheBlockNotTheRow() {
    Fixture f{0, 1, 2};
    f.show();
    f.click(2, 5);
    QCOMPARE(f.control.count(Msg::CtrlCurrentUnit), 2);
    QCOMPARE(f.cell(0, 2).backColor, QColor(Qt::white));
    QCOMPARE(f.cell(0, 6).backColor, kCurrentBlue);
    f.click(1, 6); // same block
    QCOMPARE(f.grid->GetCurrentRow(), 6);
    QCOMPARE(f.control.count(Msg::CtrlCurrentUnit), 2);
    QTest::keyClick(f.grid->viewport(), Qt::Key_Down); // over the spacer into block 2
    QTest::keyClick(f.grid->viewport(), Qt::Key_Down);
    QCOMPARE(f.grid->GetCurrentRow(), 9);
    QCOMPARE(f.control.count(Msg::CtrlCurrentUnit), 3);
    QCOMPARE(f.model.pCurNode, f.unit(2));
    QCOMPARE(f.cell(0, 6).backColor, QColor(Qt::white));
    QCOMPARE(f.cell(0, 10).backColor, kCurrentBlue);
    QCOMPARE(f.cell(0, 10).textColor, QColor(Qt::white));
}

void NavigationTest::headingTickTicksEveryShownUnit_data() {
    QTest::addColumn<bool>("blocks");
    QTest::newRow("three blocks") << true;
    QTest::newRow("no blocks") << false;
}

void NavigationTest::headingTickTicksEveryShownUnit() {
    QFETCH(bool, blocks);
    Fixture f{0, 5, 6};
    if (!blocks)
        ClearStudio(&f.model, f.studio);
    f.show();
    QSignalSpy changed(f.grid->cellModel(), &QAbstractItemModel::dataChanged);
    QWidget* heading = f.grid->horizontalHeader()->viewport();
    QTest::mouseClick(heading, Qt::LeftButton, {}, QPoint(100, 15)); // its label: no tick
    QCOMPARE(f.cell(0, -1).text, QString());
    QTest::mouseClick(heading, Qt::LeftButton, {}, QPoint(8, 15));
    QCOMPARE(changed.size(), blocks ? 1 : 0); // the boxes are drawn again
    for (int i = 0; i < f.grid->shownCount(); ++i) {
        QCOMPARE(f.cell(0, 4 * i + 2).text, QStringLiteral("1"));
        QCOMPARE(f.model.arrShown[std::size_t(i)]->bChSelect, 1);
    }
    QCOMPARE(f.grid->shownCount(), blocks ? 3 : 0);
    if (!blocks)
        return;
    const QRect box =
        lumadesk::CUGCtrl::CheckBoxRect(f.grid->visualRect(f.grid->model()->index(6, 0)));
    QTest::mouseClick(f.grid->viewport(), Qt::LeftButton, {}, box.center());
    QCOMPARE(f.unit(5)->bChSelect, 0);
    QCOMPARE(f.unit(6)->bChSelect, 1);
    QCOMPARE(f.cell(0, -1).text, QStringLiteral("1")); // the heading stays as ticked
    QTest::keyClick(f.grid->viewport(), Qt::Key_Space);
    QCOMPARE(f.unit(5)->bChSelect, 1);
}

void NavigationTest::rebuiltBoxesShowEachUnitsTick() {
    Fixture f{0, 3, 9};
    f.unit(3)->bChSelect = 1;
    f.show();
    QCOMPARE(f.cell(0, 2).text, QStringLiteral("0"));
    QCOMPARE(f.cell(0, 6).text, QStringLiteral("1"));
    QCOMPARE(f.cell(0, 10).text, QStringLiteral("0"));
}

void NavigationTest::selectAndAddKeepTheRightUnitCurrent() {
    Fixture f{0, 3, 9};
    f.show();
    SendMessage(&f.pane, Msg::NavSelectUnit, 0, AsLParam(f.unit(9)));
    QCOMPARE(f.grid->GetCurrentRow(), 9);
    QCOMPARE(f.model.pCurNode, f.unit(9));

    // A unit of another studio: rebuilt first (the tree made it the current node).
    StudioData* other = f.model.studios[1].get();
    StrobeData* stranger = PutStrobe(other, 6, std::make_unique<StrobeData>());
    stranger->nNodeKind = NODE_STROBE;
    f.model.pCurNode = stranger;
    SendMessage(&f.pane, Msg::NavSelectUnit, 1, AsLParam(stranger));
    QCOMPARE(f.grid->GetNumberRows(), 4);
    QCOMPARE(f.grid->headingLabel(), QStringLiteral("Channel Select [ Studio B ]"));
    QCOMPARE(f.model.pCurNode, stranger);

    // A new unit keeps the current one current; without one the first block is taken.
    StrobeData* added = PutStrobe(other, 2, std::make_unique<StrobeData>());
    SendMessage(&f.pane, Msg::NavUnitAdded, 2, AsLParam(added));
    QCOMPARE(f.grid->GetNumberRows(), 8);
    QCOMPARE(f.grid->GetCurrentRow(), 5);
    QCOMPARE(f.model.pCurNode, stranger);
    SelectStudio(&f.model, f.studio);
    f.grid->ShowStudio(f.studio); // no unit current yet
    PutStrobe(f.studio, 5, std::make_unique<StrobeData>());
    const int before = f.control.count(Msg::CtrlCurrentUnit);
    SendMessage(&f.pane, Msg::NavUnitAdded, 5, AsLParam(f.unit(5)));
    QCOMPARE(f.grid->GetNumberRows(), 16);
    QCOMPARE(f.grid->GetCurrentRow(), 1);
    QCOMPARE(f.control.count(Msg::CtrlCurrentUnit), before + 1);
}

void NavigationTest::settingStatusAndGroupMessagesReachTheirBlocks() {
    Fixture f{1, 2};
    f.show();
    // A rename, or a status report, redraws the unit's block at once.
    {
        HeadEdit edit(f.model.news, *f.unit(2));
        f.unit(2)->sModelName = QStringLiteral("Key light");
        f.unit(2)->nFlashValue = 90;
    }
    SendMessage(&f.pane, Msg::NavUnitStatus, 2, AsLParam(f.unit(2)));
    QCOMPARE(f.cell(0, 5).text, QStringLiteral("  CH-03  Key light"));
    QCOMPARE(f.label(1), QStringLiteral("Flash : F 9.0\nModel : F 8.1"));

    // 0 as the unit: the current node's unit; its light node counts as the unit.
    f.model.pCurNode = &f.unit(1)->lightNode;
    f.unit(1)->lightNode.nNodeKind = NODE_LIGHT;
    f.unit(1)->lightNode.pParent = f.unit(1);
    f.unit(1)->nFlashValue = 20;
    SendMessage(&f.pane, Msg::NavUnitSetting, CHANGE_FLASH_LEVEL, 0);
    QCOMPARE(f.label(0), QStringLiteral("Flash : F 2.0\nModel : F 8.1"));
    SelectStudio(&f.model, f.studio); // a studio node: nothing
    f.unit(1)->nFlashValue = 30;
    SendMessage(&f.pane, Msg::NavUnitSetting, CHANGE_FLASH_LEVEL, 0);
    QCOMPARE(f.label(0), QStringLiteral("Flash : F 2.0\nModel : F 8.1"));

    // A group change refreshes every shown unit.
    f.unit(1)->bFlashSnd = 1;
    f.unit(2)->bFlashSnd = 1;
    SendMessage(&f.pane, Msg::NavGroupChange, CHANGE_FLASH_SOUND, 0);
    QCOMPARE(f.iconPixel(3, 3), kGreen);
    QCOMPARE(f.iconPixel(3, 7), kGreen);
    QCOMPARE(f.label(0), QStringLiteral("Flash : F 2.0\nModel : F 8.1"));
}

void NavigationTest::aStatusThatMovesOneValueShowsIt_data() {
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QPoint>("icon"); // a cell whose icon turns green, or (-1, -1)
    const QPoint none(-1, -1);
    const QString levels = QStringLiteral("Flash : F 5.6\nModel : F 8.1");
    QTest::newRow("flash level") << QByteArray("nFlashValue") << 70
                                 << "Flash : F 7.0\nModel : F 8.1" << none;
    QTest::newRow("model level") << QByteArray("nModelValue") << 60
                                 << "Flash : F 5.6\nModel : F 6.0" << none;
    QTest::newRow("flash power") << QByteArray("bFlashPow") << 0 << "OFF" << none;
    QTest::newRow("heat") << QByteArray("nHeatLevel") << 60 << "Overheat" << none;
    QTest::newRow("model power") << QByteArray("bModelPow") << 0 << "Flash : F 5.6\nModel : Off"
                                 << none;
    QTest::newRow("mode 1") << QByteArray("nModelMode1") << 1 << levels << QPoint(2, 6);
    QTest::newRow("mode 2") << QByteArray("nModelMode2") << 1 << levels << QPoint(3, 6);
    QTest::newRow("cell") << QByteArray("bFlashCell") << 1 << levels << QPoint(2, 7);
    QTest::newRow("sound") << QByteArray("bFlashSnd") << 1 << levels << QPoint(3, 7);
    QTest::newRow("charge") << QByteArray("bFlashCharge") << 1 << levels << QPoint(4, 7);
}

// Only the cells whose values moved are built again: every value must still reach its cell.
void NavigationTest::aStatusThatMovesOneValueShowsIt() {
    QFETCH(QByteArray, field);
    QFETCH(int, value);
    QFETCH(QString, label);
    QFETCH(QPoint, icon);
    Fixture f{0, 4};
    StrobeData* unit = f.unit(4);
    unit->bFlashCharge = 0;
    f.show();
    SendMessage(&f.pane, Msg::NavUnitStatus, 4, AsLParam(unit));
    if (icon.x() >= 0)
        QCOMPARE(f.iconPixel(icon.x(), icon.y()), kGrey);
    setField(f.model, *unit, field, value);
    SendMessage(&f.pane, Msg::NavUnitStatus, 4, AsLParam(unit));
    QCOMPARE(f.label(1), label);
    if (icon.x() >= 0)
        QCOMPARE(f.iconPixel(icon.x(), icon.y()), kGreen);
}

void NavigationTest::aStatusBackToItsValuesAfterAnotherChangeShowsThem_data() {
    QTest::addColumn<int>("message"); // what shows flash 2.0 between the two status reports
    QTest::addColumn<int>("code");
    QTest::newRow("status repeated") << Msg::NavUnitStatus << 0;
    QTest::newRow("setting echo") << Msg::NavUnitSetting << int(CHANGE_FLASH_LEVEL);
    QTest::newRow("group change") << Msg::NavGroupChange << int(CHANGE_FLASH_LEVEL);
}

// A status report that repeats a block's values leaves it, and tells no model listener; one that
// comes back to them after another message changed the block shows them again.
void NavigationTest::aStatusBackToItsValuesAfterAnotherChangeShowsThem() {
    QFETCH(int, message);
    QFETCH(int, code);
    Fixture f{1};
    f.show();
    SendMessage(&f.pane, Msg::NavUnitStatus, 1, AsLParam(f.unit(1)));
    QCOMPARE(f.label(0), QStringLiteral("Flash : F 5.6\nModel : F 8.1"));
    const bool repeat = message == Msg::NavUnitStatus;
    setField(f.model, *f.unit(1), "nFlashValue", repeat ? 56 : 20);
    f.model.pCurNode = f.unit(1); // a setting echo without a unit is the current one's
    SendMessage(&f.pane, message, repeat ? 1 : code,
                message == Msg::NavUnitSetting ? 0 : AsLParam(f.unit(1)));
    QCOMPARE(f.label(0), repeat ? QStringLiteral("Flash : F 5.6\nModel : F 8.1")
                                : QStringLiteral("Flash : F 2.0\nModel : F 8.1"));
    setField(f.model, *f.unit(1), "nFlashValue", 56);
    QSignalSpy changed(f.grid->cellModel(), &QAbstractItemModel::dataChanged);
    SendMessage(&f.pane, Msg::NavUnitStatus, 1, AsLParam(f.unit(1)));
    QCOMPARE(f.label(0), QStringLiteral("Flash : F 5.6\nModel : F 8.1"));
    QCOMPARE(changed.size(), repeat ? 0 : 1); // listeners hear of changed cells only
}

void NavigationTest::recordsTheModelNoLongerHoldsAreDropped() {
    Fixture f{0, 1};
    f.show();
    // A scan empties the studio; the rebuild that follows has not come yet.
    ClearStudio(&f.model, f.studio);
    StrobeData* gone = f.model.arrShown[1];
    PostMessage(&f.pane, Msg::NavUnitStatus, 1, AsLParam(gone));
    PostMessage(&f.pane, Msg::NavUnitSetting, CHANGE_HEAT, AsLParam(gone));
    PostMessage(&f.pane, Msg::NavSelectUnit, 0, AsLParam(gone));
    QCoreApplication::sendPostedEvents(&f.pane);
    QCOMPARE(f.label(1), QStringLiteral("Flash : F 5.6\nModel : F 8.1"));
    SendMessage(&f.pane, Msg::NavGroupChange, CHANGE_HEAT, 0);
    f.click(0, 5); // the widget moves; the unit it showed is gone
    QCOMPARE(f.model.pCurNode, f.studio);
    SendMessage(&f.pane, Msg::NavShowStudio, 0, 12345);
    QCOMPARE(f.grid->GetNumberRows(), 8);
}

void NavigationTest::exposesTheGridAsChannelGrid_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("col");
    QTest::addColumn<QByteArray>("field"); // changed before the cell is read, with its code
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("tip");
    const QString select = "Select CH-01 for group control";
    const auto row = [](const char* name, int r, int c) -> QTestData& {
        return QTest::newRow(name) << r << c;
    };
    row("spacer", 0, 3) << QByteArray() << 0 << 0 << "CH-01"
                        << ""
                        << "";
    row("name", 1, 0) << QByteArray() << 0 << 0 << "CH-01 Not define"
                      << ""
                      << "";
    row("name, joined", 1, 4) << QByteArray() << 0 << 0 << "CH-01 Not define"
                              << ""
                              << "";
    row("tick box", 2, 0) << QByteArray() << 0 << 0 << select
                          << "flash power on, flash F 5.6, modelling lamp on at F 8.1"
                          << "";
    row("tick box, joined", 3, 1) << QByteArray() << 0 << 0 << select << ""
                                  << "";
    row("tick box, power off", 2, 0)
        << QByteArray("bFlashPow") << 0 << int(CHANGE_FLASH_POWER) << select << "flash power off"
        << "";
    row("mode P", 2, 2) << QByteArray() << 0 << 0 << "CH-01 modelling lamp Free"
                        << ""
                        << "Modelling lamp mode (P) of CH-01: Free";
    row("mode C", 2, 3) << QByteArray("nModelMode2") << 1 << int(CHANGE_MODEL_MODE2)
                        << "CH-01 modelling lamp Continous"
                        << ""
                        << "Modelling lamp mode (C) of CH-01: Continous";
    row("no switch", 2, 4) << QByteArray() << 0 << 0 << "CH-01"
                           << ""
                           << "";
    row("cell", 3, 2) << QByteArray() << 0 << 0 << "CH-01 cell off"
                      << ""
                      << "Cell (optical slave) of CH-01: off";
    row("cell switched on", 3, 2) << QByteArray("bFlashCell") << 1 << int(CHANGE_FLASH_CELL)
                                  << "CH-01 cell on"
                                  << ""
                                  << "Cell (optical slave) of CH-01: on";
    row("sound", 3, 3) << QByteArray() << 0 << 0 << "CH-01 sound off"
                       << ""
                       << "Sound of CH-01: off";
    row("charge", 3, 4) << QByteArray() << 0 << 0 << "CH-01 charged"
                        << ""
                        << "Charge of CH-01: charged";
    row("heading", -1, 2) << QByteArray() << 0 << 0 << "Channel Select [ Studio A ]"
                          << ""
                          << "";
}

void NavigationTest::exposesTheGridAsChannelGrid() {
    QFETCH(int, row);
    QFETCH(int, col);
    QFETCH(QByteArray, field);
    Fixture f{0};
    f.show();
    if (!field.isEmpty()) {
        QFETCH(int, value);
        QFETCH(int, code);
        setField(*f.unit(0), field, value);
        SendMessage(&f.pane, Msg::NavUnitSetting, code, AsLParam(f.unit(0)));
    }
    QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(f.grid);
    QCOMPARE(grid->text(QAccessible::Name), QStringLiteral("Channel grid"));
    QAccessibleInterface* cell = grid->tableInterface()->cellAt(std::max(row, 0), col);
    QAccessible::Id heading = 0;
    const auto dropHeading = qScopeGuard([&heading] {
        if (heading != 0)
            QAccessible::deleteAccessibleInterface(heading);
    });
    if (row < 0) {
        // Qt hands the heading's cell over without keeping it: the test lets it go.
        cell = cell->tableCellInterface()->columnHeaderCells().value(0);
        QVERIFY(cell != nullptr);
        heading = QAccessible::registerAccessibleInterface(cell);
    }
    QVERIFY(cell != nullptr);
    QTEST(cell->text(QAccessible::Name), "name");
    QTEST(cell->text(QAccessible::Description), "description");
    QTEST(f.grid->model()->index(std::max(row, 0), col).data(Qt::ToolTipRole).toString(), "tip");
    QCOMPARE(cell->state().checkable, (row == 2 || row == 3) && col <= 1); // the box's cells
}

void NavigationTest::tickBoxTellsReadersWhetherItIsTicked() {
    Fixture f{0};
    f.show();
    const ReaderEvents told([](QAccessibleEvent* event) {
        if (event->type() != QAccessible::StateChanged ||
            !static_cast<QAccessibleStateChangeEvent*>(event)->changedStates().checked)
            return QString();
        const QAccessibleInterface* cell = event->accessibleInterface();
        return cell->text(QAccessible::Name) + (cell->state().checked
                                                    ? QStringLiteral(": ticked")
                                                    : QStringLiteral(": not ticked"));
    });
    QAccessibleTableInterface* table =
        QAccessible::queryAccessibleInterface(f.grid)->tableInterface();
    const auto boxCells = [table] {
        QList<QAccessibleInterface*> cells; // the box and the cells under it
        for (const auto& [row, col] : {std::pair{2, 0}, {2, 1}, {3, 0}, {3, 1}})
            cells << table->cellAt(row, col);
        return cells;
    };
    for (QAccessibleInterface* cell : boxCells())
        QVERIFY(cell->state().checkable && !cell->state().checked);
    const QRect box = CUGCtrl::CheckBoxRect(f.grid->visualRect(f.grid->model()->index(2, 0)));
    for (const bool ticked : {true, false}) {
        QTest::mouseClick(f.grid->viewport(), Qt::LeftButton, {}, box.center());
        QCOMPARE(f.unit(0)->bChSelect, ticked ? 1 : 0);
        QStringList heard;
        for (QAccessibleInterface* cell : boxCells()) {
            QVERIFY(cell->state().checkable);
            QCOMPARE(cell->state().checked, ticked);
            heard << "Select CH-01 for group control: " + QString(ticked ? "ticked" : "not ticked");
        }
        QCOMPARE(told.told().mid(ticked ? 0 : 4), heard);
    }
    // The heading's tick box ticks the block's, which says so too.
    QTest::mouseClick(f.grid->horizontalHeader()->viewport(), Qt::LeftButton, {}, QPoint(8, 15));
    QCOMPARE(told.told().mid(8), QStringList(4, "Select CH-01 for group control: ticked"));
    // The levels stay in words beside the state.
    QCOMPARE(table->cellAt(2, 0)->text(QAccessible::Description),
             QString("flash power on, flash F 5.6, modelling lamp on at F 8.1"));
}

void NavigationTest::radioNewsReachTheGridThroughTheFrame() {
    WorkingDirectory cwd;
    PseudoTerminal dongle;
    QVERIFY(dongle.open());
    CMainFrame frame(ShellOptions{dongle.devicePath(), {}, {}});
    QTRY_COMPARE(frame.paneText(1), QStringLiteral("Zigbee connected"));
    StudioData* studio = onAirWithTwoHeads(frame, dongle);
    QVERIFY(studio != nullptr);
    SendMessage(frame.navigationPane(), Msg::NavShowStudio, 0, AsLParam(studio));
    auto* grid = qobject_cast<CNavigationFormView*>(frame.navigationPane())->grid();
    auto label = [grid] {
        CUGCell c;
        grid->GetCell(0, 6, &c);
        return c.label;
    };
    QVERIFY(dongle.writeAll(statusReport(1, 70) + settingReport(7, 1, 1)));
    QTRY_COMPARE(label(), QStringLiteral("Flash : F 7.0\nModel : F 5.0"));
    CUGCell cell;
    QTRY_VERIFY(grid->GetCell(2, 7, &cell) && cell.bitmap.toImage().pixelColor(10, 2) == kGreen);
}

void NavigationTest::keysMoveByBlocksAndPickTheirUnit_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("to");
    QTest::newRow("Down") << 0 << int(Qt::Key_Down) << 1;
    QTest::newRow("Up at the first stays") << 0 << int(Qt::Key_Up) << 0;
    QTest::newRow("Page Down: the five that fit") << 0 << int(Qt::Key_PageDown) << 5;
    QTest::newRow("Page Up") << 6 << int(Qt::Key_PageUp) << 1;
    QTest::newRow("End") << 1 << int(Qt::Key_End) << 6;
}

void NavigationTest::keysMoveByBlocksAndPickTheirUnit() {
    QFETCH(int, from);
    QFETCH(int, key);
    QFETCH(int, to);
    Fixture f({0, 1, 2, 3, 4, 5, 6});
    f.show();
    f.grid->GotoCell(0, 4 * from + 1);
    f.control.entries.clear();
    f.grid->setFocus();
    QTest::keyClick(f.grid, Qt::Key(key));
    QCOMPARE(f.grid->currentIndex(), to);
    QCOMPARE(f.model.pCurNode, static_cast<NodeHeader*>(f.unit(to)));
    QCOMPARE(f.control.count(Msg::CtrlCurrentUnit), from == to ? 0 : 1);
    QVERIFY(f.grid->viewport()->rect().contains(
        f.grid->visualRect(f.grid->model()->index(4 * to + 3, 0))));
}

void NavigationTest::blockShowsStopsFromTheKeyOnTheNews_data() {
    QTest::addColumn<int>("keyLevel");
    QTest::addColumn<int>("fillLevel");
    QTest::addColumn<int>("fillPower");
    QTest::addColumn<bool>("keyRole");
    QTest::addColumn<QString>("aside");
    QTest::addColumn<QString>("tip");
    QTest::addColumn<QString>("spoken");
    QTest::newRow("one and a half under") << 50 << 35 << 1 << true << "\u22121.5"
                                          << "\u22121.5 stops from Key (1:2.8)"
                                          << "Fill, 1.5 stops under Key";
    QTest::newRow("one over") << 50 << 60 << 1 << true << "+1.0"
                              << "+1.0 stops from Key (2:1)"
                              << "Fill, 1 stop over Key";
    QTest::newRow("fill off") << 50 << 35 << 0 << true << ""
                              << ""
                              << "Fill";
    QTest::newRow("fill below 1.1") << 50 << 5 << 1 << true << ""
                                    << ""
                                    << "Fill";
    QTest::newRow("no key") << 50 << 35 << 1 << false << ""
                            << ""
                            << "Fill";
}

void NavigationTest::blockShowsStopsFromTheKeyOnTheNews() {
    QFETCH(int, keyLevel);
    QFETCH(int, fillLevel);
    QFETCH(int, fillPower);
    QFETCH(bool, keyRole);
    QFETCH(QString, aside);
    QFETCH(QString, tip);
    QFETCH(QString, spoken);
    Fixture f({0, 1});
    f.show();
    QCOMPARE(f.cell(0, 6).aside, QString());
    // Only the news tells the grid: the roles and levels are written as every writer does.
    {
        HeadEdit key(f.model.news, *f.unit(0));
        f.unit(0)->nRole = keyRole ? int(HeadRole::Key) : int(HeadRole::None);
        f.unit(0)->nFlashValue = keyLevel;
    }
    {
        HeadEdit fill(f.model.news, *f.unit(1));
        f.unit(1)->nRole = int(HeadRole::Fill);
        f.unit(1)->nFlashValue = fillLevel;
        f.unit(1)->bFlashPow = fillPower;
    }
    QCOMPARE(f.grid->QuickGetText(0, 5), QString("  CH-02  Not define \u00B7 Fill"));
    QCOMPARE(f.cell(0, 6).aside, aside);
    QCOMPARE(f.cell(0, 6).tip, tip);
    QCOMPARE(f.cell(0, 5).description, spoken);
    QCOMPARE(f.cell(0, 2).aside, keyRole ? QString("Key") : QString());

    // Painted beside the flash level on the frame clock: ink right of the label's first line.
    const QRect rect = f.grid->visualRect(f.grid->model()->index(6, 0))
                           .united(f.grid->visualRect(f.grid->model()->index(7, 1)));
    const QRect corner(rect.right() - 40, rect.top() + 2, 36, rect.height() / 2 - 2);
    const auto inked = [&] {
        const QImage image = f.grid->viewport()->grab(corner).toImage();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixelColor(x, y).lightness() < 100)
                    return true;
        return false;
    };
    QTRY_COMPARE(inked(), !aside.isEmpty());
}

void NavigationTest::soloTestPutsOneTestFrameForItsHeadOnTheWire() {
    WorkingDirectory cwd;
    PseudoTerminal dongle;
    QVERIFY(dongle.open());
    CMainFrame frame(ShellOptions{dongle.devicePath(), {}, {}});
    QTRY_COMPARE(frame.paneText(1), QStringLiteral("Zigbee connected"));
    StudioData* studio = onAirWithTwoHeads(frame, dongle);
    QVERIFY(studio != nullptr);
    auto* pane = qobject_cast<CNavigationFormView*>(frame.navigationPane());
    pane->setActions(&frame.actions()); // the window's own wiring is the frame's
    SendMessage(pane, Msg::NavShowStudio, 0, AsLParam(studio));
    CNavigationGrid* grid = pane->grid();
    const auto solo = [grid](int block) {
        const QPoint at =
            grid->visualRect(grid->model()->index(CNavigationGrid::kRowsPerBlock * block + 1, 0))
                .center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, grid->viewport()->mapToGlobal(at));
        QApplication::sendEvent(grid->viewport(), &event);
        QMenu* menu = nullptr;
        (void)QTest::qWaitFor([&menu] {
            menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            return menu != nullptr;
        });
        QVERIFY(menu != nullptr);
        QAction* action = menu->actions().value(0);
        QCOMPARE(action->text(), QString("Solo test"));
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
    };
    const QByteArray second = BuildUnitCommand(0, *studio->UnitOn(1), CMD_TEST_FLASH);

    // Locked: refused in the first pane, nothing on the wire (the next frame is the next test's).
    frame.actions().setLocked(true);
    solo(0);
    QTRY_VERIFY(frame.paneText(0).contains(OperatorActions::lockedText()));
    frame.actions().setLocked(false);
    solo(1);
    QCOMPARE(dongle.readExactly(second.size(), 2000), second);
    // One frame only: the next on the wire is the one sent after it.
    const QByteArray first = BuildUnitCommand(0, *studio->UnitOn(0), CMD_TEST_FLASH);
    QVERIFY(frame.actions().testFlash(*studio->UnitOn(0)));
    QCOMPARE(dongle.readExactly(first.size(), 2000), first);
}

QTEST_MAIN(NavigationTest)
#include "tst_navigation.moc"
