#include "farm/BuildingSites.h"

#include "farm/Buildings.h"
#include "farm/PlantPoints.h"
#include "farm/Plants.h"
#include "level/GameLevel.h"
#include "level/LevelPoint.h"
#include "level/MapCharacter.h"

std::vector<SiteChoice> SiteChoices(const LevelRecord& level, const PlantData& plants,
                                    const BuildingList& buildings, uint32_t category) {
    std::vector<SiteChoice> out;
    if (category == kSitePlants) {
        for (uint32_t i = 0; i < level.plantCount && i < kMaxEnabledKinds; ++i) {
            PLANT* plant = plants.FindPlant(level.plants[i].id);
            if (!plant || level.plants[i].count == 0) continue;
            out.push_back({kSitePlants, kPointPlant, plant->record.id, reinterpret_cast<uintptr_t>(plant),
                           plant->icon, PlantStagePrice(*plant, 0), plant->record.label});
        }
        return out;
    }
    for (uint32_t i = 0; i < level.typeCount && i < kMaxEnabledKinds; ++i) {
        BUILDING* type = buildings.FindBuildingType(level.types[i].id);
        if (!type || level.types[i].count == 0 || type->header.levelCount < 1) continue;
        const bool wanted = category == kSiteBuildings ? type->IsFactory() : type->IsAnimalHouse();
        if (!wanted || !buildings.IsBuildingTypeAvailable(type)) continue;
        const BuildingLevel& first = type->levels[0];
        out.push_back({category, kPointBuilding, type->header.id, reinterpret_cast<uintptr_t>(type),
                       first.icon, first.record.price, type->header.label});
    }
    return out;
}

SiteRefusal CheckSiteOrder(GameLevel& level, int32_t index, const SiteChoice& choice) {
    auto* site = dynamic_cast<EmptyLevelPoint*>(level.GetPoint(index));
    if (!site || site->IsBeingRemoved()) return SiteRefusal::NoSite;
    if (site->HasGarbage()) return SiteRefusal::NotClean;
    MapPlayer* player = level.World().Player();
    if (!player) return SiteRefusal::NoFarmer;
    for (int32_t i = 0; i < player->JobCount(); ++i) {
        const Job* job = player->GetJob(i);
        if (!job->IsFinished() && job->TargetPoint() == index) return SiteRefusal::Busy;
    }
    if (choice.price > level.Money().Get()) return SiteRefusal::Money;
    return SiteRefusal::None;
}

SiteRefusal OrderOnSite(GameLevel& level, int32_t index, const SiteChoice& choice) {
    const SiteRefusal why = CheckSiteOrder(level, index, choice);
    if (why != SiteRefusal::None) return why;
    const BaseLevelPoint* site = level.GetPoint(index);
    PointRecord record{};
    record.kind = choice.pointKind;
    record.stage = 0;
    record.objectId = choice.objectId;
    record.x = site->X();
    record.y = site->Y();
    record.flags = site->IsMirrored() ? 1u : 0u;
    level.StartClock();
    // The site is replaced by the new point, which orders its job as it is set up.
    level.CreatePoint(uint32_t(index), record);
    return SiteRefusal::None;
}
