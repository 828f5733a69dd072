#pragma once
// The text tags' sources with the farm's tables: products (a PRODUCT as the
// tag's object), plant types (a PLANT) and the names of a level goal's
// object, from the farm data the program loaded. Building points, plant beds
// and factory recipes come with the level's points.

#include "levelui/TextTagSources.h"

class FarmData;

class FarmTextTagSources : public TextTagSources {
  public:
    // The tables (null: the game's, GameFarmData) outlive the sources.
    explicit FarmTextTagSources(const FarmData* data = nullptr) : data_(data) {}

    bool DescribeProduct(uintptr_t product, TagProduct* out) const override;
    bool DescribePlant(uintptr_t plant, TagPlant* out) const override;
    const char16_t* GoalObjectName(uint32_t kind, uint32_t id) const override;

  private:
    const FarmData* Data() const;

    const FarmData* data_;
};
