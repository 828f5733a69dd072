#pragma once
// What the farm's building points and plant points share of the running
// level: the map, the farmer, the warehouse delivery and the tutorial. Both
// their host interfaces (BuildingHost, PlantLevel) derive from it virtually,
// so FarmHost (farm/FarmHost.h), the one host the program implements,
// answers each of these with a single member.

#include "gui/TutorialObject.h"

#include <cstdint>

class GameMessager;
class LevelMap;
class MapPlayer;
struct PRODUCT;

class FarmLevelBase {
  public:
    virtual ~FarmLevelBase() = default;

    // The level map; null runs the points without any pictures (tests).
    virtual LevelMap* Map() = 0;
    // The farmer; null when the level has none yet.
    virtual MapPlayer* Player() = 0;

    // Stores units of a product in the warehouse; answers the units taken
    // (0 when the warehouse is full or the product is null). The messenger
    // throttles the "warehouse is full" message of its owner; awardIndex
    // counts the units (-1 none); the flying units (and the money of those
    // sold) start at (x, y + flyInOffset).
    virtual uint32_t PutToWarehouse(const PRODUCT* product, uint32_t units, GameMessager* messenger,
                                    int32_t awardIndex, int32_t x, int32_t y, int32_t flyInOffset) = 0;

    // The running tutorial: whether an action is allowed, and its events.
    virtual bool TutorialAllows(uint32_t action, uint32_t tag, TutorialObject data) = 0;
    virtual void TutorialNotify(uint32_t event, uint32_t a, TutorialObject b) = 0;
};
