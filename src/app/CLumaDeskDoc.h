#pragma once

#include <QString>

class QWidget;

namespace lumadesk {

class RecentFileList;

// The document of the single-document shell. It holds no data: the studios live in the main
// frame's model and the stored set-ups in their own files. New, open and save only give it a
// name and keep the recent-file list.
class CLumaDeskDoc {
public:
    explicit CLumaDeskDoc(RecentFileList& recent) : m_recent(recent) {}

    QString pathName() const { return m_pathName; }

    // Forgets the name; the model is left as it is.
    void OnFileNew();
    // Asks for a file; 1 when one was chosen and is a regular file that can be read (nothing is
    // taken from it). A FIFO or a device is refused without being waited on.
    int OnFileOpen(QWidget* parent);
    // Asks for a name the first time; 1 when the file exists afterwards. An existing file is
    // never truncated, since the document has nothing to put in it.
    int OnFileSave(QWidget* parent);

private:
    RecentFileList& m_recent;
    QString m_pathName;
};

} // namespace lumadesk
