#include "app/MainMenus.h"

#include "app/CMainFrame.h"
#include "app/DialogSeams.h"
#include "app/HelpDialogs.h"
#include "app/Shortcuts.h"
#include "platform/Messages.h"

#include <QAction>
#include <QActionEvent>
#include <QMenu>
#include <QMenuBar>

namespace lumadesk {

namespace {

// A window-wide key that works while its menu is closed.
QAction* addCommand(CMainFrame& frame, QMenu* menu, const QString& text, Command command) {
    QAction* action = menu->addAction(text);
    action->setShortcut(KeyOf(command));
    action->setShortcutContext(Qt::WindowShortcut);
    frame.addAction(action);
    return action;
}

} // namespace

MainMenus::MainMenus(CMainFrame& frame) : QObject(&frame), m_frame(frame) {
    QMenuBar* bar = frame.menuBar();
    bar->setAccessibleName(QStringLiteral("Menu bar"));

    m_file = bar->addMenu(QStringLiteral("&File"));
    m_file->addAction(frame.commandAction(Msg::CMD_LOAD));
    m_file->addAction(frame.commandAction(Msg::CMD_SAVE));
    m_file->addSeparator();
    m_quit = addCommand(frame, m_file, QStringLiteral("&Quit"), Command::Quit);
    m_quit->setStatusTip(QStringLiteral("Close the console"));
    connect(m_quit, &QAction::triggered, &frame, &QWidget::close);

    m_edit = bar->addMenu(QStringLiteral("&Edit"));
    m_edit->menuAction()->setVisible(false);
    m_edit->installEventFilter(this);

    m_view = bar->addMenu(QStringLiteral("&View"));

    m_tools = bar->addMenu(QStringLiteral("&Tools"));
    m_tools->addAction(frame.commandAction(Msg::CMD_COM));

    m_help = bar->addMenu(QStringLiteral("&Help"));
    m_shortcuts = addCommand(frame, m_help, QStringLiteral("&Keyboard shortcuts"),
                             Command::KeyboardShortcuts);
    m_shortcuts->setStatusTip(QStringLiteral("Every key of the console"));
    connect(m_shortcuts, &QAction::triggered, this, &MainMenus::showShortcuts);
    m_about = m_help->addAction(QStringLiteral("&About LumaDesk"));
    m_about->setStatusTip(QStringLiteral("Version, licence and folders"));
    connect(m_about, &QAction::triggered, this, &MainMenus::showAbout);

    for (QMenu* menu : {m_file, m_edit, m_view, m_tools, m_help})
        menu->setAccessibleName(menu->title().remove(QLatin1Char('&')));
}

void MainMenus::addSendAgain() {
    m_edit->addSeparator();
    m_sendAgain = m_edit->addAction(QStringLiteral("Send again"));
    m_sendAgain->setStatusTip(QStringLiteral("Send the values that did not go out"));
    connect(m_sendAgain, &QAction::triggered, this, [this] { m_frame.actions().sendAgain(); });
    refreshSendAgain();
}

void MainMenus::refreshSendAgain() {
    if (m_sendAgain == nullptr)
        return;
    const int unsent = m_frame.radio().pending().unsentCount();
    m_sendAgain->setEnabled(unsent > 0 && m_frame.radio().isConnected());
    m_sendAgain->setToolTip(unsent > 0 ? m_frame.radio().pending().unsentText()
                                       : QStringLiteral("Every value went out"));
}

void MainMenus::showShortcuts() {
    KeyboardShortcutsDialog dialog(&m_frame);
    RunModal(dialog);
}

void MainMenus::showAbout() {
    AboutDialog dialog(&m_frame);
    RunModal(dialog);
}

bool MainMenus::eventFilter(QObject* watched, QEvent* event) {
    // Edit shows in the bar once it holds something.
    if (watched == m_edit &&
        (event->type() == QEvent::ActionAdded || event->type() == QEvent::ActionRemoved)) {
        const QAction* changed = static_cast<QActionEvent*>(event)->action();
        bool any = event->type() == QEvent::ActionAdded;
        for (const QAction* action : m_edit->actions())
            any = any || action != changed;
        m_edit->menuAction()->setVisible(any);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace lumadesk
