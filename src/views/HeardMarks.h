#pragma once

#include "model/Confirmation.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <vector>

class QTreeWidget;
class QWidget;

namespace lumadesk {

class CNavigationGrid;
class RadioLink;
struct StrobeData;
struct StudioModel;

// What the link knows about each head beyond its settings, shown where the heads are: the grid
// block's and the tree item's tool tips ("last heard 3 s ago", a value not yet confirmed, a
// check missed), a grey wash over the block of a head that is not answering, and a mark on the
// block of a head with a value under way (a clock) or unconfirmed (a warning sign). The cells
// keep their own colours: the wash and the marks lie over them and let every click through, and
// the block's status cell carries the same words as its accessible description.
class HeardMarks : public QObject {
    Q_OBJECT
public:
    HeardMarks(StudioModel& model, const RadioLink& radio, CNavigationGrid* grid, QTreeWidget* tree,
               QObject* parent = nullptr);
    // Takes the wash away with it: the wash reads the lists held here.
    ~HeardMarks() override;

    // Works out which blocks to wash and mark; repaints only when that changed.
    void refresh();

    // The tips at a point of the grid's or the tree's viewport; empty where no head is.
    QString gridTip(const QPoint& at) const;
    QString treeTip(const QPoint& at) const;
    QString tipFor(const StrobeData* unit) const;
    bool isAnswering(const StrobeData* unit) const;
    // Grid blocks washed as not answering, in order.
    const std::vector<int>& quietBlocks() const { return m_quiet; }
    // Each shown block's mark (Confirmed: none).
    const std::vector<Confirmation>& blockMarks() const { return m_marks; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The model's unit for a tree node, compared by address only: the node may be gone.
    StrobeData* unitOfTreeNode(const void* node) const;

    StudioModel& m_model;
    const RadioLink& m_radio;
    CNavigationGrid* m_grid;
    QTreeWidget* m_tree;
    QPointer<QWidget> m_wash;
    std::vector<int> m_quiet;
    std::vector<Confirmation> m_marks;
};

} // namespace lumadesk
