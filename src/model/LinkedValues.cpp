#include "model/LinkedValues.h"

#include "model/PowerValues.h"

namespace lumadesk {

LinkedValues::Moved LinkedValues::step(bool flashDrives, int change) {
    int& driver = flashDrives ? flash : model;
    int& follower = flashDrives ? model : flash;
    const bool levels = kind == Kind::Levels;
    const int stepped = levels ? StepLevel(driver, change) : StepOffset(driver, change);
    if (stepped == driver)
        return {};
    driver = stepped;
    if (linked)
        follower = levels ? FollowLevelStep(follower, change) : FollowOffsetStep(follower, change);
    return {flashDrives || linked, !flashDrives || linked};
}

LinkedValues::Moved LinkedValues::moveTo(bool flashDrives, int to) {
    int& driver = flashDrives ? flash : model;
    int& follower = flashDrives ? model : flash;
    const int delta = to - driver;
    driver = to;
    if (linked) {
        follower = kind == Kind::Levels ? FollowLevelMove(follower, delta)
                                        : FollowOffsetMove(follower, delta);
    }
    return {flashDrives || linked, !flashDrives || linked};
}

} // namespace lumadesk
