#pragma once

#include "link/UnitSettingTable.h"

#include <span>

namespace lumadesk {

// What shows a head's state in its block of the grid: the power label under the name (both
// levels, or the lamp's OFF), the status cell (power off, overheat), or one of the icons.
enum class GridShows { PowerLabel, StatusCell, Icon };
enum class HeadIcon { Mode1, Mode2, Cell, Sound, Charge, Count };

// How the grid shows a setting of the settings table.
struct GridSetting {
    UnitCommandType command; // the settings table's row
    GridShows shows;
    HeadIcon icon; // when it shows as an icon
};

[[nodiscard]] std::span<const GridSetting> GridSettings();

// Null for a setting the grid does not show.
[[nodiscard]] const GridSetting* GridSettingOf(const UnitSetting& setting);

} // namespace lumadesk
