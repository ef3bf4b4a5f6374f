#include "ui/COXSeparator.h"

#include "ui/Contrast.h"

#include <QPainter>

namespace lumadesk {

namespace {

constexpr int kGap = 6; // between the text and the line

} // namespace

COXSeparator::COXSeparator(const QString& text, QWidget* parent)
    : QLabel(text, parent), textColor(palette().color(QPalette::WindowText)),
      upperLeftColor(palette().color(QPalette::Dark)),
      lowerRightColor(palette().color(QPalette::Light)) {}

QSize COXSeparator::sizeHint() const {
    const QFontMetrics metrics(font());
    return QSize(metrics.horizontalAdvance(text()) + 2 * kGap, metrics.height());
}

QSize COXSeparator::minimumSizeHint() const {
    return QSize(0, QFontMetrics(font()).height());
}

void COXSeparator::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QFontMetrics metrics(font());
    const int textWidth = metrics.horizontalAdvance(text());
    const Qt::Alignment horizontal = alignment() & Qt::AlignHorizontal_Mask;
    int textLeft = 0;
    if (horizontal & Qt::AlignHCenter)
        textLeft = (width() - textWidth) / 2;
    else if (horizontal & Qt::AlignRight)
        textLeft = width() - textWidth;
    if (!text().isEmpty()) {
        // Drawn on the system's background, which a dark palette darkens: the caption keeps its
        // colour only where it still reads clearly (7:1, as its navy does on a light one).
        constexpr double kCaptionContrast = 7.0;
        painter.setPen(ReadableOn(textColor, palette().color(QPalette::Window), kCaptionContrast));
        painter.setFont(font());
        painter.drawText(QRect(textLeft, 0, textWidth, height()), Qt::AlignVCenter, text());
    }

    // Spans the free width beside the text: after it, before it, or on both sides.
    auto line = [&](int left, int right) {
        if (right <= left)
            return;
        const int middle = height() / 2;
        painter.fillRect(QRect(left, middle - 1, right - left, 1), upperLeftColor);
        painter.fillRect(QRect(left, middle, right - left, 1), lowerRightColor);
    };
    if (text().isEmpty()) {
        line(0, width());
    } else if (horizontal & Qt::AlignHCenter) {
        line(0, textLeft - kGap);
        line(textLeft + textWidth + kGap, width());
    } else if (horizontal & Qt::AlignRight) {
        line(0, textLeft - kGap);
    } else {
        line(textWidth + kGap, width());
    }
}

} // namespace lumadesk
