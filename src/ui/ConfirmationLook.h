#pragma once

#include "link/PendingValues.h"

#include <QColor>

namespace lumadesk {

// The one cue for a value the head has not confirmed, the same in the remote control panel's
// value fields and the grid's blocks: amber text while it is under way, red once its time ran
// out. A confirmed value keeps the colour its place always had.
inline QColor ConfirmationTextColor(Confirmation state, const QColor& confirmed) {
    switch (state) {
    case Confirmation::Pending:
        return QColor(0xFF, 0xA0, 0x00);
    case Confirmation::Unconfirmed:
        return QColor(0xE0, 0x20, 0x20);
    case Confirmation::Confirmed:
        break;
    }
    return confirmed;
}

} // namespace lumadesk
