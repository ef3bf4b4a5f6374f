#pragma once

#include "ui/FrameClock.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QFont>
#include <QHeaderView>
#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <QRegion>
#include <QStyledItemDelegate>
#include <QTableView>
#include <optional>
#include <vector>

namespace lumadesk {

class ModelNews;

// The properties of one grid cell. Unset colours (invalid), font (none) and alignment (0) fall
// back to the grid's defaults when the cell is drawn, so a cell read and stored back keeps
// following them.
struct CUGCell {
    QString text;        // what a plain cell shows; a check box keeps its value here ("0" or "1")
    QString label;       // a check box's label (one or more lines)
    QString description; // what a screen reader adds to the cell's name
    QString name;        // what a screen reader calls the cell; empty: what it shows
    QString spoken;      // what it shows, in words for a reader; empty: the shown text
    QString tip;         // the cell's own tool tip
    QString aside;       // a check box's short note, right of its label's first line
    QColor backColor;
    QColor textColor;
    std::optional<QFont> font;
    Qt::Alignment alignment;
    int cellType = 0;
    int cellTypeEx = 0;
    QPixmap bitmap;
    bool readOnly = false;
    // Under a joined cell: where the joined cell's top-left lies from here (0, 0: not under one).
    QPoint joinedAt;
};

class CUGCtrl;
class CUGHeading;

// The grid's cells as a Qt table model: row -1 (the top heading) lives apart and shows as the
// horizontal header. Storing a cell changes nothing on screen; the grid's redraw calls say
// which cells to look at, and of those only the cells whose look changed are repainted.
class CUGCellModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit CUGCellModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Row -1 is the heading; null outside the grid.
    const CUGCell* cell(int col, int row) const;
    CUGCell* cell(int col, int row);

    void setColumnCount(int count);
    void insertRow(int row);
    void removeRow(int row);
    void cellsChanged(int col0, int row0, int col1, int row1);
    // The cells under the top-left one answer a reader with its ticked state.
    void join(int col0, int row0, int col1, int row1);
    // The cell whose check box a cell shows or lies under; null for none.
    const CUGCell* checkBoxOf(int col, int row) const;

private:
    int m_columns = 0;
    std::vector<std::vector<CUGCell>> m_rows;
    std::vector<CUGCell> m_heading;
};

// A grid widget on Qt's table view: a fixed number of columns, rows added and removed by the
// owner, per-cell properties, joined cells, a check box cell type, one top heading row and no
// side heading. Cells are addressed as (column, row); row -1 is the top heading. It knows
// nothing of what it shows: owners derive from it and override the notifications.
class CUGCtrl : public QTableView {
    Q_OBJECT
public:
    static constexpr int kCheckBoxType = 2;      // cell type of the check box
    static constexpr int kCheckBoxChanged = 53;  // its notification after a toggle
    static constexpr int kCheckBox3D = 0x0100;   // extension bit: sunken 3-D box
    static constexpr int kCheckBoxTick = 0x1000; // extension bit: tick mark (else a cross)

    explicit CUGCtrl(QWidget* parent = nullptr);
    ~CUGCtrl() override;

    // Takes the place, size and layout slot of the placeholder, which is deleted, then runs
    // OnSetup once. False when the placeholder is null or has no parent.
    bool AttachGrid(QWidget* placeholder);

    void SetDefFont(const QFont& font);
    QFont GetDefFont() const { return m_defFont; }
    void SetTH_Height(int height);
    void SetSH_Width(int width); // 0 hides the side heading
    void SetDefRowHeight(int height);
    void SetDefColWidth(int width);
    void SetNumberCols(int count);
    int GetNumberCols() const;
    void SetColWidth(int col, int width);
    void SetRowHeight(int row, int height);
    int GetRowHeight(int row) const;
    void EnableUserSizing(bool enable);

    void GetHeadingDefault(CUGCell* cell) const { *cell = m_headingDefault; }
    void SetHeadingDefault(const CUGCell& cell);

    int GetNumberRows() const;
    // Inserts an empty row before row (row = GetNumberRows() appends); false out of range.
    bool InsertRow(int row);
    // Deletes the row; a current cell in it is dropped without a notification.
    bool DeleteRow(int row);

    // False outside the grid.
    bool GetCell(int col, int row, CUGCell* cell) const;
    bool SetCell(int col, int row, const CUGCell& cell);
    bool QuickSetText(int col, int row, const QString& text);
    // The cell's accessible description; repaints (and tells readers) only when it changed.
    void SetCellDescription(int col, int row, const QString& text);
    bool QuickSetLabelText(int col, int row, const QString& label);
    bool QuickSetBitmap(int col, int row, const QPixmap& bitmap);
    bool QuickSetCellType(int col, int row, int type);
    bool QuickSetCellTypeEx(int col, int row, int extension);
    QString QuickGetText(int col, int row) const;

