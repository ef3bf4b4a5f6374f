#include "ui/ConfirmationLook.h"

#include <QPainter>
#include <QPainterPath>

namespace lumadesk {

void PaintConfirmationMark(QPainter& painter, const QRect& box, Confirmation state) {
    if (state == Confirmation::Confirmed)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(box).adjusted(1, 1, -1, -1);
    if (state == Confirmation::Pending) {
        // A clock face with its hands at ten past twelve.
        painter.setPen(QPen(QColor(0x30, 0x30, 0x30), 1.2));
        painter.setBrush(QColor(0xFF, 0xF4, 0xD0));
        painter.drawEllipse(r);
        const QPointF centre = r.center();
        painter.drawLine(centre, QPointF(centre.x(), r.top() + r.height() * 0.2));
        painter.drawLine(centre, QPointF(r.right() - r.width() * 0.25, centre.y()));
    } else if (state == Confirmation::NotSent) {
        // A square crossed out: nothing left the console.
        painter.setPen(QPen(QColor(0x20, 0x20, 0x20), 1.0));
        painter.setBrush(QColor(0xD8, 0xE4, 0xF4));
        painter.drawRect(r);
        const QRectF cross =
            r.adjusted(r.width() * 0.25, r.height() * 0.25, -r.width() * 0.25, -r.height() * 0.25);
        painter.setPen(QPen(Qt::black, 1.6, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(cross.topLeft(), cross.bottomRight());
        painter.drawLine(cross.topRight(), cross.bottomLeft());
    } else {
        // A warning triangle with an exclamation mark.
        QPainterPath triangle;
        triangle.moveTo(r.center().x(), r.top());
        triangle.lineTo(r.right(), r.bottom());
        triangle.lineTo(r.left(), r.bottom());
        triangle.closeSubpath();
        painter.setPen(QPen(QColor(0x20, 0x20, 0x20), 1.0));
        painter.setBrush(QColor(0xFF, 0xC0, 0x20));
        painter.drawPath(triangle);
        const qreal x = r.center().x();
        painter.setPen(QPen(Qt::black, 1.6, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(x, r.top() + r.height() * 0.35),
                         QPointF(x, r.top() + r.height() * 0.68));
        painter.drawPoint(QPointF(x, r.top() + r.height() * 0.85));
    }
    painter.restore();
}

ConfirmationMark::ConfirmationMark(const QString& name, QWidget* parent) : QWidget(parent) {
    setAccessibleName(name);
    setFixedSize(kSize, kSize);
    setAttribute(Qt::WA_NoSystemBackground);
    QWidget::hide();
}

void ConfirmationMark::show(Confirmation state, const QString& words) {
    // The panel asks on every report of its head: what is already shown is not drawn again.
    if (state == m_state && words == toolTip() && isHidden() == (state == Confirmation::Confirmed))
        return;
    m_state = state;
    setToolTip(words);
    setAccessibleDescription(words);
    setVisible(state != Confirmation::Confirmed);
    update();
}

void ConfirmationMark::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintConfirmationMark(painter, rect(), m_state);
}

} // namespace lumadesk
