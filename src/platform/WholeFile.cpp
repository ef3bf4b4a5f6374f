#include "platform/WholeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumadesk {

namespace {

constexpr int kLeftoverLetters = 6;
constexpr char kLeftoverMark[] = ".lumadesk-";
constexpr qsizetype kMaxNameBytes = 255; // NAME_MAX of the usual file systems
constexpr int kMaxLinkHops = 40;         // as the kernel's own limit

int openRetrying(const QByteArray& name, int flags, mode_t mode = 0) {
    int fd = -1;
    do
        fd = ::open(name.constData(), flags, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

// The descriptor of the file opened for reading, or -1; a FIFO put in its place after the check
// is refused rather than waited on.
int openRegular(const QString& path, FileLinks links, struct stat& info) {
    const QByteArray name = QFile::encodeName(path);
    const bool follow = links == FileLinks::Follow;
    if (name.isEmpty() ||
        (follow ? ::stat(name.constData(), &info) : ::lstat(name.constData(), &info)) != 0 ||
        !S_ISREG(info.st_mode))
        return -1;
    const int fd = openRetrying(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY |
                                          (follow ? 0 : O_NOFOLLOW));
    if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Where the bytes go: the name itself, or with FileLinks::Follow the end of its links. Empty
// when a link is refused or the links go round.
QString finalName(const QString& path, FileLinks links) {
    QString name = path;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        const QFileInfo info(name);
        if (!info.isSymLink())
            return name;
        if (links == FileLinks::Replace)
            return name;
        if (links == FileLinks::Refuse)
            return {};
        name = info.symLinkTarget();
    }
    return {};
}

// ".name.lumadesk-" for a temporary file beside name, with the folder in front. A name so long
// that the temporary one would not fit is cut, at a character's start.
QByteArray leftoverStem(const QByteArray& name) {
    const qsizetype slash = name.lastIndexOf('/');
    QByteArray base = name.mid(slash + 1);
    const qsizetype room =
        kMaxNameBytes - 1 - qsizetype(sizeof kLeftoverMark - 1) - kLeftoverLetters;
    if (base.size() > room) {
        qsizetype cut = room;
        while (cut > 0 && (uchar(base[cut]) & 0xC0) == 0x80)
            --cut;
        base.truncate(cut);
    }
    return name.left(slash + 1) + '.' + base + kLeftoverMark;
}

bool writeAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace

bool ReadRegularFile(const QString& path, qint64 maxBytes, QByteArray& bytes, FileLinks links) {
    struct stat info {};
    const int fd = openRegular(path, links, info);
    if (fd < 0)
        return false;
    const auto closeFd = qScopeGuard([fd] { ::close(fd); });
    if (info.st_size > maxBytes)
        return false;
    // The file may grow while it is read: one byte past the limit is enough to tell.
    bytes.resize(qsizetype(info.st_size) + 1);
    qsizetype total = 0;
    for (;;) {
        if (total == bytes.size()) {
            if (total > maxBytes)
                return false;
            bytes.resize(qsizetype(std::min<qint64>(2 * total, maxBytes + 1)));
        }
        const ssize_t n = ::read(fd, bytes.data() + total, std::size_t(bytes.size() - total));
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        total += n;
    }
    bytes.truncate(total);
    return true;
}

bool CanReadRegularFile(const QString& path) {
    struct stat info {};
    const int fd = openRegular(path, FileLinks::Follow, info);
    if (fd >= 0)
        ::close(fd);
    return fd >= 0;
}

bool SaveWholeFile(const QString& path, const QByteArray& bytes, FileLinks links) {
    const QString target = finalName(path, links);
    const QByteArray name = QFile::encodeName(target);
    if (name.isEmpty())
        return false;
    struct stat earlier {};
    const bool found = ::lstat(name.constData(), &earlier) == 0;
    if (!found && errno != ENOENT)
        return false;
    // A link left at the name (FileLinks::Replace) is replaced; its target is never opened.
    const bool replaces = found && !S_ISLNK(earlier.st_mode);
    if (replaces && !S_ISREG(earlier.st_mode))
        return false;

    // A new name beside the file, so the rename stays within one file system and one folder.
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    const QByteArray stem = leftoverStem(name);
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = stem;
        for (int i = 0; i < kLeftoverLetters; ++i)
            temporary += kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters) - 1)];
        fd = openRetrying(temporary, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                          replaces ? earlier.st_mode & 07777 : 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;
    // Held until the rename, so a listing never takes a slow save's file for a killed one's. The
    // lock lives on a second descriptor: the close below must still report a late write error.
    const int held = ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? ::fcntl(fd, F_DUPFD_CLOEXEC, 0) : -1;
    const auto release = qScopeGuard([held] {
        if (held >= 0)
            ::close(held);
    });
    bool whole = writeAll(fd, bytes) && (!replaces || ::fchmod(fd, earlier.st_mode & 07777) == 0);
    // A full disk may show only here, or at the close; either way the earlier file stays.
    whole = ::fdatasync(fd) == 0 && whole;
    whole = ::close(fd) == 0 && whole;
    if (whole && ::rename(temporary.constData(), name.constData()) == 0)
        return true;
    ::unlink(temporary.constData());
    return false;
}

bool IsSaveLeftover(const QString& fileName) {
    const QLatin1String mark(kLeftoverMark);
    const qsizetype at = fileName.size() - kLeftoverLetters - mark.size();
    if (at < 2 || !fileName.startsWith(u'.') || QStringView(fileName).mid(at, mark.size()) != mark)
        return false;
    for (qsizetype i = at + mark.size(); i < fileName.size(); ++i) {
        const char16_t c = fileName[i].unicode();
        if (!((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')))
            return false;
    }
    return true;
}

bool RemoveSaveLeftover(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    const int fd = openRetrying(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW);
    if (fd < 0)
        return false;
    const auto closeFd = qScopeGuard([fd] { ::close(fd); });
    struct stat opened {};
    struct stat named {};
    // A save under way holds the lock; the name must still be the file that was locked.
    return ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
           ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::lstat(name.constData(), &named) == 0 &&
           named.st_dev == opened.st_dev && named.st_ino == opened.st_ino &&
           ::unlink(name.constData()) == 0;
}

} // namespace lumadesk
