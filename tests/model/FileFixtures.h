#pragma once

#include "support/WorkingDirectory.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <csignal>
#include <sys/resource.h>

namespace lumadesk {

// While it lives, no file this process writes can grow past `bytes`: the write fails, for root
// too, which permission bits would not stop.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_previous);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_previous;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_previous{};
    void (*m_handler)(int) = nullptr;
};

inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Every entry below root, hidden ones too, as relative paths with the sizes of files.
inline QStringList treeOf(const QString& root) {
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        entries.append(QDir(root).relativeFilePath(it.filePath()) + ' ' +
                       (info.isDir() ? QStringLiteral("dir") : QString::number(info.size())));
    }
    entries.sort();
    return entries;
}

} // namespace lumadesk
