#pragma once

#include <QRect>
#include <QString>

class QPainter;

namespace lumadesk {

// QPainter::drawText(rect, alignment, text) with the text's layout kept: cells and value fields
// repeat their texts ("Flash : F 5.6", names, levels), so a repaint shapes no text. Left-aligned
// lines, or one centred line, come out as drawText places and clips them; anything else is
// drawText's. The painter's font is the layout's. GUI thread only.
void DrawCachedText(QPainter* painter, const QRect& rect, Qt::Alignment alignment,
                    const QString& text);

} // namespace lumadesk
