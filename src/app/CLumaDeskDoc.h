#pragma once

#include <QString>

namespace lumadesk {

class RecentFileList;

// The document of the single-document shell. It holds no data: the studios live in the main
// frame's model and the stored set-ups in their own files. It names the last set-up file opened
// from elsewhere (Ctrl+O) and keeps the recent-file list; it never writes a file.
class CLumaDeskDoc {
public:
    explicit CLumaDeskDoc(RecentFileList& recent) : m_recent(recent) {}

    QString pathName() const { return m_pathName; }

    // Forgets the name; the model is left as it is and nothing is written.
    void OnFileNew();
    // A set-up file was opened from this path.
    void opened(const QString& path);

private:
    RecentFileList& m_recent;
    QString m_pathName;
};

} // namespace lumadesk
