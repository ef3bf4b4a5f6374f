#include "app/QrCodeImage.h"

#include <qrencode.h>

#include <memory>

namespace lumadesk {

QImage QrCodeImage(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    const std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeString(bytes.constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1), QRcode_free);
    if (code == nullptr)
        return {};
    constexpr int kQuiet = 4;
    const int width = code->width;
    QImage image(width + 2 * kQuiet, width + 2 * kQuiet, QImage::Format_Mono);
    image.setColor(0, qRgb(255, 255, 255));
    image.setColor(1, qRgb(0, 0, 0));
    image.fill(0);
    for (int y = 0; y < width; ++y) {
        for (int x = 0; x < width; ++x) {
            if ((code->data[y * width + x] & 1) != 0)
                image.setPixel(x + kQuiet, y + kQuiet, 1);
        }
    }
    return image;
}

} // namespace lumadesk
