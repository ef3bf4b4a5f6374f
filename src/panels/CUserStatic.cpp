#include "panels/CUserStatic.h"

#include <QPainter>

namespace lumadesk {

CUserStatic::CUserStatic(QWidget* parent)
    : QLabel(parent), textColor(Qt::black), backgroundColor(Qt::white) {
    setAlignment(Qt::AlignHCenter | Qt::AlignTop);
}

void CUserStatic::SetValueText(const QString& text) {
    setText(text);
    setAccessibleDescription(text);
}

void CUserStatic::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), backgroundColor);
    painter.setPen(textColor);
    painter.setFont(font());
    painter.drawText(rect(), int(alignment()), text());
}

} // namespace lumadesk
