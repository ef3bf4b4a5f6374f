#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QString>

namespace lumadesk {

// The build hands tests paths as seen from the test program's folder, so a test file compiles to
// the same object in every clone (tests/CMakeLists.txt, lumadesk_test_path).
inline QString fromTestProgram(const char* relative) {
    return QDir::cleanPath(
        QDir(QCoreApplication::applicationDirPath()).filePath(QString::fromUtf8(relative)));
}

} // namespace lumadesk
