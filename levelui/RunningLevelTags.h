#pragma once
// The running level as the text tags read it ("[MONEY]", "[TASK R]", a
// product's stock): the level screen installs one on the tag sources while a
// level is played. Plain values only, so that both the level's side and the
// award table's side of the game can include it.

#include <cstdint>

class RunningLevelTags {
  public:
    virtual ~RunningLevelTags() = default;
    // The level is still being played (not ended, neither won nor lost).
    virtual bool Running() const = 0;
    virtual int32_t Money() const = 0;
    virtual int32_t WarehouseLevel() const = 0;
    virtual int32_t StockCount(uint32_t productId) const = 0;
    // The progress of the current regime's goal with this kind, object,
    // stage and target; false when the level has no such goal.
    virtual bool GoalProgress(uint32_t kind, uint32_t id, int32_t stage, int32_t target,
                              int32_t* progress) const = 0;
    // The live value of an award goal while the level is played: 3 the
    // profile's villains driven off in a row, 4 the farmer's jobs done in the
    // level, 5 its clicks on the farm per second (thousandths), 6 the most
    // goods a factory made in a row; false for the other goals.
    virtual bool LiveGoalValue(int goal, int32_t* value) const = 0;
};
