#include "platform/PortFailure.h"

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>

namespace lumadesk {

namespace {

QString groupName(gid_t gid) {
    const group* entry = ::getgrgid(gid);
    return entry != nullptr ? QString::fromLocal8Bit(entry->gr_name) : QString::number(gid);
}

QString userName(uid_t uid) {
    const passwd* entry = ::getpwuid(uid);
    return entry != nullptr ? QString::fromLocal8Bit(entry->pw_name) : QString::number(uid);
}

QString deniedReason(const QString& devicePath) {
    struct stat node {};
    if (devicePath.isEmpty() || ::stat(devicePath.toLocal8Bit().constData(), &node) != 0)
        return QStringLiteral("no permission");
    // Joining a group helps only when the group may read and write; root's group never.
    const mode_t groupReadWrite = S_IRGRP | S_IWGRP;
    if (node.st_gid != 0 && (node.st_mode & groupReadWrite) == groupReadWrite) {
        const QString group = groupName(node.st_gid);
        return QStringLiteral("no permission; group \"%1\" may use it: sudo usermod -aG %1 "
                              "$USER, then log in again")
            .arg(group);
    }
    return QStringLiteral("no permission (%1:%2, mode %3)")
        .arg(userName(node.st_uid), groupName(node.st_gid))
        .arg(node.st_mode & 07777, 4, 8, QLatin1Char('0'));
}

} // namespace

PortFault PortFaultOf(int error) {
    switch (error) {
    case 0:
        return PortFault::None;
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return PortFault::Missing;
    case EBUSY:
        return PortFault::Busy;
    case EACCES:
    case EPERM:
        return PortFault::Denied;
    default:
        return PortFault::Other;
    }
}

QString PortFailureReason(int error, const QString& devicePath) {
    if (devicePath.isEmpty())
        return QStringLiteral("No port is chosen");
    switch (PortFaultOf(error)) {
    case PortFault::None:
        return {};
    case PortFault::Missing:
        return QStringLiteral("does not exist (is the dongle plugged in?)");
    case PortFault::Busy:
        return QStringLiteral("is held by another program");
    case PortFault::Denied:
        return deniedReason(devicePath);
    case PortFault::Other:
        break;
    }
    return QString::fromLocal8Bit(std::strerror(error));
}

QString PortFailureText(int error, const QString& devicePath) {
    const QString reason = PortFailureReason(error, devicePath);
    return devicePath.isEmpty() ? reason : devicePath + QStringLiteral(": ") + reason;
}

} // namespace lumadesk
