#pragma once

#include <QString>

namespace lumadesk {

struct StrobeData;
struct StudioModel;

// How the tree and the grid speak of a head's role and its stops from the studio's key.
struct StopsWords {
    QString aside;  // beside the flash level: "−1.5", "Key" on the key itself, else empty
    QString tip;    // "−1.5 stops from Key (1:2.8)", "The key: stops are measured from it"
    QString spoken; // "Fill, 1.5 stops under Key"; the role alone when there are no stops
    QString stops;  // "1.5 stops under Key", "the key", or empty
};

// " · Key" after a head's name, empty for a head without a role.
QString RoleSuffix(const StrobeData& unit);

// The words for a head of one of the model's studios (its record's parent); empty ones when the
// studio has no key or the head's stops are "—".
StopsWords StopsWordsOf(const StudioModel& model, const StrobeData& unit);

} // namespace lumadesk
