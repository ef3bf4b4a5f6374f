#include "model/PowerLevel.h"

#include <algorithm>

namespace lumadesk {

QString FormatPowerLevel(int level) {
    return QString::asprintf("%d.%d", level / 10, level % 10);
}

QString FormatPowerOffset(int offset) {
    if (offset < 0)
        return QString::asprintf("-%d.%d", -offset / 10, -offset % 10);
    return QString::asprintf("%d.%d", offset / 10, offset % 10);
}

std::optional<int> ParsePowerText(const QString& text) {
    constexpr int kSaturated = 100000;
    const QString t = text.trimmed();
    const auto digit = [&t](qsizetype i) { return i < t.size() && t[i] >= u'0' && t[i] <= u'9'; };
    qsizetype at = 0;
    const bool negative = t.startsWith(u'-');
    if (negative || t.startsWith(u'+'))
        ++at;
    int whole = 0;
    int digits = 0;
    for (; digit(at); ++at, ++digits)
        whole = std::min(whole * 10 + (t[at].unicode() - u'0'), kSaturated);
    // One digit is the number shown, as lumadesk-cli reads it: nobody means 0.8 by "8".
    int value = digits == 1 ? whole * 10 : whole;
    if (at < t.size() && (t[at] == u'.' || t[at] == u',')) {
        value = whole * 10;
        for (int place = 0; digit(++at); ++place, ++digits) {
            if (place == 0)
                value += t[at].unicode() - u'0';
            else if (t[at] != u'0')
                return std::nullopt; // finer than the scale
        }
    }
    if (at != t.size() || digits == 0)
        return std::nullopt;
    return negative ? -value : value;
}

} // namespace lumadesk
