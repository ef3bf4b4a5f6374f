#pragma once

#include <QString>
#include <optional>

namespace lumadesk {

struct StrobeData;

// The part a light plays in the set, as a photographer labels the stands. Stored with the
// head's names (in the console's name book and in a set-up), never sent to the head.
enum class HeadRole { None = 0, Key, Fill, Rim, Hair, Background, Accent };

inline constexpr int kRoleCount = 7;

// "Key", "Fill", ...; empty for None and anything unknown.
QString RoleText(HeadRole role);
// The role of a text RoleText gives (case folded); None for the empty text; nullopt for anything
// else.
std::optional<HeadRole> RoleFromText(const QString& text);
HeadRole RoleOf(const StrobeData& unit);

// How a head is named beside its channel everywhere it is listed: its name, with the role in
// brackets when it has one ("Softbox (Key)"). A head never named is called by its role alone
// ("Key"), or by the unnamed text when it has none.
QString HeadLabel(const StrobeData& unit);

} // namespace lumadesk
