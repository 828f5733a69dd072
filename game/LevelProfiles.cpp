#include "game/LevelProfiles.h"
#include "game/AwardsProgram.h"
#include "game/GoalIcons.h"

#include "app/App.h"
#include "app/Profiles.h"
#include "app/UserFiles.h"
#include "gui/Window.h"
#include "level/Bonuses.h"
#include "level/LevelData.h"
#include "level/LevelTable.h"
#include "levelui/LevelWindows.h"
#include "sprites/Sprite.h"

#include <algorithm>

namespace {

Profile* Current() {
    ProfileManager* profiles = AppProfiles();
    return profiles ? profiles->Current() : nullptr;
}

} // namespace

uint32_t LevelProfileRegime() {
    const Profile* profile = Current();
    return profile ? profile->Regime() : 0;
}

uint32_t LevelProfileBonusSlots() {
    const Profile* profile = Current();
    if (!profile) return 0;
    const RegimeProgress& progress = profile->Record().results.regimes[profile->Regime() ? 1 : 0];
    uint32_t slots = 0;
    const uint32_t chosen = std::min<uint32_t>(progress.chosenCount, kChosenBonusLimit);
    for (uint32_t i = 0; i < chosen; ++i)
        if (profile->HasBonus(progress.chosen[i])) slots |= 1u << progress.chosen[i];
    if (slots == 0 && profile->ListBonuses(nullptr) <= kChosenBonusLimit)
        for (int32_t bonus = 0; bonus < kBonusCount; ++bonus)
            if (profile->HasBonus(bonus)) slots |= 1u << bonus;
    return slots;
}

std::optional<std::vector<uint8_t>> LevelProfileSavedGame(uint32_t levelIndex) {
    const Profile* profile = Current();
    const auto* saved = profile ? profile->GetSavedLevel(int32_t(levelIndex)) : nullptr;
    if (!saved) return std::nullopt;
    return *saved;
}

bool LevelProfileStoreSavedGame(uint32_t levelIndex, std::vector<uint8_t> bytes) {
    Profile* profile = Current();
    if (!profile) return false;
    profile->StoreSavedLevel(int32_t(levelIndex), std::move(bytes));
    return profile->HasSavedLevel(int32_t(levelIndex)) && profile->Save();
}

void LevelProfileDeleteSavedGame(uint32_t levelIndex) {
    if (Profile* profile = Current()) {
        profile->DeleteSavedLevel(int32_t(levelIndex));
        profile->Save();
    }
}

std::u16string LevelProfileKeepRefusedSave(uint32_t levelIndex, const std::vector<uint8_t>& bytes) {
    ProfileManager* profiles = AppProfiles();
    Profile* profile = profiles ? profiles->Current() : nullptr;
    if (!profile) return {};
    // profile<N>.level<L>.refused, or .refused2 ... beside the ones kept before.
    const std::string name =
        "profile" + std::to_string(profile->Number()) + ".level" + std::to_string(levelIndex + 1);
    const std::u16string path =
        KeepBytes(profiles->Folder() + u"\\" + std::u16string(name.begin(), name.end()), u".refused", bytes);
    if (path.empty()) return {};
    profile->DeleteSavedLevel(int32_t(levelIndex));
    profile->Save();
    return path;
}

bool LevelProfileStoreResult(uint32_t levelIndex, uint32_t levelTimeMs, LevelResult* out) {
    Profile* profile = Current();
    if (!profile) return false;
    profile->StoreLevelResult(int32_t(levelIndex), int64_t(levelTimeMs), out);
    return true;
}

Sprite* GameBonusIcon(int32_t bonus) {
    const Bonuses& bonuses = GameBonuses();
    if (Sprite* icon = bonuses.Icon(bonus)) return icon;
    const BONUS* record = bonuses.Get(bonus);
    return record ? GetSprite(kBonusIconLibrary, record->name) : nullptr;
}

LevelWindowsHost ProgramLevelWindowsHost(std::function<Profile*()> profile,
                                         std::shared_ptr<ProgramBonusEdit> bonuses,
                                         OptionalHook<void()> leaveLevel) {
    LevelWindowsHost host;
    host.profile = profile ? profile() : nullptr;
    host.title = [](uint32_t level) {
        WindowManager* windows = GetWindowManager();
        return windows && windows->Language() ? GetLevelTitle(*windows->Language(), level) : std::u16string();
    };
    host.regimeBlock = [](uint32_t level, uint32_t regime, RegimeBlock* out) {
        const LevelTable* table = GameLevelTable();
        const Level* record = table ? table->Get(level) : nullptr;
        if (!record) return false;
        *out = record->Regime(regime);
        return true;
    };
    host.hasSavedGame = [profile = std::move(profile)](uint32_t level) {
        const Profile* p = profile ? profile() : nullptr;
        return p && p->HasSavedLevel(int32_t(level));
    };
    host.garbageSites = [](uint32_t level) {
        const LevelTable* table = GameLevelTable();
        const Level* record = table ? table->Get(level) : nullptr;
        if (!record) return 0;
        return int32_t(std::count_if(record->points.begin(), record->points.end(), [](const PointRecord& p) {
            return p.kind == kPointEmptySite && p.objectId != 0;
        }));
    };
    host.goalIcon = GameGoalIcon;
    host.goalHasIngredients = GameGoalHasIngredients;
    host.bonusIcon = GameBonusIcon;
    host.bonusRecord = [](int32_t bonus) { return GameBonuses().Get(bonus); };
    host.saveProfiles = [] {
        if (ProfileManager* profiles = AppProfiles()) profiles->SaveCurrent();
    };
    host.leaveLevel = std::move(leaveLevel);
    host.selectBonuses = [bonuses = std::move(bonuses)](const BonusSelection& selection,
                                                        std::function<void(const BonusSelection&)> applied) {
        if (bonuses) bonuses->OpenForLevelWindow(selection, std::move(applied));
    };
    return host;
}
