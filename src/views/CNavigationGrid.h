#pragma once

#include "model/ModelNews.h"
#include "views/GridSettingTable.h"

#include "views/CUGCtrl.h"

#include <QFont>
#include <QPixmap>
#include <array>
#include <functional>
#include <vector>

namespace lumadesk {

class OperatorActions;
struct StudioModel;
struct StudioData;
struct StrobeData;

// Whether a studio that reached a pane by pointer is one of the five or the memory studio.
// (Records that come with a message go through HeldRecordOf.)
bool IsLiveStudio(const StudioModel& model, const StudioData* studio);

// The channel grid: one block of four rows per shown unit of a studio (spacer, name, a status
// check box over two rows beside five switch icons), the heading box that ticks them all, and
// the current unit, which follows the current cell. What changed comes from the model's news;
// the messages (23-25) say when to show it.
class CNavigationGrid : public CUGCtrl {
    Q_OBJECT
public:
    static constexpr int kRowsPerBlock = 4;
    static constexpr int kNoCurrent = -100; // after a rebuild, until a unit is picked
    static constexpr int kRebuilding = -1;

    // The model and the way to the remote control pane come from the pane that hosts the grid;
    // both outlive it.
    explicit CNavigationGrid(StudioModel* model, std::function<QObject*()> controlPane,
                             QWidget* parent = nullptr);

    // Where a block's "Solo test" goes; null: the menu offers none.
    void setActions(OperatorActions* actions) { m_actions = actions; }

    // No block is current any more (the current node is no unit).
    void DropCurrent();

    void ShowStudio(StudioData* studio);
    // Rebuilds the cell the change code names (a setting echo, a group change).
    void RefreshStrobe(int code, StrobeData* unit);
    // Rebuilds the cells of block i whose values the news said moved since they were built.
    void UpdateStrobeBlock(int i, StrobeData* unit);

    // The block of the unit among the shown units, or -1.
    int BlockOf(const StrobeData* unit) const;
    int shownCount() const { return m_shownCount; }
    int currentIndex() const { return m_currentIndex; }
    QString headingLabel() const { return m_headingLabel; }

    static QString NameText(const StrobeData& unit);
    // The two-line label for levels; an unchanged label (null) when both are -1.
    static QString PowerLabel(int model, int flash);

protected:
    void OnSetup() override;
    void OnCellChange(int oldCol, int newCol, int oldRow, int newRow) override;
    int OnCellTypeNotify(int type, int col, int row, int message, int value) override;
    // Keys move block by block and tick boxes; everything else is the grid's.
    void keyPressEvent(QKeyEvent* event) override;
    // A block's menu: "Solo test"; from the keyboard, the current block's.
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // In the grid table's order of head icons.
    enum Icon {
        MODE1 = int(HeadIcon::Mode1),
        MODE2 = int(HeadIcon::Mode2),
        CELL = int(HeadIcon::Cell),
        SOUND = int(HeadIcon::Sound),
        CHARGE = int(HeadIcon::Charge),
        ICON_COUNT = int(HeadIcon::Count)
    };

    void addBlock(StrobeData* unit);
    void setStatusCell(int i, const StrobeData& unit, bool redraw);
    void setPowerLabel(int model, int flash, int i, bool redraw);
    void setIcon(int i, Icon icon, const StrobeData& unit, bool redraw);
    void setIcons(int i, const StrobeData& unit);
    void nameHeading();
    // What a screen reader calls each cell of block i.
    void nameBlock(int i, const StrobeData& unit);
    // Black, or white on the current block.
    QColor statusTextColor(int i) const;
    // The shown unit of block i when the model still holds it, else null.
    StrobeData* shownUnit(int i) const;
    int blocksPerPage() const;
    // The block showing the channel of the shown studio, or -1.
    int blockOfChannel(int channel) const;
    void onHeadChanged(int studio, int channel, quint32 mask);
    void onHeadAdded(int studio, int channel);
    void onTicksChanged(int studio);
    // Every block's name line and stops again: a name, role, level or power moved, or the key.
    void showStudioWords();
    void wordsMoved(int studio);
    // The panel shows the current node: one 30 for each change, whoever made it.
    void onCurrentChanged();

    StudioModel* m_model;
    std::function<QObject*()> m_controlPane;
    QFont m_cellFont;
    QFont m_headingFont;
    QFont m_alarmFont;
    std::array<QPixmap, ICON_COUNT> m_on;
    std::array<QPixmap, ICON_COUNT> m_off;
    QString m_headingLabel;
    int m_shownCount = 0;
    int m_currentIndex = kNoCurrent;
    int m_studio = -1;              // the number of the shown studio; -1 for none or the memory's
    std::vector<int> m_channels;    // per block: its channel, so news never touches a stale record
    std::vector<ValueMask> m_moved; // per block: what the news said moved since it was built
    bool m_ticking = false;         // the grid's own tick news
    bool m_wordsMoved = false;      // stops to show again when the drain ends
    OperatorActions* m_actions = nullptr;
};

} // namespace lumadesk
