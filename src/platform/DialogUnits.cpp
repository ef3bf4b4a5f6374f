#include "platform/DialogUnits.h"

#include <cmath>

namespace lumadesk {

namespace {

// a * b / c rounded half away from zero, without overflow for the sizes forms use.
int mulDiv(int a, int b, int c) {
    if (c == 0)
        return 0;
    return int(std::lround(double(a) * double(b) / double(c)));
}

} // namespace

DialogBaseUnits BaseUnitsFromMetrics(int alphabetAdvance, int fontHeight) {
    return DialogBaseUnits{(alphabetAdvance / 26 + 1) / 2, fontHeight};
}

int DialogXToPixels(int x, DialogBaseUnits units) {
    return mulDiv(x, units.x, 4);
}

int DialogYToPixels(int y, DialogBaseUnits units) {
    return mulDiv(y, units.y, 8);
}

QRect DialogRectToPixels(const QRect& dialogRect, DialogBaseUnits units) {
    const int left = DialogXToPixels(dialogRect.x(), units);
    const int top = DialogYToPixels(dialogRect.y(), units);
    const int right = DialogXToPixels(dialogRect.x() + dialogRect.width(), units);
    const int bottom = DialogYToPixels(dialogRect.y() + dialogRect.height(), units);
    return QRect(left, top, right - left, bottom - top);
}

} // namespace lumadesk
