#pragma once

#include <QString>
#include <optional>

namespace lumadesk {

struct StrobeData;
struct StudioData;

// A head's flash measured from its studio's key light, in stops, as a photographer reads a set:
// "fill one and a half stops under the key". One step of 1.0 on the heads' level scale is
// stopsPerStep stops (1.0 for heads whose scale runs in stops).

// The difference in stops of a level (tenths) from the key's level, both 11-81; nullopt when
// either is outside that range or the scale is not positive.
std::optional<double> StopsBetween(int keyLevel, int level, double stopsPerStep);

// The head's difference from the studio's key: nullopt when the studio has no key, either
// flash is switched off or either level is outside 11-81. The key itself is 0.
std::optional<double> StopsFromKey(const StudioData* studio, const StrobeData& unit,
                                   double stopsPerStep);

// "−1.5", "+1.0", "0.0" (a true minus sign, one decimal); "—" for nullopt.
QString StopsText(std::optional<double> stops);
// The light of this head to the key's: "1:2.8" for 1.5 stops under the key, "2:1" for one
// over, "1:1" level; "—" for nullopt. Whole numbers lose their ".0".
QString RatioText(std::optional<double> stops);
// What a screen reader says of it: "1.5 stops under Key", "1 stop over Key", "level with
// Key"; an empty text for nullopt.
QString StopsSpoken(std::optional<double> stops, const QString& keyLabel);

// A difference typed by the operator: "-1.5", "−1.5", "+2", "1.5" (over); or a ratio as
// RatioText writes it, head to key ("1:2.8" is 1.5 under). nullopt for anything else or a
// difference beyond 10 stops.
std::optional<double> ParseStops(const QString& text);

// The level (tenths) that puts a head that many stops from the key's level, rounded to the
// nearest tenth; nullopt when it falls outside 11-81 or the key's level is not a level.
std::optional<int> LevelForStops(int keyLevel, double stops, double stopsPerStep);

} // namespace lumadesk
