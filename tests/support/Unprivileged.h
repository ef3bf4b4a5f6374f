#pragma once

#include <QString>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace lumadesk {

// While it lives, files are opened as "nobody" with no groups, so that permission checks bite
// when the tests run as root. Only the effective ids change (for every thread), so the saved
// root ids are the way back. A user other than root is unprivileged already.
class Unprivileged {
public:
    Unprivileged() {
        if (::geteuid() != 0)
            return;
        const passwd* nobody = ::getpwnam("nobody");
        if (nobody == nullptr)
            return;
        m_groups.resize(std::size_t(::getgroups(0, nullptr)));
        ::getgroups(int(m_groups.size()), m_groups.data());
        m_wasRoot = true;
        if (::setgroups(0, nullptr) != 0 || ::setegid(nobody->pw_gid) != 0 ||
            ::seteuid(nobody->pw_uid) != 0)
            restore();
    }
    ~Unprivileged() { restore(); }
    Unprivileged(const Unprivileged&) = delete;
    Unprivileged& operator=(const Unprivileged&) = delete;

    bool active() const { return ::geteuid() != 0; }

    // Gives a device node to root and the named group with that mode; needs root.
    static bool giveTo(const QString& path, const char* groupName, mode_t mode) {
        const group* entry = ::getgrnam(groupName);
        const QByteArray native = path.toLocal8Bit();
        return entry != nullptr && ::chown(native.constData(), 0, entry->gr_gid) == 0 &&
               ::chmod(native.constData(), mode) == 0;
    }

private:
    void restore() {
        if (!m_wasRoot)
            return;
        m_wasRoot = false;
        if (::seteuid(0) != 0 || ::setegid(0) != 0 ||
            ::setgroups(m_groups.size(), m_groups.data()) != 0)
            ::abort(); // every later test would run with the wrong rights
    }

    bool m_wasRoot = false;
    std::vector<gid_t> m_groups;
};

} // namespace lumadesk
