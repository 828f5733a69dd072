// The level half of the level tutorial's link. Kept apart from the window
// toolkit's headers: the level and the toolkit both name their pause reasons.

#include "level/GameLevel.h"
#include "tutorials/LevelTutorial.h"

namespace tut {

void LevelSeam::Pause(uint32_t reason) {
    level_.Pause(reason);
}

void LevelSeam::Resume(uint32_t reason) {
    level_.Resume(reason);
}

void LevelSeam::SetClockStop(bool on) {
    level_.SetClockStopBit(kLevelClockStopBit, on);
}

bool LevelSeam::IsPausedExcept(uint32_t mask) const {
    return level_.IsPausedExcept(mask);
}

void LevelSeam::SelectPoint(int32_t index) {
    level_.SelectPoint(index, false);
}

int32_t LevelSeam::SelectedPoint() const {
    return level_.SelectedPoint();
}

} // namespace tut
