#include "game/AwardsProgram.h"

#include "app/App.h"
#include "app/Profiles.h"
#include "engine/Log.h"
#include "engine/SoundManager.h"
#include "frontend/AwardsWindow.h"
#include "frontend/BonusesWindow.h"
#include "game/GameTables.h"
#include "gui/Notices.h"
#include "level/Bonuses.h"
#include "level/LevelData.h"
#include "levelui/LevelWindowsModel.h"
#include "levelui/TextTags.h"
#include "text/TextLayout.h"

#include <cstring>

namespace {

const Awards* Table() {
    GameTables* tables = GetGameTables();
    return tables && tables->awards.IsLoaded() ? &tables->awards : nullptr;
}

Profile* CurrentProfile() {
    ProfileManager* profiles = AppProfiles();
    return profiles ? profiles->Current() : nullptr;
}

// The profile's 18 award words as the table's counters, and back.
static_assert(sizeof(AwardCounters) == sizeof(ProfileRecord::awards));
AwardCounters CountersOf(const Profile& profile) {
    AwardCounters counters;
    std::memcpy(&counters, profile.Record().awards, sizeof counters);
    return counters;
}
void Store(Profile& profile, const AwardCounters& counters) {
    std::memcpy(profile.MutableRecord().awards, &counters, sizeof counters);
}

int32_t PositionOfAward(const Awards& table, uint32_t index) {
    for (int i = 0; i < kAwardCount; ++i)
        if (table.GetAward(i).index == int32_t(index)) return i;
    return -1;
}
int32_t PositionOfGoal(const Awards& table, uint32_t index) {
    for (int i = 0; i < kGoalCount; ++i)
        if (table.GetGoal(i).index == int32_t(index)) return i;
    return -1;
}

// The text of a notice with its tag expanded for the record it names.
std::u16string NoticeText(WindowManager& windows, const char16_t* key, uint32_t context, const void* object) {
    const std::u16string text = windows.Text(u"awards", key);
    uint32_t length = 0;
    const char16_t* expanded = KGEExpandTextTags(text.c_str(), uint32_t(text.size()), 1024, ExpandTextTag,
                                                 context, reinterpret_cast<uintptr_t>(object), &length);
    return expanded ? std::u16string(expanded, length) : text;
}

} // namespace

void OpenProgramAwards(bool preview, int32_t clearTop, int32_t clearBottom) {
    WindowManager* windows = GetWindowManager();
    if (const Awards* table = Table(); windows && table)
        OpenAwardsWindow(*windows, *table, AppProfiles(), preview, clearTop, clearBottom);
}

// ---------------------------------------------------------------- counters

int32_t ProgramAddAwardCount(uint32_t award, int32_t amount) {
    const Awards* table = Table();
    Profile* profile = CurrentProfile();
    if (!table || !profile || award >= uint32_t(kAwardCount)) return 0;
    AwardCounters counters = CountersOf(*profile);
    const int tier = table->Add(counters, int(award), amount);
    Store(*profile, counters);
    return tier;
}

int32_t ProgramAwardTier(uint32_t award) {
    const Awards* table = Table();
    const Profile* profile = CurrentProfile();
    if (!table || !profile || award >= uint32_t(kAwardCount)) return 0;
    return table->GetTier(int(award), CountersOf(*profile).awards[award]);
}

bool ProgramAddGoalProgress(uint32_t goal, int32_t amount, bool relative) {
    const Awards* table = Table();
    Profile* profile = CurrentProfile();
    if (!table || !profile || goal >= uint32_t(kGoalCount)) return false;
    AwardCounters counters = CountersOf(*profile);
    const bool crossed = table->AddGoalProgress(counters, int(goal), amount, relative);
    Store(*profile, counters);
    return crossed;
}

int32_t ProgramGoalCounter(uint32_t goal) {
    const Profile* profile = CurrentProfile();
    return profile && goal < uint32_t(kGoalCount) ? CountersOf(*profile).goals[goal] : 0;
}

int32_t ProgramVillainsInARow() {
    const Profile* profile = CurrentProfile();
    return profile ? profile->Record().villainsInARow : 0;
}

void ProgramSetVillainsInARow(int32_t n) {
    if (Profile* profile = CurrentProfile()) profile->MutableRecord().villainsInARow = n;
}

bool ProgramCheckFinalAward() {
    const Awards* table = Table();
    Profile* profile = CurrentProfile();
    if (!table || !profile) return false;
    AwardCounters counters = CountersOf(*profile);
    const bool won = table->CheckAllComplete(counters);
    if (won) Store(*profile, counters);
    return won;
}

