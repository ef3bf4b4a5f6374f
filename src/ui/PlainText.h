#pragma once

#include <QString>

namespace lumadesk {

// A tool tip that shows its text as written. Qt takes a tip that looks like markup for rich
// text, so a head named "<img src=x>" would draw an image; such a text is escaped and keeps its
// lines and spaces. Any other text is returned as it is.
QString PlainToolTip(const QString& text);

} // namespace lumadesk
