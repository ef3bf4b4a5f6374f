#include "views/GridSettingTable.h"

namespace lumadesk {

namespace {

constexpr GridSetting kGridSettings[] = {
    {CMD_FLASH_LEVEL, GridShows::PowerLabel, HeadIcon::Count},
    {CMD_MODEL_LEVEL, GridShows::PowerLabel, HeadIcon::Count},
    {CMD_FLASH_CELL, GridShows::Icon, HeadIcon::Cell},
    {CMD_FLASH_SOUND, GridShows::Icon, HeadIcon::Sound},
    {CMD_FLASH_POWER, GridShows::StatusCell, HeadIcon::Count},
    {CMD_MODEL_POWER, GridShows::PowerLabel, HeadIcon::Count},
    {CMD_MODEL_MODE1, GridShows::Icon, HeadIcon::Mode1},
    {CMD_MODEL_MODE2, GridShows::Icon, HeadIcon::Mode2},
    {CMD_TEST_FLASH, GridShows::StatusCell, HeadIcon::Count},
};

} // namespace

std::span<const GridSetting> GridSettings() {
    return kGridSettings;
}

const GridSetting* GridSettingOf(const UnitSetting& setting) {
    for (const GridSetting& grid : kGridSettings) {
        if (grid.command == setting.commandType)
            return &grid;
    }
    return nullptr;
}

} // namespace lumadesk
