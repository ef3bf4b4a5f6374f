#include "model/HeadRole.h"

#include "model/StrobeData.h"

#include <array>

namespace lumadesk {

namespace {

constexpr std::array<const char*, kRoleCount> kRoleTexts{"",     "Key",        "Fill",  "Rim",
                                                         "Hair", "Background", "Accent"};

} // namespace

QString RoleText(HeadRole role) {
    const auto index = std::size_t(role);
    return index < kRoleTexts.size() ? QString::fromLatin1(kRoleTexts[index]) : QString();
}

std::optional<HeadRole> RoleFromText(const QString& text) {
    for (std::size_t i = 0; i < kRoleTexts.size(); ++i) {
        if (text.compare(QLatin1String(kRoleTexts[i]), Qt::CaseInsensitive) == 0)
            return HeadRole(i);
    }
    return std::nullopt;
}

HeadRole RoleOf(const StrobeData& unit) {
    return unsigned(unit.nRole) < unsigned(kRoleCount) ? HeadRole(unit.nRole) : HeadRole::None;
}

QString HeadLabel(const StrobeData& unit) {
    const QString role = RoleText(RoleOf(unit));
    if (role.isEmpty())
        return unit.sModelName;
    if (unit.sModelName == StrobeData::unnamedText() || unit.sModelName.isEmpty() ||
        unit.sModelName.compare(role, Qt::CaseInsensitive) == 0)
        return role;
    return QStringLiteral("%1 (%2)").arg(unit.sModelName, role);
}

} // namespace lumadesk
