#pragma once

#include <QByteArray>

namespace lumadesk {

// Qt warns at start-up when XDG_RUNTIME_DIR is unset (a bare X server, a service, ssh). Call
// this before the application object: when the variable is unset it creates a private (0700)
// directory under the temporary folder and sets the variable to it. Returns the directory
// created, or an empty array when the variable was already set or nothing could be created.
QByteArray EnsureRuntimeDir();

// Removes a directory that EnsureRuntimeDir created, if it is empty by then.
void RemoveRuntimeDir(const QByteArray& directory);

} // namespace lumadesk
