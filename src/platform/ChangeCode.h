#pragma once

namespace lumadesk {

// Which setting of a unit changed: the wParam of the unit-setting messages (72, 23, 25, 32).
enum ChangeCode : int {
    CHANGE_NONE = -1, // nothing stored: a level out of range, or the test echo
    CHANGE_FLASH_LEVEL = 0,
    CHANGE_FLASH_CELL = 1,
    CHANGE_FLASH_SOUND = 2,
    CHANGE_FLASH_POWER = 4,
    CHANGE_MODEL_LEVEL = 5,
    CHANGE_MODEL_MODE1 = 6,
    CHANGE_MODEL_MODE2 = 7,
    CHANGE_MODEL_POWER = 8,
    CHANGE_CHARGE = 9,
    CHANGE_HEAT = 10,
};

} // namespace lumadesk
