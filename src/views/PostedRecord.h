#pragma once

#include "model/StudioModel.h"

namespace lumadesk {

// Whether a record pointer that came with a message may be touched: the model holds it now. A
// scan may have destroyed the record while the message waited. The panes ask here only, so the
// check can be made stricter in one place.
inline bool isLiveRecord(const StudioModel& model, const StrobeData* record) {
    return model.OwnsRecord(record);
}

// The number (0..4) of one of the five shown studios, or -1 for anything else (the memory
// studio, a pointer the model does not hold). Compares pointers only.
inline int shownStudioNumber(const StudioModel& model, const StudioData* studio) {
    for (int n = 0; n < kStudioCount; ++n) {
        if (studio != nullptr && model.studios[std::size_t(n)].get() == studio)
            return n;
    }
    return -1;
}

} // namespace lumadesk
