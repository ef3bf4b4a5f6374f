#pragma once

#include <QString>
#include <QStringList>

namespace lumadesk {

// The files last opened or saved, most recent first, kept in the user's settings under the
// console's settings key ("Recent File List", File1..File4).
class RecentFileList {
public:
    static constexpr int kSize = 4;

    RecentFileList(const QString& organization, const QString& application);

    QStringList files() const { return m_files; }

    // Puts the file first (once), drops what falls off the end and stores the list at once.
    void add(const QString& path);

private:
    void store() const;

    QString m_organization;
    QString m_application;
    QStringList m_files;
};

} // namespace lumadesk
