#pragma once
// The pictures of a level's goals from the farm tables, for the windows that
// show goals outside a running level (the level window over the map).

#include "level/LevelTable.h"

class FarmData;
class Sprite;

// A product, plant or building goal's icon (owned by its sprite library): the
// object's own icon, else its second icon; a building without either gets
// the round back of the level block. Null for other goals or unknown objects.
Sprite* FarmGoalIcon(const FarmData& farm, const GoalRecord& goal);
// The same from the game's farm tables (null before they are loaded).
Sprite* GameGoalIcon(const GoalRecord& goal);
// Whether a product goal's product is made from ingredients (its goal reads
// "produce", else "collect"); false for other goals and unknown products.
bool FarmGoalHasIngredients(const FarmData& farm, const GoalRecord& goal);
bool GameGoalHasIngredients(const GoalRecord& goal);
