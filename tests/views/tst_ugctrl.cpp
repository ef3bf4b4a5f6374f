#include "model/StudioModel.h"
#include "ui/CachedText.h"
#include "views/CUGCtrl.h"

#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

using namespace lumadesk;

namespace {

// Three columns (20, 100, 20), heading 30 px joined over all, two blocks of a 2 px spacer and a
// check box joined over two 20 px rows and columns 0-1.
class RecordingGrid : public CUGCtrl {
public:
    QList<QList<int>> moves;
    QList<QList<int>> notes;

protected:
    void OnSetup() override {
        SetTH_Height(30);
        SetSH_Width(0);
        SetDefRowHeight(20);
        SetDefColWidth(20);
        SetNumberCols(3);
        SetColWidth(1, 100);
        EnableUserSizing(false);
        QuickSetCellType(0, -1, kCheckBoxType);
        QuickSetCellTypeEx(0, -1, kCheckBox3D | kCheckBoxTick);
        QuickSetLabelText(0, -1, QStringLiteral("All"));
        JoinCells(0, -1, 2, -1);
        for (int n = 0; n < 6; n += 3) {
            for (int r = 0; r < 3; ++r)
                InsertRow(n + r);
            SetRowHeight(n, 2);
            QuickSetCellType(0, n + 1, kCheckBoxType);
            QuickSetCellTypeEx(0, n + 1, kCheckBox3D | kCheckBoxTick);
            QuickSetLabelText(0, n + 1, QStringLiteral("line one\nline two"));
            JoinCells(0, n + 1, 1, n + 2);
            QuickSetText(2, n + 2, QStringLiteral("x"));
        }
    }
    void OnCellChange(int oldCol, int newCol, int oldRow, int newRow) override {
        moves.append({oldCol, newCol, oldRow, newRow});
    }
    int OnCellTypeNotify(int type, int col, int row, int message, int value) override {
        notes.append({type, col, row, message, value});
        return 0;
    }
};

struct Fixture {
    QWidget host;
    RecordingGrid* grid = new RecordingGrid;
    Fixture() {
        host.resize(200, 200);
        auto* placeholder = new QWidget(&host);
        placeholder->setGeometry(5, 5, 160, 180);
        grid->AttachGrid(placeholder);
        host.show();
    }
    // Centre of the cell's rectangle (a joined cell's whole rectangle) in the viewport.
    QPoint at(int col, int row) const {
        return grid->visualRect(grid->model()->index(row, col)).center();
    }
    QPoint boxOf(int col, int row) const {
        return CUGCtrl::CheckBoxRect(grid->visualRect(grid->model()->index(row, col))).center();
    }
};

struct PaintCounter : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        count += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

} // namespace

class UGCtrlTest : public QObject {
    Q_OBJECT
private slots:
    void takesThePlaceholdersPlaceAndGeometry();
    void clickAnywhereInAJoinedCellMakesItsTopLeftCurrent_data();
    void clickAnywhereInAJoinedCellMakesItsTopLeftCurrent();
    void checkBoxTogglesOnItsBoxOrSpaceOnly();
    void deletingTheCurrentRowReportsNoMove();
    void redrawTouchesOnlyTheNamedCells();
    void repaintsChangedLooksOncePerFrame_data();
    void repaintsChangedLooksOncePerFrame();
    void keptTextLayoutsDrawWhatDrawTextDraws_data();
    void keptTextLayoutsDrawWhatDrawTextDraws();
};

void UGCtrlTest::takesThePlaceholdersPlaceAndGeometry() {
    Fixture f;
    QCOMPARE(f.grid->geometry(), QRect(5, 5, 160, 180));
    QCOMPARE(f.host.findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(), 1);
    QCOMPARE(f.grid->horizontalHeader()->height(), 30);
    QVERIFY(!f.grid->verticalHeader()->isVisible());
    QCOMPARE(f.grid->GetRowHeight(0), 2);
    QCOMPARE(f.grid->GetRowHeight(1), 20);
    QCOMPARE(f.grid->columnWidth(1), 100);
    QCOMPARE(f.grid->horizontalHeader()->sectionResizeMode(1), QHeaderView::Fixed);
}

void UGCtrlTest::clickAnywhereInAJoinedCellMakesItsTopLeftCurrent_data() {
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<int>("col");
    QTest::addColumn<int>("row");
    // Rows: 0 (2 px), 1-2 joined over columns 0-1, then 3 (2 px) and 4-5.
    QTest::newRow("joined, lower right part") << QPoint(110, 35) << 0 << 1;
    QTest::newRow("plain cell beside it") << QPoint(130, 35) << 2 << 2;
    QTest::newRow("second block's joined cell") << QPoint(60, 50) << 0 << 4;
}

