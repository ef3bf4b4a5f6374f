#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <functional>
#include <vector>

class QTreeWidget;
class QWidget;

namespace lumadesk {

class CNavigationGrid;
class HeardLog;
struct StrobeData;
struct StudioModel;

// What the heard log says, shown where the heads are: the grid block's and the tree item's
// tool tips ("last heard 3 s ago"), and a grey wash over the grid block of a head of the scanned
// studio that has been silent for 30 s while the link is up. The cells themselves are left as
// they are; the wash lies over them and lets every click through.
class HeardMarks : public QObject {
    Q_OBJECT
public:
    HeardMarks(StudioModel& model, const HeardLog& heard, std::function<bool()> linkUp,
               CNavigationGrid* grid, QTreeWidget* tree, QObject* parent = nullptr);
    // Takes the wash away with it: the wash reads the list of silent blocks held here.
    ~HeardMarks() override;

    // Works out which blocks are silent; repaints the wash only when that changed.
    void refresh();

    // The tips at a point of the grid's or the tree's viewport; empty where no head is.
    QString gridTip(const QPoint& at) const;
    QString treeTip(const QPoint& at) const;
    QString tipFor(const StrobeData* unit) const;
    bool isSilent(const StrobeData* unit) const;
    // Grid blocks marked silent, in order.
    const std::vector<int>& silentBlocks() const { return m_silent; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The model's unit for a tree node, compared by address only: the node may be gone.
    StrobeData* unitOfTreeNode(const void* node) const;

    StudioModel& m_model;
    const HeardLog& m_heard;
    std::function<bool()> m_linkUp;
    CNavigationGrid* m_grid;
    QTreeWidget* m_tree;
    QPointer<QWidget> m_wash;
    std::vector<int> m_silent;
};

} // namespace lumadesk
