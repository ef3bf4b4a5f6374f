#include "ui/CachedText.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <memory>

namespace lumadesk {

void DrawCachedText(QPainter* painter, const QRect& rect, Qt::Alignment alignment,
                    const QString& text) {
    const Qt::Alignment across = alignment & Qt::AlignHorizontal_Mask;
    const bool centred = across == Qt::AlignHCenter;
    if ((across != Qt::AlignLeft && !centred) || (centred && text.contains(QLatin1Char('\n')))) {
        painter->drawText(rect, int(alignment), text);
        return;
    }
    struct Laid {
        std::shared_ptr<QTextLayout> layout;
        QSizeF size;
    };
    static QHash<QString, Laid> cache;
    const QFont& font = painter->font();
    const QString key = font.key() + QChar(0x1F) + text;
    auto at = cache.find(key);
    if (at == cache.end()) {
        if (cache.size() >= 512)
            cache.clear(); // a handful of texts repeat; this only bounds a stream of new ones
        auto layout = std::make_shared<QTextLayout>(
            QString(text).replace(QLatin1Char('\n'), QChar::LineSeparator), font);
        layout->setCacheEnabled(true);
        const qreal leading = QFontMetricsF(font).leading();
        qreal height = -leading;
        qreal width = 0;
        layout->beginLayout();
        for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
            line.setLineWidth(0x01000000);
            height += leading;
            height = std::ceil(height); // lines on whole pixels, as drawText puts them
            line.setPosition(QPointF(0, height));
            height += line.ascent() + line.descent();
            width = std::max(width, line.horizontalAdvance());
        }
        layout->endLayout();
        at = cache.insert(key, {std::move(layout), QSizeF(width, height)});
    }
    if (at->size.height() > rect.height()) {
        painter->drawText(rect, int(alignment), text); // placed by rules of its own
        return;
    }
    qreal y = rect.top();
    if (alignment & Qt::AlignBottom)
        y += rect.height() - at->size.height();
    else if (alignment & Qt::AlignVCenter)
        y += (rect.height() - at->size.height()) / 2;
    const qreal x = centred ? rect.left() + (rect.width() - at->size.width()) / 2 : rect.left();
    const bool overflows = at->size.width() > rect.width();
    if (overflows) {
        painter->save();
        painter->setClipRect(rect, Qt::IntersectClip);
    }
    at->layout->draw(painter, QPointF(x, y));
    if (overflows)
        painter->restore();
}

} // namespace lumadesk
