#pragma once

#include <QRect>

namespace lumadesk {

// Forms are laid out in dialog units, which scale with the form's font: a horizontal unit is a
// quarter of the font's average character width, a vertical unit an eighth of its height. Pure
// arithmetic on the font's measures, so every form of the program is placed the same way.

struct DialogBaseUnits {
    int x = 0; // average character width, pixels
    int y = 0; // font height, pixels
};

// The average width from the advance of the 52 letters "A".."Z" "a".."z", rounded as the
// dialog manager rounds it.
[[nodiscard]] DialogBaseUnits BaseUnitsFromMetrics(int alphabetAdvance, int fontHeight);

// Each edge is mapped on its own (rounded to the nearest pixel), so neighbouring controls meet
// exactly where their dialog-unit edges meet.
[[nodiscard]] QRect DialogRectToPixels(const QRect& dialogRect, DialogBaseUnits units);

[[nodiscard]] int DialogXToPixels(int x, DialogBaseUnits units);
[[nodiscard]] int DialogYToPixels(int y, DialogBaseUnits units);

} // namespace lumadesk