    // The top-left cell draws over the rectangle and takes clicks anywhere in it. In the
    // heading only columns join.
    bool JoinCells(int col0, int row0, int col1, int row1);

    // Makes the cell current (the notification follows); nothing for a cell outside the grid.
    bool GotoCell(int col, int row);
    int GetCurrentCol() const;
    int GetCurrentRow() const;

    // The model and readers hear of a redraw at once; the screen on the window's frame clock (at
    // once after a quiet frame, else at the next one), and only for the cells whose look differs
    // from what was last put on it.
    static constexpr int kFrameMs = 16;
    void RedrawAll();
    void RedrawCell(int col, int row);
    void RedrawRange(int col0, int row0, int col1, int row1);
    // Cells waiting for the next frame's paint (all of them after RedrawAll: -1).
    int pendingPaints() const { return m_paintAll ? -1 : int(m_dirty.size()); }
    // Hands the waiting cells to Qt's paint now instead of at the next frame.
    void paintPending();
    // The screen waits for the end of the link's drains this news brackets.
    void holdPaintsWhileDraining(const ModelNews* news) {
        m_drains = news;
        m_clock = nullptr;
    }

    CUGCellModel* cellModel() const { return m_model; }
    // The check box's square in a cell rectangle: 3 px in, vertically centred, at most 12 px.
    static QRect CheckBoxRect(const QRect& cellRect);
    // The cell as drawn: its own properties over the defaults for its row.
    CUGCell EffectiveCell(int col, int row) const;

protected:
    virtual void OnSetup() {}
    // Whenever the current cell moves to another column or row; -1 for no cell before.
    virtual void OnCellChange(int oldCol, int newCol, int oldRow, int newRow);
    // A cell type reports: for the check box (type 2, message 53, the new value).
    virtual int OnCellTypeNotify(int type, int col, int row, int message, int value);

    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;
    void paintEvent(QPaintEvent* event) override;
    // Toggles a check box cell as a click does (row -1: the heading's), unless read-only.
    void toggleCheckBox(int col, int row);
    // Tells readers that the box's cells, the ones under it too, were ticked or unticked.
    void announceCheckState(int col, int row);

private:
    friend class CUGHeading;
    bool clickedCheckBox(QMouseEvent* event);
    void onCurrentChanged(const QModelIndex& current, const QModelIndex& previous);
    // The heading columns joined with col (first, last).
    std::pair<int, int> headingSpan(int col) const;
    // What a cell's paint draws, to tell a real change from a refresh of the same look.
    struct Look {
        QString text;
        QString label;
        QString aside;
        QColor backColor;
        QColor textColor;
        std::optional<QFont> font;
        Qt::Alignment alignment;
        int cellType = 0;
        int cellTypeEx = 0;
        qint64 bitmap = 0;
        bool known = false;
        bool queued = false;
        bool operator==(const CUGCell& cell) const;
        void take(const CUGCell& cell);
    };
    // Forgets what was put on screen: every cell's next redraw paints.
    void forgetLooks();
    void queueAll();
    void askForFrame();
    FrameClock& clock();

    CUGCellModel* m_model;
    CUGHeading* m_heading;
    QFont m_defFont;
    CUGCell m_headingDefault;
    std::vector<std::pair<int, int>> m_headingJoins;
    bool m_quiet = false;
    std::vector<Look> m_looks;                // row * columns + col, as last queued for the screen
    std::vector<std::pair<int, int>> m_dirty; // (row, col) waiting for the frame's paint
    bool m_paintAll = false;
    QRegion m_ownPaint; // what the last frame asked for: any other paint may show other looks
    const ModelNews* m_drains = nullptr;
    QPointer<FrameClock> m_clock; // the clock of the window the grid is in
};

// Paints cells for CUGCtrl: back colour, bitmap, text or the check box with its label.
class CUGCellPainter : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit CUGCellPainter(CUGCtrl* grid) : QStyledItemDelegate(grid), m_grid(grid) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    bool editorEvent(QEvent*, QAbstractItemModel*, const QStyleOptionViewItem&,
                     const QModelIndex&) override {
        return false; // the grid toggles its check boxes itself
    }

    static void paintCell(QPainter* painter, const QRect& rect, const CUGCell& cell);

private:
    CUGCtrl* m_grid;
};

} // namespace lumadesk
