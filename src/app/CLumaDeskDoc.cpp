#include "app/CLumaDeskDoc.h"

#include "app/DialogSeams.h"
#include "app/RecentFileList.h"
#include "platform/MessageBox.h"
#include "platform/WholeFile.h"

#include <QFile>
#include <QFileInfo>

namespace lumadesk {

namespace {
const QString kFilter = QStringLiteral("All files (*)");
}

void CLumaDeskDoc::OnFileNew() {
    m_pathName.clear();
}

int CLumaDeskDoc::OnFileOpen(QWidget* parent) {
    const QString path =
        ChooseFile(FileChoice{FileChoice::Open, parent, QStringLiteral("Open"), kFilter});
    if (path.isEmpty())
        return 0;
    // By the set-ups' rule: a FIFO chosen here would otherwise hold the window until written to.
    if (!CanReadRegularFile(path)) {
        ShowMessageBox(QStringLiteral("Fail to open file"));
        return 0;
    }
    m_pathName = QFileInfo(path).absoluteFilePath();
    m_recent.add(m_pathName);
    return 1;
}

int CLumaDeskDoc::OnFileSave(QWidget* parent) {
    QString path = m_pathName;
    if (path.isEmpty())
        path = ChooseFile(FileChoice{FileChoice::Save, parent, QStringLiteral("Save As"), kFilter});
    if (path.isEmpty())
        return 0;
    QFile file(path);
    if (!file.exists() && !file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        ShowMessageBox(QStringLiteral("Fail to save file"));
        return 0;
    }
    m_pathName = QFileInfo(path).absoluteFilePath();
    m_recent.add(m_pathName);
    return 1;
}

} // namespace lumadesk
