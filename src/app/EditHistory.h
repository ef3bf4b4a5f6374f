#pragma once

#include <QObject>

class QAction;
class QDockWidget;
class QMainWindow;
class QMenu;
class QUndoView;

namespace lumadesk {

class OperatorHistory;

// Undo and redo in the Edit menu (Ctrl+Z; Ctrl+Shift+Z and Ctrl+Y), their texts naming the step
// ("Undo flash 6.5 on CH-02"), and the history as a dock under View (hidden at first, kept with
// the window's layout like the traffic dock).
class EditHistory : public QObject {
    Q_OBJECT
public:
    // Undo and Redo go into `edit`, the dock's switch into `view`.
    EditHistory(QMainWindow& frame, OperatorHistory& history, QMenu* edit, QMenu* view);

    QAction* undoAction() const { return m_undo; }
    QAction* redoAction() const { return m_redo; }
    QDockWidget* dock() const { return m_dock; }
    QUndoView* view() const { return m_view; }

private:
    void refresh();

    OperatorHistory& m_history;
    QAction* m_undo = nullptr;
    QAction* m_redo = nullptr;
    QDockWidget* m_dock = nullptr;
    QUndoView* m_view = nullptr;
    bool m_placed = false;
};

} // namespace lumadesk
