#include "app/CLumaDeskApp.h"

#include "app/CLumaDeskDoc.h"
#include "app/CMainFrame.h"
#include "app/DialogSeams.h"
#include "app/Folders.h"
#include "app/RecentFileList.h"
#include "app/Shortcuts.h"
#include "app/WindowLayout.h"
#include "remote/RemoteServer.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QKeySequence>
#include <QSettings>
#include <QUrl>
#include <cstdio>

namespace lumadesk {

namespace {

int showRealBox(MessageBoxRequest request) {
    if (request.title.isEmpty())
        request.title = CLumaDeskApp::applicationName();
    return ShowRealMessageBox(request);
}

} // namespace

QString CLumaDeskApp::oldSettingsKey() {
    return QStringLiteral("로컬 응용 프로그램 마법사에서 생성된 응용 프로그램");
}

CLumaDeskApp::CLumaDeskApp(ShellOptions options) : m_options(std::move(options)) {}

CLumaDeskApp::~CLumaDeskApp() {
    if (m_frame && !m_layoutSavedAtQuit)
        saveLayout();
    m_frame.reset();
    m_document.reset();
    if (m_boxesInstalled)
        SetMessageBoxHandler(std::move(m_previousBoxes));
}

void CLumaDeskApp::saveLayout() const {
    QSettings settings(settingsKey(), applicationName());
    SaveWindowLayout(*m_frame, settings);
}

bool CLumaDeskApp::eventFilter(QObject* watched, QEvent* event) {
    // Quitting closes every window, floating docks included, before the loop returns: what is
    // open is known only now.
    if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit && m_frame) {
        saveLayout();
        m_layoutSavedAtQuit = true;
    }
    return false;
}

bool CLumaDeskApp::InitInstance() {
    m_previousBoxes = SetMessageBoxHandler(showRealBox);
    m_boxesInstalled = true;
    MoveOldSettings(oldSettingsKey(), settingsKey(), applicationName());
    m_recent = std::make_unique<RecentFileList>(settingsKey(), applicationName());
    m_document = std::make_unique<CLumaDeskDoc>(*m_recent);
    m_frame = std::make_unique<CMainFrame>(m_options);

    // Not in the menus, but the keys of the document commands work.
    CLumaDeskDoc* document = m_document.get();
    CMainFrame* frame = m_frame.get();
    const auto addKey = [frame](Command command, auto handler) {
        auto* action = new QAction(frame);
        action->setShortcut(KeyOf(command));
        action->setShortcutContext(Qt::WindowShortcut);
        QObject::connect(action, &QAction::triggered, frame, handler);
        frame->addAction(action);
    };
    addKey(Command::NewDocument, [document] { document->OnFileNew(); });
    addKey(Command::OpenSetup, [document, frame] {
        if (const QString path = frame->OnOpenSetup(); !path.isEmpty())
            document->opened(path);
    });

    if (m_options.remote) {
        // Scripts and tests read the address and the code from here.
        RemoteServer& server = m_frame->phoneRemote()->server();
        if (!server.isRunning()) {
            std::fprintf(stderr, "lumadesk: --remote: %s\n",
                         qPrintable(m_frame->phoneRemoteProblem()));
            return false;
        }
        const QList<QUrl> pages = server.pageAddresses();
        std::fprintf(stderr, "lumadesk: phone remote on %s pairing code %s\n",
                     qPrintable(pages.isEmpty() ? QString() : pages.front().toString()),
                     qPrintable(server.pairingCode()));
        std::fflush(stderr);
    }

    QSettings settings(settingsKey(), applicationName());
    RestoreWindowLayout(*m_frame, settings);
    QCoreApplication::instance()->installEventFilter(this);
    m_frame->show();
    return true;
}

} // namespace lumadesk
