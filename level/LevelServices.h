#pragma once
// What the level's world needs of the running level. The level implements
// it; the map, its objects, the characters and their jobs reach the level
// only through it, so they can be built, tested and run without the whole
// level behind them.

#include "gui/TutorialMessages.h"
#include "gui/TutorialObject.h"

#include <cstdint>

class GameLevel;
class MoneyValue;
namespace shpf {
class PathFinder;
}

class LevelServices {
  public:
    virtual ~LevelServices() = default;

    // The level's money, and the total of it that jobs hold reserved.
    virtual MoneyValue& Money() = 0;
    virtual int32_t ReservedMoney() const = 0;
    virtual void AddReservedMoney(int32_t delta) = 0;

    // The level clock in ms (the one that counts for the result).
    virtual uint32_t LevelTime() const = 0;
    // The level's path finder; null lets every walk go straight.
    virtual shpf::PathFinder* PathFinder() = 0;
    // Whether the level point with the index exists and is not being
    // removed: a job checks its point before it walks to it or works on it.
    virtual bool PointExists(int32_t index) const = 0;
    // A click on a map object that belongs to a point.
    virtual void ClickPoint(int32_t index) = 0;
    // The centre of the screen in field coordinates (the farmer's side step).
    virtual void ScreenCentre(float* x, float* y) const = 0;

    // The running tutorial: whether an action is allowed (yes when none
    // runs), and the game events it follows.
    virtual bool TutorialAllows(TutorialAction action, uint32_t tag, TutorialObject data) = 0;
    virtual void TutorialNotify(TutorialEvent event, uint32_t a, TutorialObject b) = 0;

    // The running level behind these services (the level itself); null for
    // a map without one (tests).
    virtual GameLevel* RunningLevel() { return nullptr; }
};
