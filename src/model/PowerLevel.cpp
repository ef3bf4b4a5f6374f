#include "model/PowerLevel.h"

namespace lumadesk {

QString FormatPowerLevel(int level) {
    return QString::asprintf("%d.%d", level / 10, level % 10);
}

QString FormatPowerOffset(int offset) {
    if (offset < 0)
        return QString::asprintf("-%d.%d", -offset / 10, -offset % 10);
    return QString::asprintf("%d.%d", offset / 10, offset % 10);
}

} // namespace lumadesk
