#include "ui/PlainText.h"

#include <QTextDocument>

namespace lumadesk {

QString PlainToolTip(const QString& text) {
    // The tip decides by the same test; a text it would not take for markup stays as it is.
    return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text, Qt::WhiteSpacePre) : text;
}

} // namespace lumadesk
