#pragma once

#include <QList>
#include <QPoint>
#include <QSplitter>
#include <QSplitterHandle>

namespace lumadesk {

// A splitter of one row and several columns with a flat bar that carries a grip image.
// Dragging, the cursor and tracking are QSplitter's own; only the drawing differs. Columns
// start at their ideal widths, except the last, which takes what is left.
class CStrobeSplitterWnd : public QSplitter {
    Q_OBJECT
public:
    static constexpr int kBarWidth = 13;
    static constexpr int kGripWidth = 5;
    static constexpr int kGripHeight = 66;

    explicit CStrobeSplitterWnd(QWidget* parent = nullptr);

    // The pane at (row, column), or null; there is only row 0.
    QWidget* GetPane(int row, int column) const;

    // The width a column starts with and the least it keeps. Call after the pane is added.
    void SetColumnInfo(int column, int ideal, int minimum);
    // Widths remembered from an earlier run for the columns but the last, in place of the
    // ideal widths: applied now when laid out, else at the first resize.
    void RestoreColumnWidths(const QList<int>& widths);

    // Where the grip goes in splitter coordinates: 4 pixels right of column 0, centred in the
    // height (rounded toward zero, so a short splitter puts it partly above the top edge).
    static QPoint GripPosition(int column0Width, int clientHeight);

protected:
    QSplitterHandle* createHandle() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void applyIdealWidths();

    QList<int> m_ideal;
    bool m_laidOut = false;
};

// The bar between two columns: no 3-D edges and no fill of its own, only the grip.
class CStrobeSplitterHandle : public QSplitterHandle {
    Q_OBJECT
public:
    CStrobeSplitterHandle(Qt::Orientation orientation, QSplitter* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace lumadesk
