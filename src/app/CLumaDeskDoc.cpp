#include "app/CLumaDeskDoc.h"

#include "app/RecentFileList.h"

#include <QFileInfo>

namespace lumadesk {

void CLumaDeskDoc::OnFileNew() {
    m_pathName.clear();
}

void CLumaDeskDoc::opened(const QString& path) {
    m_pathName = QFileInfo(path).absoluteFilePath();
    m_recent.add(m_pathName);
}

} // namespace lumadesk
