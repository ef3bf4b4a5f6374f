#pragma once

namespace lumadesk {

// Where a value sent to a head stands: the head has reported it (or nothing was sent), it is
// under way, its time ran out without a report that carries it, or its frame never left (the
// port was closed or would not take it). In rising order of concern.
enum class Confirmation { Confirmed, Pending, Unconfirmed, NotSent };

} // namespace lumadesk
