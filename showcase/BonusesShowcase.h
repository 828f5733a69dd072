#pragma once
#include "frontend/AwardsWindow.h"

#include <cstdint>

// The bonuses window on the showcase screen: F10 opens it over the current
// profile's owned bonuses and chosen ones, as the level window would keep
// them; OK writes the choice back here and logs it.
class BonusesShowcase {
  public:
    // True when the key was F10.
    bool Key(uint32_t virtualKey);

  private:
    // The window edits a copy and writes it back here, so this object
    // outlives the window: the showcase program keeps it for the whole run.
    BonusSelection selection_;
};
