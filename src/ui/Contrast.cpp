#include "ui/Contrast.h"

#include <algorithm>
#include <cmath>

namespace lumadesk {

namespace {

double luminance(const QColor& colour) {
    const auto channel = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) +
           0.0722 * channel(rgb.blueF());
}

QColor mixed(const QColor& from, const QColor& to, double t) {
    const QColor a = from.toRgb();
    const QColor b = to.toRgb();
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t),
                            float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t));
}

} // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableOn(const QColor& wanted, const QColor& background, double ratio) {
    if (ContrastRatio(wanted, background) >= ratio)
        return wanted;
    const QColor toward =
        ContrastRatio(Qt::white, background) >= ContrastRatio(Qt::black, background)
            ? QColor(Qt::white)
            : QColor(Qt::black);
    for (int step = 1; step <= 20; ++step) {
        const QColor candidate = mixed(wanted, toward, step / 20.0);
        if (ContrastRatio(candidate, background) >= ratio)
            return candidate;
    }
    return toward;
}

} // namespace lumadesk
