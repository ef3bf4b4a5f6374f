#pragma once

namespace lumadesk {

// The flash and modelling values of one panel, which move together while linked (a
// proportional modelling lamp, or the group panel's two offsets when it says so). The operator
// moves the driver; a linked follower moves by as much, clamped to its range: on one side only
// for a spin click, on both for a slider. Levels keep to 11..81, offsets to -81..81.
struct LinkedValues {
    enum class Kind { Levels, Offsets };
    struct Moved {
        bool flash = false;
        bool model = false;
        bool any() const { return flash || model; }
    };

    Kind kind;
    int flash = 0;
    int model = 0;
    bool linked = false;

    // One spin click on the driver (negative: up, as the spin reports it). Nothing moves when
    // the driver is at the end of its range.
    Moved step(bool flashDrives, int change);
    // The driver put at `to` by its slider.
    Moved moveTo(bool flashDrives, int to);
};

} // namespace lumadesk
