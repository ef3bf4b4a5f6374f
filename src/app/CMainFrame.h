#pragma once

#include "actions/OperatorActions.h"
#include "actions/OperatorHistory.h"
#include "app/CMainToolBar.h"
#include "app/CWaitingDlg.h"
#include "app/LinkKeeper.h"
#include "app/ShellOptions.h"
#include "link/RadioLink.h"
#include "model/NameBook.h"
#include "model/StudioModel.h"
#include "model/XmlFileContext.h"
#include "platform/ComSettings.h"

#include <QMainWindow>
#include <QPointer>
#include <QSettings>
#include <QTimer>
#include <array>

class QAction;
class QMenu;

namespace lumadesk {

class CStrobeSplitterWnd;
class EditHistory;
class PhoneRemote;
class MainMenus;
class RadioWatch;
class StatusPane;

// The console's one window. It owns the radio link (port, protocol, assembler, event handler),
// the studio model, the COM settings and the file context; it lays out the three panes in two
// splitters, keeps the link open, carries out the toolbar commands and passes the news about
// units on to the panes. The panes reach the link and the data only through it.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kMinimumWidth = 800;
    static constexpr int kMinimumHeight = 500;

    explicit CMainFrame(const ShellOptions& options = {}, QWidget* parent = nullptr);
    // Closes the port (joining the reader) before anything else goes.
    ~CMainFrame() override;

    StudioModel& model() { return m_model; }
    CZbProtocol& protocol() { return m_radio.protocol(); }
    CCommThread& port() { return m_radio.port(); }
    lumadesk::RadioLink& radio() { return m_radio; }
    ComSettings& comSettings() { return m_settings; }
    XmlFileContext& fileContext() { return m_files; }
    LinkKeeper& link() { return m_link; }

    // The panes, found by splitter row and column.
    CStrobeSplitterWnd* outerSplitter() const { return m_outer; }
    CStrobeSplitterWnd* innerSplitter() const { return m_inner; }
    QWidget* studioListPane() const;
    QWidget* controlPane() const;
    QWidget* navigationPane() const;

    QAction* commandAction(int command) const { return m_toolBar->command(command); }
    int commandFlag(int command) const;
    QString paneText(int pane) const;
    // Heard marks, the heads pane and the radio traffic dock.
    RadioWatch* radioWatch() const { return m_watch; }
    // What the operator did, step by step, with Edit's undo and redo and the History dock.
    OperatorHistory& history() { return m_history; }
    // Where every operator change goes out, whoever makes it.
    OperatorActions& actions() { return m_actions; }
    // Tools > Phone remote... and the server behind it.
    PhoneRemote* phoneRemote() const { return m_remote; }
    // Why --remote could not start, for the command line.
    QString phoneRemoteProblem() const { return m_remoteProblem; }
    EditHistory* editHistory() const { return m_editHistory; }
    // The menu bar; Edit and View take what later parts of the window add.
    MainMenus* menus() const { return m_menus; }
    QMenu* editMenu() const;
    QMenu* viewMenu() const;

    // The scan's wait box ticks this often (tests shorten it).
    void setScanTickMs(int ms) { m_scanTickMs = ms; }

    // The toolbar commands.
    void OnLoad();
    void OnSave();
    // Ctrl+S: the toolbar's Save, asking for the set-up's name when the box is empty.
    void OnSaveKey();
    void OnScan();
    void OnName();
    void OnCom();
    // Asks every head of the scanned studio to report; after the scan's waiting time the
    // heads that did not are marked as not answering (Ctrl+R).
    void OnCheckHeads();
    QAction* checkHeadsAction() const { return m_checkHeads; }
    // Ctrl+O: a set-up file from anywhere, checked as a set-up is read, copied into the set-up
    // folder under its own name and previewed. The path opened, or empty when nothing was.
    QString OnOpenSetup();
    QAction* testAllAction() const { return m_testAll; }
    QAction* lockAction() const { return m_lock; }

protected:
    void customEvent(QEvent* event) override;

private:
    void createBars();
    void createPanes();
    void watchConfirmations();
    void createToolsMenu();
    void setCommandFlag(qintptr command, qintptr value);
    // Pane 0: that the radio takes no commands, why the port will not open, what just happened
    // to the link, and the head that last failed to confirm a value; the run's note when there
    // is nothing to say.
    void showMessages();
    // A change was refused: said until the radio takes commands again.
    void showRefusal(const QString& why);
    void linkChanged(bool up);
    void checkFinished();
    void createDeskCommands();
    void showLock(bool locked);

    ShellOptions m_options;
    int m_scanTickMs = CWaitingDlg::kDefaultTickMs;
    std::array<int, kFrameCommandCount> m_flags{0, 0, 1, 1, 1};

    CMainToolBar* m_toolBar = nullptr;
    MainMenus* m_menus = nullptr;
    StatusPane* m_messagePane = nullptr;
    QString m_note;       // pane 0's text when there is nothing else to say
    QString m_portReason; // why the port will not open
    QString m_linkNote;   // what the last link event, scan, check, Load or refused set-up came to
    QPointer<CWaitingDlg> m_scanBox;
    bool m_scanCut = false; // the link went down while the scan box was open
    QTimer m_checkTimer;
    QString m_refusal;     // why the last change was refused, while that holds
    QTimer m_refusalWatch; // looks whether it still holds
    QAction* m_checkHeads = nullptr;
    QAction* m_testAll = nullptr;
    QAction* m_lock = nullptr;
    StatusPane* m_lockPane = nullptr;
    StatusPane* m_linkPane = nullptr;
    CStrobeSplitterWnd* m_outer = nullptr;
    CStrobeSplitterWnd* m_inner = nullptr;
    RadioWatch* m_watch = nullptr;
    EditHistory* m_editHistory = nullptr;
    PhoneRemote* m_remote = nullptr;
    QString m_remoteProblem;

    // Owned, in the order they depend on each other; destroyed in reverse.
    ComSettings m_settings;
    // The console's own settings, where the name book and the lock are remembered.
    QSettings m_remembered;
    StudioModel m_model;
    NameBook m_nameBook{m_model, m_remembered};
    XmlFileContext m_files;
    lumadesk::RadioLink m_radio;
    LinkKeeper m_link;
    OperatorActions m_actions;
    OperatorHistory m_history;
};

} // namespace lumadesk
