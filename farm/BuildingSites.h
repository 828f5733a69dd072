#pragma once
// What a clean empty site offers the player: the plants the level grows, the
// factories and the animal houses it builds, each with the price of its first
// stage, and the order that turns the site into a new bed or a building site.
// The new point at stage 0 orders the farmer's planting or building job at
// once (the price reserved); a job cancelled before its work is done turns
// the point back into the site it was.

#include "level/LevelTable.h"

#include <cstdint>
#include <vector>

class BuildingList;
class GameLevel;
class PlantData;
class Sprite;

enum SiteCategory : uint32_t { kSitePlants = 0, kSiteBuildings = 1, kSitePets = 2, kSiteCategoryCount = 3 };

struct SiteChoice {
    uint32_t category = kSitePlants;
    uint32_t pointKind = kPointPlant; // kPointPlant or kPointBuilding
    uint32_t objectId = 0;            // the plant's or the building type's id
    uintptr_t record = 0;             // the PLANT or BUILDING (owned by its table)
    Sprite* icon = nullptr;           // owned by its library
    int32_t price = 0;
    const char16_t* name = nullptr; // text key in "plants" or "buildings"
};

// The choices of a category in the level's order: its plants (highest stage
// above 0), or the building types of the level that the build menu may
// offer (a factory needs one of its products available; the warehouse is
// never offered).
std::vector<SiteChoice> SiteChoices(const LevelRecord& level, const PlantData& plants,
                                    const BuildingList& buildings, uint32_t category);

// Why a site cannot take a choice now.
enum class SiteRefusal { None, NoSite, NotClean, Busy, Money, NoFarmer };
SiteRefusal CheckSiteOrder(GameLevel& level, int32_t index, const SiteChoice& choice);
// Orders the choice on the site: the point becomes the new bed or building
// at stage 0, whose job the farmer takes up. None when ordered.
SiteRefusal OrderOnSite(GameLevel& level, int32_t index, const SiteChoice& choice);
