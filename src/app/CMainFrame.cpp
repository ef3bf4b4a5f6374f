#include "app/CMainFrame.h"

#include "app/CComSettingDlg.h"
#include "app/CLumaDeskApp.h"
#include "app/ChannelScan.h"
#include "app/DialogSeams.h"
#include "app/EditHistory.h"
#include "app/MainMenus.h"
#include "app/PhoneRemote.h"
#include "app/RadioWatch.h"
#include "app/ScreenRoom.h"
#include "app/Shortcuts.h"
#include "app/StatusPanes.h"
#include "app/UnitEventRelay.h"
#include "model/BusinessMemory.h"
#include "model/OptionFile.h"
#include "model/XmlFileContext.h"
#include "panels/CControlFormView.h"
#include "platform/ChangeCode.h"
#include "platform/MessageBox.h"
#include "platform/Messages.h"
#include "platform/WholeFile.h"
#include "platform/WindowMessage.h"
#include "platform/ports/SerialPortList.h"
#include "remote/RemoteServer.h"
#include "ui/PlainText.h"
#include "ui/UiResources.h"
#include "views/CNavigationFormView.h"
#include "views/CNavigationGrid.h"
#include "views/CStrobeSplitterWnd.h"
#include "views/CStudioListFormView.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QSettings>
#include <QStatusBar>
#include <algorithm>

