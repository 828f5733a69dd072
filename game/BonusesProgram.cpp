#include "app/App.h"
#include "app/Profiles.h"
#include "engine/Log.h"
#include "engine/VirtualKeys.h"
#include "frontend/BonusesWindow.h"
#include "game/AwardsProgram.h"
#include "level/LevelData.h"

#include <cstdio>
#include <cstdlib>

namespace {

// The selection the stand-in edits, as the level window would keep it.
struct StandIn {
    BonusSelection selection;
};

BonusSelection& StandInSelection() {
    StandIn* part = AppPart<StandIn>();
    if (!part) {
        std::fprintf(stderr, "verbolunde: the bonuses were asked for while no App runs.\n");
        std::abort();
    }
    return part->selection;
}

} // namespace

void BonusesStandInKey(uint32_t virtualKey) {
    if (virtualKey != kVkF1 + 9) return;
    WindowManager* windows = GetWindowManager();
    ProfileManager* profiles = AppProfiles();
    const Profile* profile = profiles ? profiles->Current() : nullptr;
    if (!windows || !profile) return;
    StandInSelection() = ProfileBonusSelection(*profile);
    windows->Open<BonusesWindow>(GetLevelGameData().bonuses, profile, &StandInSelection(), [] {
        const BonusSelection& chosen = StandInSelection();
        LogLabelPrintf(kLogIndent, "Bonuses chosen", "%u: %d %d %d", chosen.count, chosen.ids[0],
                       chosen.ids[1], chosen.ids[2]);
    });
}
