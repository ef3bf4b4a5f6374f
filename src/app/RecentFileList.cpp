#include "app/RecentFileList.h"

#include <QFileInfo>
#include <QSettings>

namespace lumadesk {

namespace {

const QString kGroup = QStringLiteral("Recent File List");

QString entryKey(int i) {
    return QStringLiteral("File%1").arg(i + 1);
}

} // namespace

RecentFileList::RecentFileList(const QString& organization, const QString& application)
    : m_organization(organization), m_application(application) {
    QSettings settings(m_organization, m_application);
    settings.beginGroup(kGroup);
    for (int i = 0; i < kSize; ++i) {
        const QString path = settings.value(entryKey(i)).toString();
        if (!path.isEmpty())
            m_files.append(path);
    }
}

void RecentFileList::add(const QString& path) {
    if (path.isEmpty())
        return;
    const QString full = QFileInfo(path).absoluteFilePath();
    m_files.removeAll(full);
    m_files.prepend(full);
    while (m_files.size() > kSize)
        m_files.removeLast();
    store();
}

void RecentFileList::store() const {
    QSettings settings(m_organization, m_application);
    settings.beginGroup(kGroup);
    for (int i = 0; i < kSize; ++i) {
        if (i < m_files.size())
            settings.setValue(entryKey(i), m_files.at(i));
        else
            settings.remove(entryKey(i));
    }
}

} // namespace lumadesk