namespace lumadesk {

namespace {

constexpr int kMessagePaneWidth = 500;
constexpr int kLinkPaneWidth = 150;
// How often a refusal looks whether the radio takes commands again.
constexpr int kRefusalWatchMs = 250;

// How long a head has to confirm a value, in the console's own settings (not Option.xml).
const QString kConfirmTimeoutKey = QStringLiteral("Radio/ConfirmTimeoutMs");

std::chrono::milliseconds confirmTimeout() {
    const QSettings settings(CLumaDeskApp::settingsKey(), CLumaDeskApp::applicationName());
    bool ok = false;
    const int ms = settings.value(kConfirmTimeoutKey).toInt(&ok);
    return ok && ms >= 100 && ms <= 60000 ? std::chrono::milliseconds(ms)
                                          : PendingValues::kDefaultTimeout;
}

// Pane 0 is 500 pixels wide, and gives way only when a small screen leaves the window less.
class MessagePane : public StatusPane {
public:
    explicit MessagePane(const QString& text, QWidget* parent)
        : StatusPane(QStringLiteral("Messages"), text, parent) {
        setMinimumWidth(kMessagePaneWidth / 4);
        setMaximumWidth(kMessagePaneWidth);
    }
    QSize sizeHint() const override { return {kMessagePaneWidth, QLabel::sizeHint().height()}; }
};

} // namespace

CMainFrame::CMainFrame(const ShellOptions& options, QWidget* parent)
    : QMainWindow(parent), m_options(options),
      m_remembered(CLumaDeskApp::settingsKey(), CLumaDeskApp::applicationName()), m_files{&m_model,
                                                                                          nullptr,
                                                                                          nullptr},
      m_radio(this, m_model),
      m_link(m_radio, m_settings, [this](const QString& text) { m_linkPane->setText(text); }),
      m_actions(m_model, m_radio.protocol(),
                {[this] { return navigationPane(); }, [this] { return controlPane(); },
                 [this] { return studioListPane(); }}),
      m_history(m_model, m_actions) {
    m_actions.setHistory(&m_history);
    connect(&m_actions, &OperatorActions::refused, this, &CMainFrame::showRefusal);
    m_refusalWatch.setInterval(kRefusalWatchMs);
    connect(&m_refusalWatch, &QTimer::timeout, this, [this] {
        if (!m_radio.port().TakesCommands())
            return;
        m_refusalWatch.stop();
        m_refusal.clear();
        showMessages();
    });
    InitUiResources();
    setWindowTitle(QStringLiteral("Glowmark"));
    setWindowIcon(QIcon(QStringLiteral(":/lumadesk/lumadesk.svg")));
    // No maximise box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    FitFirstSize(*this, QSize(kMinimumWidth, kMinimumHeight));

    createBars();
    createPanes();
    watchConfirmations();
    // A refused set-up's box says only that it failed; pane 0 says what was wrong, until a
    // set-up is read whole or other news replaces it.
    m_files.loadProblem = [this, said = QString()](const QString& why) mutable {
        if (!why.isEmpty())
            m_linkNote = why;
        else if (!said.isEmpty() && m_linkNote == said)
            m_linkNote.clear();
        said = why;
        showMessages();
    };
    qobject_cast<CControlFormView*>(controlPane())
        ->OnInitialUpdate({this, &m_model, &protocol(), &m_files,
                           [this] { return navigationPane(); }, [this] { return studioListPane(); },
                           &m_actions});
    qobject_cast<CStudioListFormView*>(studioListPane())->setActions(&m_actions);
    qobject_cast<CNavigationFormView*>(navigationPane())->setActions(&m_actions);
    m_watch = new RadioWatch(*this);
    m_editHistory = new EditHistory(*this, m_history, editMenu(), viewMenu());
    m_menus->addSendAgain();
    createToolsMenu();
    createDeskCommands();
    m_remote = new PhoneRemote(*this, m_model, m_radio, m_actions, m_menus->tools());
    connect(m_remote, &PhoneRemote::statusChanged, this, &CMainFrame::showMessages);
    connect(&m_actions, &OperatorActions::note, this, [this](const QString& text) {
        m_linkNote = text;
        showMessages();
    });
    if (m_options.remote) {
        if (!m_remote->startForRun(m_options.remoteEndpoint, &m_remoteProblem))
            m_remoteProblem =
                m_remoteProblem.isEmpty() ? QStringLiteral("cannot listen") : m_remoteProblem;
    } else {
        m_remote->startAsRemembered();
    }

    // Start values, then what Option.xml holds, then what this run was told.
    m_settings = ComSettings{};
    ReadOptionFile(&m_files, m_settings);
    if (!m_options.portOverride.isEmpty())
        m_settings.portName = m_options.portOverride;

    // Pane 0 says why the port will not open, and has its note back once it does.
    m_link.setReasonText([this](const QString& why) {
        m_portReason = why;
        showMessages();
    });
    m_link.setChanged([this](bool up) { linkChanged(up); });
    connect(&m_radio, &RadioLink::readerEnded, this, [this] { m_link.readerEnded(); });
    connect(&m_link, &LinkKeeper::upChanged, &m_remote->server(), &RemoteServer::linkChanged);
    // The first tick opens the port.
    m_link.start();
}

CMainFrame::~CMainFrame() {
    // The reader thread posts to this window and reads the port object: it goes first. Then
    // the panes, so that nothing can reach the model while the members are destroyed.
    delete m_remote; // it listens to the link and drives the actions
    m_remote = nullptr;
    m_radio.pending().setListener(nullptr);
    m_radio.close();
    m_radio.setTrafficLog(nullptr);
    delete m_watch;
    delete takeCentralWidget();
}

void CMainFrame::createBars() {
    m_toolBar = new CMainToolBar(this);
    addToolBar(Qt::TopToolBarArea, m_toolBar);
    m_toolBar->applyFlags(m_flags);
    connect(m_toolBar->command(Msg::CMD_LOAD), &QAction::triggered, this, &CMainFrame::OnLoad);
    connect(m_toolBar->command(Msg::CMD_SAVE), &QAction::triggered, this, &CMainFrame::OnSave);
    connect(m_toolBar->command(Msg::CMD_SCAN), &QAction::triggered, this, &CMainFrame::OnScan);
    connect(m_toolBar->command(Msg::CMD_NAME), &QAction::triggered, this, &CMainFrame::OnName);
    connect(m_toolBar->command(Msg::CMD_COM), &QAction::triggered, this, &CMainFrame::OnCom);
    m_menus = new MainMenus(*this);

    // Pane 0 gives way to the toolbar's prompts while the mouse is on a button.
    m_note = m_options.statusNote.isEmpty() ? QStringLiteral(" ") : m_options.statusNote;
    m_messagePane = new MessagePane(m_note, this);
    m_linkPane = new StatusPane(QStringLiteral("Radio link"), LinkKeeper::disconnectedText(), this);
    m_linkPane->setFixedWidth(kLinkPaneWidth);
    statusBar()->setAccessibleName(QStringLiteral("Status bar"));
    statusBar()->addWidget(m_messagePane);
    statusBar()->addPermanentWidget(m_linkPane);
}

void CMainFrame::createPanes() {
    m_outer = new CStrobeSplitterWnd(this);
    m_inner = new CStrobeSplitterWnd(m_outer);
    auto* studioList = new CStudioListFormView(m_inner);
    m_inner->addWidget(studioList);
    m_inner->addWidget(new CControlFormView(m_inner));
    m_outer->addWidget(m_inner);
    m_outer->addWidget(new CNavigationFormView(
        &m_model, [this] { return controlPane(); }, m_outer));
    // A screen narrower than the first-start window (small, or magnified) leaves the panel its
    // width, which it cannot scroll, and takes the shortfall from the tree and the grid alike.
    const int narrower = std::max(0, kMinimumWidth - width());
    const int tree = std::max(100, 200 - narrower * 200 / 475);
    const int grid = std::max(100, 275 - narrower * 275 / 475);
    m_outer->SetColumnInfo(0, tree + 325, 100);
    m_outer->SetColumnInfo(1, grid, 100);
    m_inner->SetColumnInfo(0, tree, 100);
    m_inner->SetColumnInfo(1, 325, 100);
    setCentralWidget(m_outer);
    studioList->OnInitialUpdate(&m_model, this, navigationPane());
}

void CMainFrame::watchConfirmations() {
    PendingValues& book = m_radio.pending();
    book.setTimeout(confirmTimeout());
    book.setListener([this](int studio, int channel) {
        // Pane 0 names the head that last failed to confirm, until none is left.
        showMessages();
        m_menus->refreshSendAgain();
        const StudioData* owner = m_model.StudioByNumber(studio);
        // Relayed as a change that stores nothing: the panes redraw just the cue.
        if (StrobeData* unit = owner != nullptr ? owner->UnitOn(channel) : nullptr)
            SendMessage(this, Msg::FrameUnitSetting, CHANGE_NONE, AsLParam(unit));
    });
}

void CMainFrame::createToolsMenu() {
    m_checkHeads = m_menus->tools()->addAction(QStringLiteral("Check heads"));
    m_checkHeads->setShortcut(KeyOf(Command::CheckHeads));
    m_checkHeads->setShortcutContext(Qt::WindowShortcut);
    m_checkHeads->setToolTip(TipWithKey(m_checkHeads->text(), Command::CheckHeads));
    m_checkHeads->setStatusTip(QStringLiteral("Ask every head of the scanned studio to report"));
    addAction(m_checkHeads); // its key works while the menu is closed
    connect(m_checkHeads, &QAction::triggered, this, &CMainFrame::OnCheckHeads);
    m_checkTimer.setSingleShot(true);
    connect(&m_checkTimer, &QTimer::timeout, this, &CMainFrame::checkFinished);
}

void CMainFrame::createDeskCommands() {
    // Ctrl+S works while the toolbar's Save waits for a typed name: it asks for one.
    QAction* toolbarSave = m_toolBar->command(Msg::CMD_SAVE);
    toolbarSave->setShortcut({});
    auto* saveKey = new QAction(toolbarSave->icon(), toolbarSave->text(), this);
    saveKey->setShortcut(KeyOf(Command::Save));
    saveKey->setShortcutContext(Qt::WindowShortcut);
    saveKey->setToolTip(toolbarSave->toolTip());
    saveKey->setStatusTip(toolbarSave->statusTip());
    addAction(saveKey);
    m_menus->file()->insertAction(toolbarSave, saveKey);
    m_menus->file()->removeAction(toolbarSave);
    connect(saveKey, &QAction::triggered, this, &CMainFrame::OnSaveKey);

    m_testAll = m_menus->tools()->addAction(QStringLiteral("Test all heads"));
    m_testAll->setShortcut(KeyOf(Command::TestAll));
    m_testAll->setShortcutContext(Qt::WindowShortcut);
    m_testAll->setToolTip(TipWithKey(m_testAll->text(), Command::TestAll));
    m_testAll->setStatusTip(
        QStringLiteral("Fire every head of the scanned studio in turn, half a second apart"));
    addAction(m_testAll);
    connect(m_testAll, &QAction::triggered, this, [this] {
        if (m_model.pScanStudio == nullptr) {
            m_linkNote = QStringLiteral("Test all heads: no studio has been scanned");
            showMessages();
            return;
        }
        m_actions.testAll(*m_model.pScanStudio);
    });

    // Keep ratios stays as the photographer left it.
    QCheckBox* keep = qobject_cast<CControlFormView*>(controlPane())->keepRatiosBox();
    keep->setChecked(m_remembered.value(QStringLiteral("Panels/keepRatios"), false).toBool());
    connect(keep, &QCheckBox::toggled, this,
            [this](bool on) { m_remembered.setValue(QStringLiteral("Panels/keepRatios"), on); });

    m_lock = m_menus->view()->addAction(QStringLiteral("Lock the desk"));
    m_lock->setCheckable(true);
    m_lock->setShortcut(KeyOf(Command::Lock));
    m_lock->setShortcutContext(Qt::WindowShortcut);
    m_lock->setToolTip(TipWithKey(m_lock->text(), Command::Lock));
    m_lock->setStatusTip(QStringLiteral("No control changes a head until the desk is unlocked"));
    addAction(m_lock);
    m_lockPane = new StatusPane(QStringLiteral("Desk lock"), QString(), this);
    statusBar()->addPermanentWidget(m_lockPane);
    connect(m_lock, &QAction::toggled, &m_actions, &OperatorActions::setLocked);
    connect(&m_actions, &OperatorActions::lockChanged, this, &CMainFrame::showLock);
    m_actions.setLocked(m_remembered.value(QStringLiteral("Desk/locked"), false).toBool());
    showLock(m_actions.locked());
}

void CMainFrame::showLock(bool locked) {
    m_lock->setChecked(locked);
    m_remembered.setValue(QStringLiteral("Desk/locked"), locked);
    m_lockPane->setText(locked ? QStringLiteral("Desk locked") : QString());
    m_lockPane->setToolTip(locked ? OperatorActions::lockedText() : QString());
    m_lockPane->setAccessibleDescription(locked ? OperatorActions::lockedText()
                                                : QStringLiteral("The desk is not locked"));
    m_lockPane->setVisible(locked);
}

QString CMainFrame::OnOpenSetup() {
    const QString path =
        ChooseFile(FileChoice{FileChoice::Open, this, QStringLiteral("Open set-up"),
                              QStringLiteral("Set-ups (*.xml);;All files (*)")});
    if (path.isEmpty())
        return {};
    const QString name = QFileInfo(path).completeBaseName();
    // Checked aside first: a file the reader refuses is never copied in.
    StudioModel scratch;
    XmlFileContext files{&scratch, nullptr, nullptr};
    QString why;
    if (!MemoryNameProblem(name).isEmpty() || MemoryFilePath(name).isEmpty())
        why = QStringLiteral("%1: not a name a set-up can have").arg(QFileInfo(path).fileName());
    else if (!CanReadRegularFile(path) || !ReadSetupFileAt(&files, path, &why))
        why = why.isEmpty() ? QFileInfo(path).fileName() + QStringLiteral(": cannot be read") : why;
    if (!why.isEmpty()) {
        m_linkNote = QStringLiteral("Not opened: ") + why;
        showMessages();
        ShowMessageBox(QStringLiteral("Fail to open file"));
        return {};
    }
    const QString target = MemoryFilePath(name);
    if (QFileInfo(target).absoluteFilePath() != QFileInfo(path).absoluteFilePath()) {
        if (QFileInfo::exists(target) &&
            ShowMessageBox(QStringLiteral("A set-up named \"%1\" exists. Replace it?").arg(name),
                           QStringLiteral("Business Memory"), MessageButtons::OkCancel,
                           this) != IDOK)
            return {};
        QDir().mkpath(QFileInfo(target).path());
        QByteArray bytes;
        if (!ReadRegularFile(path, kMaxXmlFileBytes, bytes) ||
            !SaveWholeFile(target, bytes, FileLinks::Refuse)) {
            m_linkNote = QStringLiteral("Not opened: %1 could not be copied into %2")
                             .arg(QFileInfo(path).fileName(), QString::fromLatin1(kMemoryFolder));
            showMessages();
            ShowMessageBox(QStringLiteral("Fail to save file"));
            return {};
        }
    }
    m_model.news.tellSetupsChanged();
    qobject_cast<CControlFormView*>(controlPane())->previewSetup(name);
    m_linkNote = QStringLiteral("Set-up \"%1\" opened: Load (Ctrl+L) applies it").arg(name);
    showMessages();
    return path;
}

void CMainFrame::showRefusal(const QString& why) {
    m_refusal = why;
    m_refusalWatch.start();
    showMessages();
}

void CMainFrame::showMessages() {
    QStringList parts;
    const PendingValues& book = m_radio.pending();
    for (const QString& part :
         {m_refusal, m_portReason, m_linkNote, book.unsentText(), book.unconfirmedText()}) {
        if (!part.isEmpty())
            parts << part;
    }
    QString text = parts.isEmpty() ? m_note : parts.join(QStringLiteral("; "));
    // Phones may be driving the heads: that stays in sight while it runs.
    if (const QString remote = m_remote != nullptr ? m_remote->statusText() : QString();
        !remote.isEmpty()) {
        text = text.isEmpty() ? remote : text + QStringLiteral("; ") + remote;
        parts << remote;
    }
    m_messagePane->setText(text);
}

void CMainFrame::linkChanged(bool up) {
    if (up) {
        // The link keeps the scanned studio addressed across a replug.
        const StudioData* scanned = m_model.pScanStudio;
        m_linkNote =
            scanned != nullptr && m_model.pAddressedStudio == scanned
                ? QStringLiteral("Link restored: %1 selected again").arg(scanned->sStudioName)
                : QString();
    } else {
        m_linkNote.clear();
        m_checkTimer.stop(); // nobody could answer: the check proves nothing
        if (CWaitingDlg* box = m_scanBox.data()) {
            m_scanCut = true;
            box->reject();
        }
    }
    m_menus->refreshSendAgain();
    showMessages();
}

void CMainFrame::OnCheckHeads() {
    if (m_model.pScanStudio == nullptr) {
        m_linkNote = QStringLiteral("Check heads: no studio has been scanned");
    } else if (!m_radio.isConnected()) {
        m_linkNote = QStringLiteral("Check heads: the link is down");
    } else if (const StudioData* studio = m_radio.checkHeads()) {
        m_linkNote = QStringLiteral("Checking %1").arg(studio->sStudioName);
        m_checkTimer.start(CWaitingDlg::kTickLimit * m_scanTickMs);
    }
    showMessages();
}

void CMainFrame::checkFinished() {
    const StudioData* studio = m_model.pScanStudio;
    if (studio == nullptr)
        return;
    const std::vector<int> missed = m_radio.finishCheck();
    QStringList names;
    for (int channel : missed) {
        if (const StrobeData* unit = studio->UnitOn(channel))
            names << unit->sChName;
    }
    QStringList results;
    if (!names.isEmpty())
        results << QStringLiteral("%1 did not answer").arg(names.join(QStringLiteral(", ")));
    // An answer proves the head is there, not that it took what it was sent.
    for (int channel = 0; channel < kChannelCount; ++channel) {
        const StrobeData* unit = studio->UnitOn(channel);
        if (unit == nullptr || std::find(missed.begin(), missed.end(), channel) != missed.end())
            continue;
        const QStringList values =
            m_radio.pending().valuesIn(studio->nStudioNum, channel, Confirmation::Unconfirmed);
        if (!values.isEmpty())
            results << QStringLiteral("%1 answered, %2 still unconfirmed")
                           .arg(unit->sChName, values.join(QStringLiteral(", ")));
    }
    if (results.isEmpty())
        results << QStringLiteral("every head answered");
    m_linkNote = QStringLiteral("Check of %1: %2")
                     .arg(studio->sStudioName, results.join(QStringLiteral("; ")));
    showMessages();
}

QMenu* CMainFrame::editMenu() const {
    return m_menus->edit();
}

QMenu* CMainFrame::viewMenu() const {
    return m_menus->view();
}

QWidget* CMainFrame::studioListPane() const {
    return m_inner->GetPane(0, 0);
}

QWidget* CMainFrame::controlPane() const {
    return m_inner->GetPane(0, 1);
}

QWidget* CMainFrame::navigationPane() const {
    return m_outer->GetPane(0, 1);
}

int CMainFrame::commandFlag(int command) const {
    if (command < 0 || command >= kFrameCommandCount)
        return 0;
    return m_flags[std::size_t(command)];
}

QString CMainFrame::paneText(int pane) const {
    if (pane == 0)
        return m_messagePane->text();
    if (pane == 1)
        return m_linkPane->text();
    if (pane == 2)
        return m_watch->headsPane()->text();
    return {};
}

void CMainFrame::setCommandFlag(qintptr command, qintptr value) {
    if (command < 0 || command >= kFrameCommandCount)
        return;
    m_flags[std::size_t(command)] = int(value);
    m_toolBar->applyFlags(m_flags);
}

void CMainFrame::OnLoad() {
    SendMessage(controlPane(), Msg::CtrlLoadCommand);
}

void CMainFrame::OnSave() {
    SendMessage(controlPane(), Msg::CtrlSaveCommand);
}

void CMainFrame::OnSaveKey() {
    auto* panel = qobject_cast<CControlFormView*>(controlPane());
    if (panel != nullptr && panel->setupName().trimmed().isEmpty()) {
        // An empty box would store the set-up as ".xml": ask for its name first.
        QInputDialog ask(this);
        ask.setWindowTitle(QStringLiteral("Business Memory"));
        ask.setLabelText(QStringLiteral("Save the current studio as the set-up named:"));
        ask.setAccessibleName(QStringLiteral("Set-up name"));
        if (RunModal(ask) != QDialog::Accepted || ask.textValue().trimmed().isEmpty())
            return;
        panel->setSetupName(ask.textValue().trimmed());
    }
    OnSave();
}

void CMainFrame::OnName() {
    SendMessage(studioListPane(), Msg::ListNameCommand);
}

void CMainFrame::OnScan() {
    // A scan empties the studio: a locked desk keeps its heads.
    if (!m_actions.mayChange())
        return;
    const StudioData* studio = StudioOfNode(m_model.pCurNode);
    // Its records are made anew: what was done to the old ones cannot be undone on them.
    if (studio != nullptr && shownStudioNumber(m_model, studio) >= 0)
        m_history.forgetStudio(studio->nStudioNum);
    m_checkTimer.stop(); // the scan starts the studio afresh
    m_scanCut = !m_radio.isConnected();
    m_linkNote.clear();
    if (RunChannelScan(m_radio, studioListPane(), this, m_scanTickMs, &m_scanBox) == 1 &&
        m_scanCut && studio != nullptr)
        m_linkNote = QStringLiteral("Scan of %1 cut short: link lost").arg(studio->sStudioName);
    m_scanBox = nullptr;
    m_scanCut = false;
    showMessages();
}

void CMainFrame::OnCom() {
    QList<SerialPortEntry> ports = ListSerialPorts();
    ports += m_options.extraPorts;
    CComSettingDlg dialog(m_settings, ports, this);
    m_link.suspendForSettings();
    const bool accepted = RunModal(dialog) == QDialog::Accepted;
    m_link.resumeAfterSettings(accepted);
    // Saved even when the port could not be opened: the next start reads it.
    if (accepted)
        WriteOptionFile(&m_files, m_settings);
}

void CMainFrame::customEvent(QEvent* event) {
    WindowMessage* message = AsWindowMessage(event);
    if (message == nullptr)
        return QMainWindow::customEvent(event);
    switch (message->number()) {
    case Msg::FrameEnableCommand:
        setCommandFlag(message->wParam(), message->lParam());
        message->setResult(0);
        break;
    case Msg::FrameNewUnit:
    case Msg::FrameUnitStatus:
    case Msg::FrameUnitSetting:
        RelayUnitEvent(m_model, *message,
                       PaneSet{studioListPane(), controlPane(), navigationPane()});
        break;
    case Msg::FrameScanStudio:
        OnScan();
        break;
    default:
        QMainWindow::customEvent(event);
    }
}

} // namespace lumadesk
