#pragma once

#include <QObject>

class QAction;
class QMenu;

namespace lumadesk {

class CMainFrame;

// The window's menu bar: File (Load, Save, Quit), Edit, View, Tools (Com; others add theirs)
// and Help (Keyboard shortcuts, About LumaDesk). File and Tools carry the toolbar's own
// actions, so a command disabled there is disabled here too. Edit stays out of the bar until
// something is put into it.
class MainMenus : public QObject {
    Q_OBJECT
public:
    explicit MainMenus(CMainFrame& frame);

    QMenu* file() const { return m_file; }
    QMenu* edit() const { return m_edit; }
    QMenu* view() const { return m_view; }
    QMenu* tools() const { return m_tools; }
    QMenu* help() const { return m_help; }
    QAction* quitAction() const { return m_quit; }
    QAction* shortcutsAction() const { return m_shortcuts; }
    QAction* aboutAction() const { return m_about; }

    // Edit > Send again, after what Edit already holds: the values whose frames never left go
    // out again. Enabled only while the link is up and something was not sent (refresh on any
    // change of either).
    void addSendAgain();
    QAction* sendAgainAction() const { return m_sendAgain; }
    void refreshSendAgain();

    void showShortcuts();
    void showAbout();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CMainFrame& m_frame;
    QMenu* m_file = nullptr;
    QMenu* m_edit = nullptr;
    QMenu* m_view = nullptr;
    QMenu* m_tools = nullptr;
    QMenu* m_help = nullptr;
    QAction* m_quit = nullptr;
    QAction* m_shortcuts = nullptr;
    QAction* m_about = nullptr;
    QAction* m_sendAgain = nullptr;
};

} // namespace lumadesk
