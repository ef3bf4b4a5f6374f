#pragma once

#include "platform/DialogUnits.h"

#include <QFont>
#include <QRect>

class QWidget;

namespace lumadesk {

// The forms name the fonts of the original desktop; where a face is missing we take a
// metric-compatible one, so texts keep their widths and the forms their layout.
QStringList FontFamiliesFor(const QString& face);

// A font whose character cell (ascent + descent) is cellHeight pixels, as a positive font
// height asks for. weight is on the 100..900 scale.
QFont CellHeightFont(const QString& face, int cellHeight, int weight);

// The form font of a dialog template: its point size at 96 dots per inch, as character height.
QFont FormFont(const QString& face, int points);

// The dialog units of a form laid out in that font.
DialogBaseUnits BaseUnitsOf(const QFont& font);

// Places a control at its template rectangle (dialog units).
void PlaceControl(QWidget* control, const QRect& dialogRect, DialogBaseUnits units);

// The caption font every pane title uses: bold "MS Sans Serif", 16 pixels.
QFont CaptionFont();

} // namespace lumadesk
