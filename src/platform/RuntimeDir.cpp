#include "platform/RuntimeDir.h"

#include <cstdlib>
#include <unistd.h>

namespace lumadesk {

QByteArray EnsureRuntimeDir() {
    const char* current = std::getenv("XDG_RUNTIME_DIR");
    if (current != nullptr && *current != '\0')
        return {};
    const char* tmp = std::getenv("TMPDIR");
    QByteArray pattern((tmp != nullptr && *tmp != '\0') ? tmp : "/tmp");
    pattern += "/lumadesk-runtime-XXXXXX";
    // mkdtemp creates the directory with mode 0700.
    if (::mkdtemp(pattern.data()) == nullptr)
        return {};
    ::setenv("XDG_RUNTIME_DIR", pattern.constData(), 1);
    return pattern;
}

void RemoveRuntimeDir(const QByteArray& directory) {
    if (!directory.isEmpty())
        ::rmdir(directory.constData());
}

} // namespace lumadesk
