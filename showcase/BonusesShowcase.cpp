#include "showcase/BonusesShowcase.h"

#include "app/App.h"
#include "app/Profiles.h"
#include "engine/Log.h"
#include "engine/VirtualKeys.h"
#include "frontend/BonusesWindow.h"
#include "level/LevelData.h"

bool BonusesShowcase::Key(uint32_t virtualKey) {
    if (virtualKey != kVkF1 + 9) return false;
    WindowManager* windows = GetWindowManager();
    ProfileManager* profiles = AppProfiles();
    const Profile* profile = profiles ? profiles->Current() : nullptr;
    if (!windows || !profile) return true;
    selection_ = ProfileBonusSelection(*profile);
    windows->Open<BonusesWindow>(GameBonuses(), profile, &selection_, [this] {
        LogLabelPrintf(kLogIndent, "Bonuses chosen", "%u: %d %d %d", selection_.count, selection_.ids[0],
                       selection_.ids[1], selection_.ids[2]);
    });
    return true;
}
