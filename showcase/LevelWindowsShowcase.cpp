#include "showcase/LevelWindowsShowcase.h"

#include "engine/Log.h"
#include "engine/SoundManager.h"
#include "engine/VirtualKeys.h"
#include "level/Bonuses.h"
#include "level/LevelData.h"
#include "levelui/LevelMenu.h"
#include "sprites/Sprite.h"

#include <cstring>
#include <memory>

namespace {

constexpr uint32_t kSampleLevel = 33;

void CopyName(char16_t (&to)[32], const char16_t* from) {
    size_t n = 0;
    for (; from[n] && n < 31; ++n)
        to[n] = from[n];
    to[n] = 0;
}

// The sample level's page: a picture row of its own text, a separator and a
// line row of its own text naming the warehouse.
std::vector<InfoEntry> SampleEntries() {
    std::vector<InfoEntry> entries(3);
    std::memset(entries.data(), 0, entries.size() * sizeof(InfoEntry));
    entries[0].rowKind = kInfoPictureRow;
    CopyName(entries[0].name, u"new_market");
    CopyName(entries[0].bodyKey, u"new_market_body");
    CopyName(entries[0].icon, u"ico_coin");
    CopyName(entries[0].picture, u"info_market");
    entries[1].rowKind = kInfoSeparator16;
    entries[2].rowKind = kInfoLineRow;
    CopyName(entries[2].name, u"warehouse");
    CopyName(entries[2].bodyKey, u"warehouse_body");
    CopyName(entries[2].icon, u"ico_coin");
    return entries;
}

RegimeBlock SampleBlock() {
    RegimeBlock b{};
    b.bronzeMs = 120000, b.silverMs = 90000, b.goldMs = 60000;
    b.goalCount = 3;
    b.goals[0] = {kGoalMoney, 0, 0, 50};
    b.goals[1] = {kGoalProduct, 0, 0, 5};
    b.goals[2] = {kGoalBuilding, 0, 1, 1};
    return b;
}

ProfileRecord SampleProfile() {
    ProfileRecord r{};
    RegimeProgress& p = r.results.regimes[0];
    p.owned[1] = p.owned[2] = 1;
    p.chosenCount = 2;
    p.chosen[0] = 1, p.chosen[1] = 2, p.chosen[2] = -1;
    return r;
}

void CloseWindows() {
    WindowManager* windows = GetWindowManager();
    if (!windows) return;
    for (GameWindow* w :
         {windows->infoWindow, windows->levelWindow, windows->menuWindow, windows->levelResultWindow})
        if (w) windows->Destroy(w);
}

} // namespace

struct LevelWindowsShowcase::Sample {
    Profile profile{nullptr, SampleProfile()}; // a copy of its own: nothing is saved
    std::unique_ptr<LevelMenu> menu;
    int step = 0;
};

LevelWindowsShowcase::LevelWindowsShowcase() = default;

LevelWindowsShowcase::~LevelWindowsShowcase() {
    Close();
}

LevelWindowsHost LevelWindowsShowcase::Host(WindowManager& windows) {
    LevelWindowsHost host;
    host.profile = &sample_->profile;
    host.title = [&windows](uint32_t level) {
        return std::u16string(windows.Text(u"levels", u"name")) + u" " +
               std::u16string(1, char16_t(u'0' + (level + 1) / 10)) + char16_t(u'0' + (level + 1) % 10);
    };
    host.regimeBlock = [](uint32_t, uint32_t, RegimeBlock* out) {
        *out = SampleBlock();
        return true;
    };
    host.hasSavedGame = [](uint32_t) { return false; };
    host.bonusIcon = [](int32_t bonus) {
        static const char16_t* const kIcons[6] = {u"bonus_bees", u"bonus_rain", u"bonus_boots",
                                                  u"bonus_sun",  u"bonus_feed", u"bonus_gears"};
        return bonus >= 0 && bonus < 6 ? GetSprite(kBonusIconLibrary, kIcons[bonus]) : nullptr;
    };
    host.bonusRecord = [](int32_t bonus) { return GameBonuses().Get(bonus); };
    host.leaveLevel = [] {
        LogLabelPrintf(kLogIndent, "Level windows", "the level is left for the map");
        CloseWindows();
    };
    return host;
}

void LevelWindowsShowcase::Step() {
    WindowManager* windows = GetWindowManager();
    if (!windows) return;
    Sample& s = *sample_;
    CloseWindows();
    switch (s.step++) {
    case 0: {
        InfoWindow* page = windows->Open<InfoWindow>(SampleEntries(), InfoWindow::PassThrough{},
                                                     [] { return SoundManager::GetTime(); });
        LogLabelPrintf(kLogIndent, "Level windows", "information page %d x %d",
                       page->rect.right - page->rect.left, page->rect.bottom - page->rect.top);
        break;
    }
    case 1: {
        LevelMenuHooks hooks;
        hooks.level = kSampleLevel;
        hooks.windows = Host(*windows);
        hooks.leaveLevel = [] {
            LogLabelPrintf(kLogIndent, "Level windows", "to the map");
            CloseWindows();
        };
        hooks.restartFromScratch = [] {
            LogLabelPrintf(kLogIndent, "Level windows", "the level starts again");
            CloseWindows();
        };
        hooks.closeMainWindow = [] { LogLabelPrintf(kLogIndent, "Level windows", "quit confirmed"); };
        s.menu = std::make_unique<LevelMenu>(*windows, std::move(hooks));
        s.menu->Show(true);
        LogLabelPrintf(kLogIndent, "Level windows", "pause menu");
        break;
    }
    case 2: {
        LevelResult r{};
        r.level = kSampleLevel, r.flags = kResultNewBest, r.regime = 0;
        r.limits[0] = 120000, r.limits[1] = 90000, r.limits[2] = 60000;
        r.statusBefore = 2, r.grade = 6, r.bestBefore = 0, r.timeMs = 47000, r.bonus = -1;
        windows->Open<LevelResultWindow>(r, Host(*windows));
        LogLabelPrintf(kLogIndent, "Level windows", "result window: gold in 00:00:47, a new record");
        break;
    }
    default:
        Close();
        break;
    }
}

bool LevelWindowsShowcase::Key(uint32_t virtualKey) {
    if (virtualKey != kVkF1 + 8) return false;
    if (!sample_) sample_ = std::make_unique<Sample>();
    Step();
    return true;
}

void LevelWindowsShowcase::Close() {
    if (!sample_) return;
    CloseWindows();
    if (WindowManager* windows = GetWindowManager()) windows->DeleteClosedWindows();
    sample_.reset();
}
