#pragma once
#include <cstdint>

// The warehouse window on the screen after loading, until a level can be
// entered from the map: F7 opens it over a sample stock (10 wheat, 3 apples,
// 2 eggs; 40 coins; the warehouse at level 1 of the "warehouse" type's
// levels). Earning 10 coins by sales reaches the sample's money goal, which
// shows a goal notice at the bottom right. Sales and upgrades are logged.
// F7 again closes the window.

// True when the key was F7.
bool WarehouseShowcaseKey(uint32_t virtualKey);
void CloseWarehouseShowcase();
