#include "model/StrobeData.h"

#include <atomic>

namespace lumadesk {

namespace {
std::uint64_t nextSerial() {
    static std::atomic<std::uint64_t> last{0};
    return last.fetch_add(1, std::memory_order_relaxed) + 1; // uniqueness only, orders nothing
}
} // namespace

StrobeData::StrobeData() : serial(nextSerial()) {
    lightNode.pParent = this;
}

QString ChannelLabel(int channel) {
    if (channel < 0 || channel >= kChannelCount)
        return {};
    return QStringLiteral("CH-%1").arg(channel + 1, 2, 10, QLatin1Char('0'));
}

void CopySettingsBlock(StrobeData& destination, const StrobeData& source) {
    destination.nFlashValue = source.nFlashValue;
    destination.bFlashCell = source.bFlashCell;
    destination.bFlashSnd = source.bFlashSnd;
    destination.bFlashCharge = source.bFlashCharge;
    destination.bFlashPow = source.bFlashPow;
    destination.nModelValue = source.nModelValue;
    destination.nModelMode1 = source.nModelMode1;
    destination.nModelMode2 = source.nModelMode2;
    destination.bModelPow = source.bModelPow;
}

} // namespace lumadesk