void UGCtrlTest::clickAnywhereInAJoinedCellMakesItsTopLeftCurrent() {
    QFETCH(QPoint, point);
    QFETCH(int, col);
    QFETCH(int, row);
    Fixture f;
    QTest::mouseClick(f.grid->viewport(), Qt::LeftButton, {}, point);
    QCOMPARE(f.grid->GetCurrentCol(), col);
    QCOMPARE(f.grid->GetCurrentRow(), row);
    QCOMPARE(f.grid->moves, (QList<QList<int>>{{-1, col, -1, row}}));
    QVERIFY(f.grid->notes.isEmpty()); // away from the box: no toggle
}

void UGCtrlTest::checkBoxTogglesOnItsBoxOrSpaceOnly() {
    Fixture f;
    QTest::mouseClick(f.grid->viewport(), Qt::LeftButton, {}, f.boxOf(0, 4));
    QCOMPARE(f.grid->QuickGetText(0, 4), QStringLiteral("1"));
    QCOMPARE(f.grid->notes, (QList<QList<int>>{{2, 0, 4, 53, 1}}));
    QCOMPARE(f.grid->GetCurrentRow(), 4);
    QTest::keyClick(f.grid, Qt::Key_Space);
    QCOMPARE(f.grid->QuickGetText(0, 4), QStringLiteral("0"));
    QCOMPARE(f.grid->notes.last(), (QList<int>{2, 0, 4, 53, 0}));

    CUGCell cell;
    f.grid->GetCell(0, 4, &cell);
    cell.readOnly = true;
    f.grid->SetCell(0, 4, cell);
    QTest::keyClick(f.grid, Qt::Key_Space);
    QTest::mouseClick(f.grid->viewport(), Qt::LeftButton, {}, f.boxOf(0, 4));
    QCOMPARE(f.grid->QuickGetText(0, 4), QStringLiteral("0"));
    QCOMPARE(f.grid->notes.size(), 2);
}

void UGCtrlTest::deletingTheCurrentRowReportsNoMove() {
    Fixture f;
    f.grid->GotoCell(0, 4);
    f.grid->moves.clear();
    for (int row = f.grid->GetNumberRows() - 1; row >= 0; --row)
        QVERIFY(f.grid->DeleteRow(row));
    QVERIFY(f.grid->moves.isEmpty());
    QCOMPARE(f.grid->GetCurrentRow(), -1);
    QVERIFY(!f.grid->GotoCell(0, 0));
    QVERIFY(!f.grid->DeleteRow(0));
}

void UGCtrlTest::redrawTouchesOnlyTheNamedCells() {
    Fixture f;
    QSignalSpy changed(f.grid->cellModel(), &QAbstractItemModel::dataChanged);
    f.grid->QuickSetText(2, 5, QStringLiteral("y"));
    QCOMPARE(changed.size(), 0); // storing draws nothing
    f.grid->RedrawCell(2, 5);
    f.grid->RedrawRange(0, 4, 2, 5);
    QCOMPARE(changed.size(), 2);
    QCOMPARE(changed[0][0].toModelIndex(), changed[0][1].toModelIndex());
    QCOMPARE(changed[0][0].toModelIndex(), f.grid->model()->index(5, 2));
    QCOMPARE(changed[1][0].toModelIndex(), f.grid->model()->index(4, 0));
    QCOMPARE(changed[1][1].toModelIndex(), f.grid->model()->index(5, 2));
}

enum Change { Nothing, Text, BackColour, WordsOnly, All, AfterForeignPaint };
// When the redraws come: after a quiet frame, or during a drain.
enum When { Quiet, Draining };

void UGCtrlTest::repaintsChangedLooksOncePerFrame_data() {
    QTest::addColumn<int>("change");
    QTest::addColumn<int>("when");
    QTest::addColumn<int>("pending"); // cells waiting for the frame; -1 the whole grid
    QTest::newRow("same look") << int(Nothing) << int(Quiet) << 0;
    QTest::newRow("text") << int(Text) << int(Quiet) << 1;
    QTest::newRow("back colour") << int(BackColour) << int(Quiet) << 1;
    QTest::newRow("name and tip only") << int(WordsOnly) << int(Quiet) << 0;
    QTest::newRow("redraw all") << int(All) << int(Quiet) << -1;
    QTest::newRow("after a paint of Qt's own") << int(AfterForeignPaint) << int(Quiet) << 1;
    QTest::newRow("text, link draining") << int(Text) << int(Draining) << 1;
    QTest::newRow("same look, link draining") << int(Nothing) << int(Draining) << 0;
}

