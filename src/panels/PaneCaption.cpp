#include "panels/PaneCaption.h"

#include <QLabel>

QLabel* MakePaneCaption(const QString& text, QWidget* parent) {
    auto* caption = new QLabel(text, parent);
    QFont font = caption->font();
    font.setBold(true);
    caption->setFont(font);
    caption->setStyleSheet(QStringLiteral("color: #000080;"));
    return caption;
}
