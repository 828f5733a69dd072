#pragma once
// The three animal houses together, for the code that makes, draws or plays
// them all: the henhouse, the cowshed and the sheep rack on their shared
// base (farm/AnimalHouse.h).

#include "farm/AnimalHouse.h"
#include "farm/Cowshed.h"
#include "farm/Henhouse.h"
#include "farm/SheepRack.h"
