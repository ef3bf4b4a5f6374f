#pragma once

#include <QString>

namespace lumadesk::sim {

// A symbolic link that follows the simulated device end, so the console can be given one fixed
// path across replugs. An existing file or link at the path is replaced; on removal the link
// is only taken away while it still points where we put it.
class DeviceLink {
public:
    explicit DeviceLink(const QString& path = {}) : m_path(path) {}
    ~DeviceLink() { remove(); }
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    bool isEnabled() const { return !m_path.isEmpty(); }
    QString path() const { return m_path; }

    // Makes the path point at target in one step (a new link renamed over the old one). On
    // failure `error` says why.
    bool pointTo(const QString& target, QString& error);
    void remove();

private:
    QString m_path;
    QString m_target;
};

} // namespace lumadesk::sim
