#include "game/GoalIcons.h"

#include "farm/FarmData.h"
#include "sprites/Sprite.h"

#include <algorithm>

namespace {
constexpr int32_t kIconLibrary = 2;
constexpr int32_t kInterfaceLibrary = 1;

Sprite* IconOrSecond(Sprite* icon, const char16_t* name, const char16_t* second) {
    if (icon) return icon;
    if (Sprite* found = GetSprite(kIconLibrary, name)) return found;
    return GetSprite(kIconLibrary, second);
}
} // namespace

Sprite* FarmGoalIcon(const FarmData& farm, const GoalRecord& goal) {
    switch (goal.kind) {
    case kGoalProduct:
        if (const PRODUCT* product = farm.products.FindProduct(goal.objectId))
            return IconOrSecond(product->icon, product->record.iconName, product->record.secondIconName);
        return nullptr;
    case kGoalPlant:
        if (const PLANT* plant = farm.plants.FindPlant(goal.objectId))
            return IconOrSecond(plant->icon, plant->record.iconName, plant->record.secondIconName);
        return nullptr;
    case kGoalBuilding:
        if (const BUILDING* type = farm.buildings.FindBuildingType(goal.objectId)) {
            const int32_t level = std::clamp<int32_t>(int32_t(goal.stage), 1, type->header.levelCount) - 1;
            const auto& record = type->levels[level];
            if (Sprite* icon =
                    IconOrSecond(record.icon, record.record.iconName, record.record.secondIconName))
                return icon;
            return GetSprite(kInterfaceLibrary, u"level_ico_back");
        }
        return nullptr;
    default:
        return nullptr;
    }
}

Sprite* GameGoalIcon(const GoalRecord& goal) {
    const FarmData* farm = GameFarmData();
    return farm ? FarmGoalIcon(*farm, goal) : nullptr;
}

bool FarmGoalHasIngredients(const FarmData& farm, const GoalRecord& goal) {
    if (goal.kind != kGoalProduct) return false;
    const PRODUCT* product = farm.products.FindProduct(goal.objectId);
    return product && product->record.ingredientCount > 0;
}

bool GameGoalHasIngredients(const GoalRecord& goal) {
    const FarmData* farm = GameFarmData();
    return farm && FarmGoalHasIngredients(*farm, goal);
}
