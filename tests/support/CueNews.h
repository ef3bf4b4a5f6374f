#pragma once

#include "link/RadioLink.h"
#include "model/StudioModel.h"

namespace lumadesk {

// As the window wires it: each move of a value's cue in the book of pending values (pending,
// confirmed, not sent, not answering) is told as model news, for a console without the window.
inline void TellCuesAsNews(RadioLink& link, StudioModel& model) {
    link.pending().setListener([&model](int studio, int channel) {
        const StudioData* owner = model.StudioByNumber(studio);
        if (const StrobeData* unit = owner != nullptr ? owner->UnitOn(channel) : nullptr)
            model.news.tellHeadChanged(*unit, kCueMask);
    });
}

} // namespace lumadesk
