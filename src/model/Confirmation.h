#pragma once

namespace lumadesk {

// Where a value sent to a head stands: the head has reported it (or nothing was sent), it is
// under way, or its time ran out without a report that carries it. In rising order of concern.
enum class Confirmation { Confirmed, Pending, Unconfirmed };

} // namespace lumadesk
