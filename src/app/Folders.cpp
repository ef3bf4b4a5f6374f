#include "app/Folders.h"

#include "app/CLumaDeskApp.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace lumadesk {

QString StandardDataFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/LumaDesk");
}

QString SettingsFolder() {
    const QSettings settings(CLumaDeskApp::settingsKey(), CLumaDeskApp::applicationName());
    return QFileInfo(settings.fileName()).absolutePath();
}

bool EnterDataFolder(const QString& folder, QString& error) {
    const QString path = QDir::cleanPath(QDir::current().absoluteFilePath(folder));
    const QFileInfo info(path);
    if (info.exists() && !info.isDir()) {
        error = QStringLiteral("%1 is not a folder").arg(path);
        return false;
    }
    if (!QDir().mkpath(path)) {
        error = QStringLiteral("cannot make the folder %1").arg(path);
        return false;
    }
    if (!QDir::setCurrent(path)) {
        error = QStringLiteral("cannot work in %1").arg(path);
        return false;
    }
    return true;
}

bool MoveOldSettings(const QString& oldOrganization, const QString& organization,
                     const QString& application) {
    const QString oldFile = QSettings(oldOrganization, application).fileName();
    const QString newFile = QSettings(organization, application).fileName();
    if (oldFile == newFile || !QFileInfo(oldFile).isFile() || QFileInfo::exists(newFile))
        return false;
    if (!QDir().mkpath(QFileInfo(newFile).absolutePath()))
        return false;
    if (!QFile::rename(oldFile, newFile)) {
        // Another file system: copy key by key, and drop the old file only once all is kept.
        const QSettings from(oldOrganization, application);
        QSettings to(organization, application);
        for (const QString& key : from.allKeys())
            to.setValue(key, from.value(key));
        to.sync();
        if (to.status() != QSettings::NoError || !QFile::remove(oldFile))
            return false;
    }
    // The old key's folder held only this file.
    QDir().rmdir(QFileInfo(oldFile).absolutePath());
    return true;
}

} // namespace lumadesk
