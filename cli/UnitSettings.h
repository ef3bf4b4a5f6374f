#pragma once

#include "link/UnitSettingTable.h"

#include <QString>

namespace lumadesk::cli {

// The tool names the settings `set` changes, and their values, by the core's table.

// A level written "4.5" (or "4") in tenths, when it lies in 1.1..8.1; -1 otherwise.
int ParseLevel(const QString& text);

} // namespace lumadesk::cli
