#pragma once

#include "ui/CFormPane.h"

#include <functional>

namespace lumadesk {

class OperatorActions;
struct StrobeData;
struct StudioModel;

class CNavigationGrid;

// The channel grid's pane, right in the main window's outer splitter, and the address of all news
// about units (messages 20-26): it turns each into a rebuild of the grid, a move of the current
// unit or a refresh of one unit's cells. The grid sits 8 px in and 30 px down and fills the rest
// but for a 12 px right and 10 px bottom margin.
class CNavigationFormView : public CFormPane {
    Q_OBJECT
public:
    // The model and the way to the remote control pane outlive the pane. Without a model (a bare
    // pane) the messages are taken and do nothing.
    explicit CNavigationFormView(StudioModel* model = nullptr,
                                 std::function<QObject*()> controlPane = {},
                                 QWidget* parent = nullptr);

    lumadesk::CNavigationGrid* grid() const { return m_grid; }
    // Where the grid's "Solo test" goes.
    void setActions(OperatorActions* actions);

protected:
    void customEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void onShowStudio(qintptr studioParam);
    void onSelectUnit(qintptr rebuild, StrobeData* unit);
    void onUnitAdded();
    // A null unit with currentUnit set means the current node's unit.
    void onUnitSetting(int code, StrobeData* unit, bool currentUnit);
    void onUnitStatus(StrobeData* unit);
    void onGroupChange(int code);
    void gotoBlock(int i);

    StudioModel* m_model;
    std::function<QObject*()> m_controlPane;
    lumadesk::CNavigationGrid* m_grid = nullptr;
};

} // namespace lumadesk
