#pragma once

#include <QStandardPaths>
#include <QTemporaryDir>

namespace lumadesk {

// Test mode alone puts every test program's settings in one file under the home folder, so
// programs running side by side would read each other's remembered window layout. Each gets a
// home of its own for the length of the run.
inline void UsePrivateSettings() {
    static QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    QStandardPaths::setTestModeEnabled(true);
}

} // namespace lumadesk
