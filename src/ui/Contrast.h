#pragma once

#include <QColor>

namespace lumadesk {

// The contrast ratio of two colours as WCAG 2 defines it: 1 (none) to 21 (black on white).
double ContrastRatio(const QColor& a, const QColor& b);

// The wanted colour if it reads on the background at the given ratio; otherwise the same hue
// moved toward white or black, whichever reads, just far enough. A light palette keeps the
// console's own colours; a dark one gets their readable kin.
QColor ReadableOn(const QColor& wanted, const QColor& background, double ratio = 4.5);

} // namespace lumadesk