uint32_t ProgramCountLevelWin(Profile& profile) {
    // The goal of levels won ("win ten levels").
    constexpr int kLevelsWonGoal = 1;
    const Awards* table = Table();
    if (!table) return 0;
    AwardCounters counters = CountersOf(profile);
    uint32_t flags = 0;
    if (table->AddGoalProgress(counters, kLevelsWonGoal, 1, true)) {
        flags |= kResultAwardGoal;
        if (table->CheckAllComplete(counters)) flags |= kResultAllAwards;
    }
    Store(profile, counters);
    return flags;
}

// ---------------------------------------------------------------- notices

void AnchorNotices(GameWindow* anchor, uint32_t keepMask, int32_t bottomOffset) {
    WindowManager* windows = GetWindowManager();
    if (!windows) return;
    InstallAwardNotices(*windows, GetSoundManager());
    windows->Messages().Relayout(anchor, bottomOffset, keepMask);
    windows->Awards().Relayout(anchor, bottomOffset);
}

void DeleteNotices() {
    if (WindowManager* windows = GetWindowManager()) {
        windows->Messages().DeleteAll();
        windows->Awards().DeleteAll();
    }
}

void InstallAwardNotices(WindowManager& windows, SoundManager& sound) {
    NewAwardWindowStack& stack = windows.Awards();
    stack.openAwardsWindow = [] { OpenProgramAwards(false); };
    // The notices' sounds play in the screen's category: the award's own
    // sample, and whatever sound a message names.
    auto play = [&sound](uint32_t soundId) { sound.PlayById(soundId, kSoundCategoryScreen, kLoopAsLoaded); };
    stack.awardSound = sound.FindSample(u"award");
    stack.playSound = play;
    windows.Messages().playSound = play;
    stack.contentSource = [&windows](uint32_t kind, uint32_t index, uint32_t, const char16_t* key) {
        NewAwardWindowStack::Content content;
        const Awards* table = Table();
        if (!table) {
            content.text = windows.Text(u"awards", key);
            return content;
        }
        if (kind == 0) {
            const int32_t at = PositionOfAward(*table, index);
            if (at >= 0) {
                content.icon = table->GetAwardIcon(at);
                content.text = NoticeText(windows, key, kTagContextAward, &table->GetAward(at));
            }
        } else if (kind == 1) {
            const int32_t at = PositionOfGoal(*table, index);
            if (at >= 0) {
                content.icon = table->GetGoalIcon(at);
                content.text = NoticeText(windows, key, kTagContextGoal, &table->GetGoal(at));
            }
        } else {
            content.icon = table->GetTotalIconSprite();
            content.text = NoticeText(windows, key, kTagContextFinalAward, nullptr);
        }
        if (content.text.empty()) content.text = windows.Text(u"awards", key);
        return content;
    };
}

void SetTagLevel(const RunningLevelTags* level) {
    if (GameTables* tables = GetGameTables()) tables->tagSources.SetRunningLevel(level);
}

// ---------------------------------------------------------------- bonuses

struct ProgramBonusEdit::Edit {
    BonusSelection selection;
    BonusesWindow* window = nullptr; // in the manager's stack while it is there
};

ProgramBonusEdit::ProgramBonusEdit() : edit_(std::make_unique<Edit>()) {}

ProgramBonusEdit::~ProgramBonusEdit() {
    if (WindowManager* windows = GetWindowManager()) Close(*windows);
}

void ProgramBonusEdit::Close(WindowManager& windows) {
    if (edit_->window && windows.IndexOf(edit_->window) >= 0) {
        windows.Destroy(edit_->window);
        windows.DeleteClosedWindows();
    }
    edit_->window = nullptr;
}

void ProgramBonusEdit::OpenForLevelWindow(const BonusSelection& selection, Applied applied) {
    WindowManager* windows = GetWindowManager();
    if (windows && Open(*windows, selection, std::move(applied)))
        LogLine(kLogIndent, "Bonuses window opened from the level window.");
}

bool ProgramBonusEdit::Open(WindowManager& windows, const BonusSelection& selection, Applied applied) {
    const Profile* profile = CurrentProfile();
    const Bonuses& table = GameBonuses();
    if (!profile || !table.IsLoaded()) return false;
    Close(windows);
    BonusSelection& edited = edit_->selection;
    edited = selection;
    edited.count = std::min<uint32_t>(edited.count, kChosenBonusLimit);
    edit_->window =
        windows.Open<BonusesWindow>(table, profile, &edited, [&edited, applied = std::move(applied)] {
            if (applied) applied(edited);
        });
    return true;
}
