#include "ui/UiResources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void registerResources() {
    Q_INIT_RESOURCE(lumadesk);
}

namespace lumadesk {

void InitUiResources() {
    static const bool registered = (registerResources(), true);
    (void)registered;
}

} // namespace lumadesk
