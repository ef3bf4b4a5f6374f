#include "ui/DialogFont.h"

#include <QFontMetrics>
#include <QWidget>

namespace lumadesk {

QStringList FontFamiliesFor(const QString& face) {
    return {face, QStringLiteral("Liberation Sans"), QStringLiteral("Arimo")};
}

QFont CellHeightFont(const QString& face, int cellHeight, int weight) {
    QFont font;
    font.setFamilies(FontFamiliesFor(face));
    font.setWeight(QFont::Weight(weight));
    // The largest pixel size whose cell still fits: Qt sizes the em, the form sized the cell.
    for (int pixels = cellHeight; pixels > 1; --pixels) {
        font.setPixelSize(pixels);
        if (QFontMetrics(font).height() <= cellHeight)
            break;
    }
    return font;
}

QFont FormFont(const QString& face, int points) {
    QFont font;
    font.setFamilies(FontFamiliesFor(face));
    font.setPixelSize((points * 96 + 36) / 72);
    return font;
}

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    return BaseUnitsFromMetrics(metrics.horizontalAdvance(QStringLiteral(
                                    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")),
                                metrics.height());
}

void PlaceControl(QWidget* control, const QRect& dialogRect, DialogBaseUnits units) {
    control->setGeometry(DialogRectToPixels(dialogRect, units));
}

QFont CaptionFont() {
    return CellHeightFont(QStringLiteral("MS Sans Serif"), 16, 900);
}

} // namespace lumadesk
