#pragma once

#include "app/ShellOptions.h"
#include "platform/MessageBox.h"

#include <QObject>
#include <QString>
#include <memory>

namespace lumadesk {

class CLumaDeskDoc;
class CMainFrame;
class RecentFileList;

// Start-up of the console, once a QApplication exists: message boxes become real boxes, the
// recent-file list is read from the settings, the document and the one main frame are created
// and shown. Everything it made goes with it, the frame (and so the link) first. The window's
// layout is saved as the program quits, or when it goes without quitting.
class CLumaDeskApp : public QObject {
public:
    // The settings location: organisation and application of the user's settings file
    // (~/.config/LumaDesk/LumaDesk.conf).
    static QString settingsKey() { return QStringLiteral("LumaDesk"); }
    // Where earlier versions kept them; a file found there is moved once at start-up.
    static QString oldSettingsKey();
    static QString applicationName() { return QStringLiteral("LumaDesk"); }

    explicit CLumaDeskApp(ShellOptions options = {});
    ~CLumaDeskApp() override;
    CLumaDeskApp(const CLumaDeskApp&) = delete;
    CLumaDeskApp& operator=(const CLumaDeskApp&) = delete;

    // Shows the frame. The program runs only when this returns true.
    bool InitInstance();

    CMainFrame* frame() const { return m_frame.get(); }
    CLumaDeskDoc* document() const { return m_document.get(); }
    RecentFileList* recentFiles() const { return m_recent.get(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void saveLayout() const;

    ShellOptions m_options;
    MessageBoxHandler m_previousBoxes;
    bool m_boxesInstalled = false;
    bool m_layoutSavedAtQuit = false;
    std::unique_ptr<RecentFileList> m_recent;
    std::unique_ptr<CLumaDeskDoc> m_document;
    std::unique_ptr<CMainFrame> m_frame;
};

} // namespace lumadesk
