#include "ui/StopsWords.h"

#include "model/HeadRole.h"
#include "model/Stops.h"
#include "model/StudioModel.h"

namespace lumadesk {

QString RoleSuffix(const StrobeData& unit) {
    const QString role = RoleText(RoleOf(unit));
    return role.isEmpty() ? QString() : QStringLiteral(" · ") + role;
}

StopsWords StopsWordsOf(const StudioModel& model, const StrobeData& unit) {
    const auto* studio = static_cast<const StudioData*>(unit.pParent);
    const QString role = RoleText(RoleOf(unit));
    const auto withRole = [&role](const QString& words) {
        if (role.isEmpty() || words.isEmpty())
            return role.isEmpty() ? words : role;
        return role + QStringLiteral(", ") + words;
    };
    StopsWords words;
    if (KeyUnitOf(studio) == &unit) {
        words.aside = QStringLiteral("Key");
        words.tip = QStringLiteral("The key: stops are measured from this head");
        words.stops = QStringLiteral("the key");
        words.spoken = RoleOf(unit) == HeadRole::Key
                           ? QStringLiteral("Key, stops are measured from it")
                           : withRole(QStringLiteral("the key, stops are measured from it"));
        return words;
    }
    const std::optional<double> stops = StopsFromKey(studio, unit, model.dStopsPerStep);
    words.stops = StopsSpoken(stops, QStringLiteral("Key"));
    words.spoken = withRole(words.stops);
    if (!stops)
        return words;
    words.aside = StopsText(stops);
    words.tip = QStringLiteral("%1 stops from Key (%2)").arg(words.aside, RatioText(stops));
    return words;
}

} // namespace lumadesk
