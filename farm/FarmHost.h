#pragma once
// The one host the program implements for the farm on a running level: the
// building points' BuildingHost, the plant points' PlantLevel and the
// villains' VillainHostHooks in one object, beside the LevelServices of the
// level's map (the farm's jobs find the host from their farmer's map). The
// members the three share - the map, the farmer, the warehouse delivery, the
// tutorial and the event sounds - are answered once.

#include "farm/BuildingHost.h"
#include "farm/PlantPoints.h"
#include "farm/VillainHost.h"

class FarmHost : public BuildingHost, public PlantLevel, public VillainHostHooks {
  public:
    // One answer for the building points, the plant points and the villains.
    bool TutorialAllows(uint32_t action, uint32_t tag, TutorialObject data) override = 0;
    void TutorialNotify(uint32_t event, uint32_t a, TutorialObject b) override = 0;
    void PlayEventSound(uint32_t slot) override = 0;
    // A loaded sound on a channel (buildings), and once (a villain's arrival).
    using BuildingHost::PlaySound;
    void PlaySound(uint32_t sound) override = 0;
};
