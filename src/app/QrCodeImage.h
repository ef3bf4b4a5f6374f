#pragma once

#include <QImage>
#include <QString>

namespace lumadesk {

// The text as a QR code (error correction M): one pixel per module, black on white, with the
// four-module quiet zone the readers need. A null image when the text does not fit.
QImage QrCodeImage(const QString& text);

} // namespace lumadesk
