#pragma once

#include <QtGlobal>

namespace lumadesk {

// Milliseconds since the first call, only ever forward: what the history's merging, the
// remote's lock-outs and its idle clients are timed by (tests give their own clocks).
qint64 MonotonicMs();

} // namespace lumadesk