// Three redraws of cell (2, 5): the model and readers have them at once, the screen once, and
// only when what the cell draws changed. After a quiet frame the paint goes to Qt at once;
// during a drain it waits for the drain's end.
void UGCtrlTest::repaintsChangedLooksOncePerFrame() {
    QFETCH(int, change);
    QFETCH(int, when);
    QFETCH(int, pending);
    StudioModel model;
    Fixture f;
    f.grid->holdPaintsWhileDraining(&model.news);
    QVERIFY(QTest::qWaitForWindowExposed(&f.host));
    QTRY_COMPARE(f.grid->pendingPaints(), 0);
    f.grid->RedrawRange(0, 0, 2, 5); // the first redraw after the whole grid's paints
    QTRY_COMPARE(f.grid->pendingPaints(), 0);
    QTest::qWait(3 * CUGCtrl::kFrameMs);
    PaintCounter paints;
    f.grid->viewport()->installEventFilter(&paints);
    if (change == AfterForeignPaint) {
        f.grid->viewport()->update(); // as an exposure does
        QTRY_COMPARE(paints.count, 1);
        QTest::qWait(3 * CUGCtrl::kFrameMs);
        paints.count = 0;
    }
    if (when == Draining)
        model.news.beginDrain();
    CUGCell cell;
    f.grid->GetCell(2, 5, &cell);
    cell.text = change == Text ? QStringLiteral("y") : cell.text;
    cell.backColor = change == BackColour ? QColor(Qt::red) : cell.backColor;
    cell.name = change == WordsOnly ? QStringLiteral("named") : cell.name;
    cell.tip = change == WordsOnly ? QStringLiteral("tip") : cell.tip;
    f.grid->SetCell(2, 5, cell);
    for (int n = 0; n < 3; ++n)
        change == All ? f.grid->RedrawAll() : f.grid->RedrawCell(2, 5);
    QCOMPARE(f.grid->pendingPaints(), when == Quiet ? 0 : pending);
    const QModelIndex index = f.grid->model()->index(5, 2);
    QCOMPARE(index.data(Qt::DisplayRole).toString(), cell.text);
    QCOMPARE(index.data(Qt::AccessibleTextRole).toString(),
             cell.name.isEmpty() ? cell.text : cell.name);
    QCOMPARE(index.data(Qt::ToolTipRole).toString(), cell.tip);
    if (when == Draining) {
        QTest::qWait(3 * CUGCtrl::kFrameMs);
        QCOMPARE(f.grid->pendingPaints(), pending); // nothing goes out while the link drains
        model.news.endDrain();
        QCOMPARE(f.grid->pendingPaints(), 0); // the drain's end is quiet enough
    }
    QTRY_COMPARE(f.grid->pendingPaints(), 0);
    // The paint that is due may come late on a loaded machine; then a while for any that is not.
    if (pending != 0)
        QTRY_VERIFY(paints.count >= 1);
    QTest::qWait(3 * CUGCtrl::kFrameMs);
    if (pending < 0)
        QVERIFY(paints.count >= 1); // Qt may add its own paint of the whole grid
    else
        QCOMPARE(paints.count, pending);
}

void UGCtrlTest::keptTextLayoutsDrawWhatDrawTextDraws_data() {
    QTest::addColumn<int>("pixels");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<QString>("text");
    const int label = Qt::AlignLeft | Qt::AlignVCenter;
    const int field = Qt::AlignHCenter | Qt::AlignTop;
    QTest::newRow("status label") << 14 << label << QRect(20, 0, 130, 40)
                                  << "Flash : F 5.6\nModel : F 8.1";
    QTest::newRow("alarm") << 30 << label << QRect(20, 0, 130, 40) << "Overheat";
    QTest::newRow("cut at the right") << 30 << label << QRect(3, 2, 60, 36) << "Overheat";
    QTest::newRow("taller than its cell") << 14 << label << QRect(3, 2, 37, 13) << "a\nb";
    QTest::newRow("value field") << 11 << field << QRect(3, 2, 37, 13) << "-8.1";
    QTest::newRow("right: drawText's") << 11 << int(Qt::AlignRight) << QRect(3, 2, 37, 13) << "5.6";
}

// The kept layouts are a cost, never a look: twice (the second from the cache), pixel for pixel.
void UGCtrlTest::keptTextLayoutsDrawWhatDrawTextDraws() {
    QFETCH(int, pixels);
    QFETCH(int, alignment);
    QFETCH(QRect, rect);
    QFETCH(QString, text);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    const auto draw = [&](bool kept) {
        QImage image(160, 40, QImage::Format_ARGB32_Premultiplied);
        image.fill(QColor(0x5B, 0x8A, 0xD7));
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(Qt::white);
        if (kept)
            DrawCachedText(&painter, rect, Qt::Alignment(alignment), text);
        else
            painter.drawText(rect, alignment, text);
        return image;
    };
    const QImage expected = draw(false);
    QCOMPARE(draw(true), expected);
    QCOMPARE(draw(true), expected);
}

QTEST_MAIN(UGCtrlTest)
#include "tst_ugctrl.moc"
