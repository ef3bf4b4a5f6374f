#pragma once

#include "ui/CFormPane.h"

#include "model/HeadRole.h"

#include <QPointer>
#include <array>

class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace lumadesk {

class OperatorActions;

struct NodeHeader;
struct StrobeData;
struct StudioModel;

// The studio tree's pane, left in the main window's inner splitter: studios, their units and
// each unit's light node, an edit box for new names, and the selection that tells the
// navigation pane which studio or unit to show.
class CStudioListFormView : public CFormPane {
    Q_OBJECT
public:
    explicit CStudioListFormView(QWidget* parent = nullptr);

    // Takes the model and the panes it talks to, and puts the five studios into the tree.
    // Until then messages are taken and do nothing.
    void OnInitialUpdate(StudioModel* model, QObject* mainFrame, QObject* navigationPane);

    QTreeWidget* tree() const { return m_tree; }
    QLineEdit* nameEdit() const { return m_edit; }
    // The item of studio n (0..4), or null.
    QTreeWidgetItem* studioItem(int n) const;
    // The item that shows the node, or null. Walks the tree, so a stale handle never counts.
    QTreeWidgetItem* itemShowing(const NodeHeader* node) const;
    // Selects the model's current node (nothing for none) without running the selection's
    // rules: nothing is shown, scanned or sent. The name box follows.
    void followCurrentNode();
    // Where each rename becomes an undoable step; null for none.
    void setActions(OperatorActions* actions) { m_actions = actions; }

protected:
    void customEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void onSelectionChanged();
    void showNodeName(NodeHeader* node);
    void onNewUnit(qintptr channel, StrobeData* unit);
    void onRename();
    // Rebuilds the studio's branch; the grid shows it again (only when it is the shown one).
    void onStudioCleared(qintptr lParam, bool onlyShown);
    void onMemoryApplied();
    void onUnitRenamed(bool light, StrobeData* unit);
    void showUnitText(StrobeData* unit);
    // Each head's tool tip gives its stops from the studio's key.
    void showStopsTips(int n);
    // Role and key of the head under the mouse.
    void showHeadMenu(const QPoint& pos);
    void setRole(StrobeData* unit, HeadRole role);
    void rebuildStudio(int n);
    void addUnitItems(QTreeWidgetItem* parent, StrobeData* unit);
    void placeWidgets();

    QTreeWidget* m_tree;
    QLineEdit* m_edit;
    StudioModel* m_model = nullptr;
    QPointer<QObject> m_mainFrame;
    QPointer<QObject> m_navigation;
    std::array<QTreeWidgetItem*, 5> m_studioItems{};
    QTreeWidgetItem* m_curStudioItem = nullptr; // compared, never dereferenced
    bool m_following = false;
    OperatorActions* m_actions = nullptr;
};

} // namespace lumadesk
