#include "app/EditHistory.h"

#include "actions/OperatorHistory.h"
#include "app/Shortcuts.h"
#include "ui/PlainText.h"

#include <QAction>
#include <QDockWidget>
#include <QMainWindow>
#include <QMenu>
#include <QScreen>
#include <QUndoView>

namespace lumadesk {

namespace {

constexpr int kNarrowest = 180; // still "offset +0.5 on 2 heads" whole

} // namespace

EditHistory::EditHistory(QMainWindow& frame, OperatorHistory& history, QMenu* edit, QMenu* view)
    : QObject(&frame), m_history(history) {
    m_undo = edit->addAction(QStringLiteral("Undo"));
    m_undo->setShortcut(KeyOf(Command::Undo));
    m_redo = edit->addAction(QStringLiteral("Redo"));
    m_redo->setShortcuts({KeyOf(Command::Redo), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    for (QAction* action : {m_undo, m_redo}) {
        action->setShortcutContext(Qt::WindowShortcut);
        frame.addAction(action); // the keys work while the menu is closed
    }
    connect(m_undo, &QAction::triggered, &history, &OperatorHistory::undo);
    connect(m_redo, &QAction::triggered, &history, &OperatorHistory::redo);
    connect(&history, &OperatorHistory::changed, this, &EditHistory::refresh);

    m_dock = new QDockWidget(QStringLiteral("History"), &frame);
    m_dock->setObjectName(QStringLiteral("History"));
    m_view = new QUndoView(&history.stack(), m_dock);
    m_view->setEmptyLabel(QStringLiteral("As started"));
    m_view->setAccessibleName(QStringLiteral("History"));
    m_dock->setWidget(m_view);
    frame.addDockWidget(Qt::RightDockWidgetArea, m_dock);
    // At first it floats beside the window rather than take the desk's room; where the
    // operator docks it is kept with the layout.
    m_dock->setFloating(true);
    m_dock->resize(260, 320);
    m_dock->hide();
    connect(m_dock, &QDockWidget::visibilityChanged, this, [this, &frame](bool shown) {
        if (!shown || !m_dock->isFloating() || m_placed)
            return;
        m_placed = true;
        // In the room beside the window when there is some, narrower if it must be.
        const QRect room = frame.screen()->availableGeometry();
        const QRect window = frame.frameGeometry();
        const int beside = room.right() - window.right() - 8;
        if (beside >= kNarrowest)
            m_dock->resize(std::min(m_dock->width(), beside), m_dock->height());
        const int x = std::min(window.right() + 8, room.right() - m_dock->width());
        m_dock->move(std::max(room.left(), x), std::max(room.top(), window.top()));
    });
    view->addAction(m_dock->toggleViewAction());
    refresh();
}

void EditHistory::refresh() {
    const QString undo = m_history.undoText();
    const QString redo = m_history.redoText();
    m_undo->setText(undo);
    m_undo->setEnabled(undo != QStringLiteral("Undo"));
    m_undo->setToolTip(PlainToolTip(TipWithKey(undo, Command::Undo)));
    m_redo->setText(redo);
    m_redo->setEnabled(redo != QStringLiteral("Redo"));
    m_redo->setToolTip(PlainToolTip(TipWithKey(redo, Command::Redo)));
}

} // namespace lumadesk
