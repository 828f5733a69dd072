#include "levelui/FarmTextTagSources.h"

#include "farm/BuildingPoints.h"
#include "farm/FarmData.h"
#include "farm/PlantPoints.h"
#include "farm/Products.h"

#include <algorithm>

const FarmData* FarmTextTagSources::Data() const {
    return data_ ? data_ : GameFarmData();
}

bool FarmTextTagSources::DescribeProduct(uintptr_t product, TagProduct* out) const {
    const auto* p = reinterpret_cast<const PRODUCT*>(product);
    if (!p) return false;
    *out = {p->record.name, p->record.iconName, p->record.id, p->record.price};
    return true;
}

bool FarmTextTagSources::ProductCapacity(uintptr_t product, int32_t warehouseLevel, int32_t* capacity) const {
    const FarmData* data = Data();
    if (!data || !product) return false;
    *capacity =
        data->buildings.GetWarehouseCapacity(reinterpret_cast<const PRODUCT*>(product), warehouseLevel);
    return true;
}

bool FarmTextTagSources::DescribePlant(uintptr_t plant, TagPlant* out) const {
    const auto* p = reinterpret_cast<const PLANT*>(plant);
    if (!p) return false;
    out->name = p->record.label;
    static_assert(sizeof(out->prices) == sizeof(p->record.stagePrices));
    for (int i = 0; i < 4; ++i)
        out->prices[i] = p->record.stagePrices[i];
    return true;
}

bool FarmTextTagSources::DescribePlantBed(uintptr_t bed, TagPlant* out, int32_t* stage) const {
    const auto* point = reinterpret_cast<const BasePointPlant*>(bed);
    if (!point || !DescribePlant(reinterpret_cast<uintptr_t>(point->Plant()), out)) return false;
    *stage = point->Stage();
    return true;
}

bool FarmTextTagSources::DescribeBuilding(uintptr_t point, TagBuilding* out) const {
    const auto* building = reinterpret_cast<const PointBuilding*>(point);
    const BUILDING* type = building ? building->Type() : nullptr;
    if (!type) return false;
    out->name = type->header.label;
    out->stage = std::max(building->Stage(), 0);
    out->kind = type->header.kind;
    out->levelCount = std::clamp(type->header.levelCount, 0, 4);
    for (int32_t i = 0; i < out->levelCount; ++i)
        out->prices[i] = type->levels[i].record.price;
    if (type->IsAnimalHouse() && type->produceProduct) out->product = type->produceProduct->record.name;
    return true;
}

const char16_t* FarmTextTagSources::GoalObjectName(uint32_t kind, uint32_t id) const {
    const FarmData* data = Data();
    if (!data) return nullptr;
    switch (kind) {
    case 1:
        if (const PRODUCT* p = data->products.FindProduct(id)) return p->record.name;
        return nullptr;
    case 2:
        if (const PLANT* p = data->plants.FindPlant(id)) return p->record.label;
        return nullptr;
    case 3:
        if (const BUILDING* b = data->buildings.FindBuildingType(id)) return b->header.label;
        return nullptr;
    default:
        return nullptr;
    }
}
