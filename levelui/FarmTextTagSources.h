#pragma once
// The text tags' sources with the farm's tables: products (a PRODUCT as the
// tag's object), plant types (a PLANT) and the names of a level goal's
// object, from the farm data the program loaded. Building points, plant beds
// and factory recipes come with the level's points.

#include "levelui/RunningLevelTags.h"
#include "levelui/TextTagSources.h"

class FarmData;

class FarmTextTagSources : public TextTagSources {
  public:
    // The tables (null: the game's, GameFarmData) outlive the sources.
    explicit FarmTextTagSources(const FarmData* data = nullptr) : data_(data) {}

    bool DescribeProduct(uintptr_t product, TagProduct* out) const override;
    // The product's room in the warehouse at a warehouse level (the farm's warehouse type).
    bool ProductCapacity(uintptr_t product, int32_t warehouseLevel, int32_t* capacity) const override;
    bool DescribePlant(uintptr_t plant, TagPlant* out) const override;
    // A building point (its type, its stage).
    bool DescribeBuilding(uintptr_t point, TagBuilding* out) const override;
    // A plant bed point (a BasePointPlant): its plant type and its stage.
    bool DescribePlantBed(uintptr_t bed, TagPlant* out, int32_t* stage) const override;
    const char16_t* GoalObjectName(uint32_t kind, uint32_t id) const override;

    // The running level (null: none is played); it outlives its installation.
    void SetRunningLevel(const RunningLevelTags* level) { level_ = level; }
    bool LevelRunning() const override { return level_ && level_->Running(); }
    bool PlayingLevel() const override { return level_ != nullptr; }
    int32_t LevelMoney() const override { return level_ ? level_->Money() : 0; }
    int32_t WarehouseLevel() const override { return level_ ? level_->WarehouseLevel() : 1; }
    int32_t StockCount(uint32_t productId) const override {
        return level_ ? level_->StockCount(productId) : 0;
    }
    bool GoalProgress(const LevelGoalEntry& goal, int32_t* progress) const override {
        return level_ && level_->GoalProgress(goal.kind, goal.id, goal.valueL, goal.valueV, progress);
    }
    bool LiveGoalValue(int goal, int32_t* value) const override {
        return level_ && level_->LiveGoalValue(goal, value);
    }

  private:
    const FarmData* Data() const;

    const FarmData* data_;
    const RunningLevelTags* level_ = nullptr;
};
