#include "sim/DeviceLink.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace lumadesk::sim {

bool DeviceLink::pointTo(const QString& target, QString& error) {
    if (m_path.isEmpty())
        return true;
    const QByteArray link = QFile::encodeName(m_path);
    const QByteArray fresh = link + ".new." + QByteArray::number(qint64(::getpid()));
    const QByteArray to = QFile::encodeName(target);
    ::unlink(fresh.constData());
    if (::symlink(to.constData(), fresh.constData()) != 0 ||
        ::rename(fresh.constData(), link.constData()) != 0) {
        const int code = errno;
        ::unlink(fresh.constData());
        error = QStringLiteral("cannot link %1 to %2: %3")
                    .arg(m_path, target, QString::fromLocal8Bit(std::strerror(code)));
        return false;
    }
    m_target = target;
    return true;
}

void DeviceLink::remove() {
    if (m_path.isEmpty() || m_target.isEmpty())
        return;
    const QByteArray link = QFile::encodeName(m_path);
    char buffer[4096];
    const ssize_t n = ::readlink(link.constData(), buffer, sizeof buffer);
    if (n > 0 && QByteArray(buffer, n) == QFile::encodeName(m_target))
        ::unlink(link.constData());
    m_target.clear();
}

} // namespace lumadesk::sim
