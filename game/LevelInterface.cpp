#include "game/LevelInterface.h"

#include "app/App.h"
#include "app/GameShell.h"
#include "app/GameStates.h"
#include "app/Profiles.h"
#include "engine/Log.h"
#include "engine/SoundManager.h"
#include "farm/FarmData.h"
#include "foundation/Ident.h"
#include "frontend/OptionsWindow.h"
#include "game/AwardsProgram.h"
#include "game/FieldSprites.h"
#include "game/GoalIcons.h"
#include "game/LevelProfiles.h"
#include "game/ProgramWorld.h"
#include "gui/Notices.h"
#include "level/Bonuses.h"
#include "level/GameLevel.h"
#include "level/LevelData.h"
#include "level/MapCharacter.h"
#include "levelui/PanelLayout.h"
#include "levelui/PointPanels.h"
#include "levelui/RunningLevelTags.h"
#include "levelui/RunningLevelView.h"
#include "levelui/TextTags.h"
#include "platform/Utf.h"
#include "sprites/GameEffect.h"
#include "sprites/Sprite.h"

#include <algorithm>

namespace {

constexpr uint32_t kWarehouseFullLifetime = 5000;
constexpr uint32_t kWarehouseFullFirstLifetime = 15000;
// The awards window over a level stands below the money strip, as the pause menu does.
constexpr int32_t kAwardsClearTop = kMoneyStripHeight + kBelowMoneyStrip;

Profile* CurrentProfile() {
    ProfileManager* profiles = AppProfiles();
    return profiles ? profiles->Current() : nullptr;
}

const Bonuses& BonusTable() {
    return GameBonuses();
}

// An interface sprite of the product table's pictures by name (library 2).
Sprite* ProductIcon(const PRODUCT* product) {
    if (!product) return nullptr;
    if (product->icon) return product->icon;
    if (Sprite* icon = GetSprite(2, product->record.iconName)) return icon;
    return GetSprite(2, product->record.secondIconName);
}

// The information page's rows as the running level shows them: it speaks
// only of the bonuses the player took into the level, and a separator goes
// with the rows it stood above.
std::vector<InfoEntry> ShownInfoEntries(const GameLevel& level) {
    const auto separator = [](const InfoEntry& e) {
        return e.rowKind == kInfoSeparator16 || e.rowKind == kInfoSeparator4;
    };
    std::vector<InfoEntry> shown;
    for (const InfoEntry& e : level.Record().info) {
        const BONUS* bonus = e.objectKind == kInfoBonus ? BonusTable().FindByName(e.name) : nullptr;
        if (e.objectKind == kInfoBonus &&
            (!bonus || bonus->id >= kBonusSlotCount || !level.Slot(bonus->id).inUse))
            continue;
        if (separator(e) && !shown.empty() && separator(shown.back()))
            shown.back() = e;
        else
            shown.push_back(e);
    }
    while (!shown.empty() && separator(shown.back()))
        shown.pop_back();
    return shown;
}

const BUILDING* WarehouseTypeOf(const FarmData& farm) {
    return farm.buildings.FindBuildingByName(u"warehouse");
}

// The level's screen fade (250 ms out, 250 ms in): its mid-point, under the
// cover and outside any window's input, runs the interface's answer.
class LevelFade : public GEffect_ShowHide {
  public:
    explicit LevelFade(std::function<void()> middle)
        : GEffect_ShowHide(nullptr, 250, 250, 0, 1, kFadeTakesInput), middle_(std::move(middle)) {}

  protected:
    void OnMidpoint() override {
        if (middle_) middle_();
    }

  private:
    std::function<void()> middle_;
};

} // namespace

// ---------------------------------------------------------------- the panel's context

class LevelInterface::Context : public LevelPanelContext {
  public:
    Context(LevelInterface& ui) : ui_(ui) {}

    MoneyValue* Money() override { return &ui_.level_->Money(); }
    ProductStock* Stock() override { return &ui_.world_.Stock(); }
    uint32_t WarehouseLevelCount() const override {
        // The levels this level allows; the type's own count without a limit.
        const int32_t allowed = ui_.level_->HighestStage(kPointWarehouse, kis::NameId("warehouse"));
        if (allowed > 0) return uint32_t(allowed);
        const BUILDING* type = WarehouseTypeOf(ui_.farm_);
        return type ? uint32_t(std::max(type->header.levelCount, 1)) : 1u;
    }
    Sprite* GoalIcon(const GoalRecord& goal) const override {
        switch (goal.kind) {
        case kGoalProduct:
            return ProductIcon(ui_.farm_.products.FindProduct(goal.objectId));
        case kGoalPlant:
            if (const PLANT* plant = ui_.farm_.plants.FindPlant(goal.objectId)) {
                if (plant->icon) return plant->icon;
                if (Sprite* icon = GetSprite(2, plant->record.iconName)) return icon;
                return GetSprite(2, plant->record.secondIconName);
            }
            return nullptr;
        case kGoalBuilding:
            if (const BUILDING* type = ui_.farm_.buildings.FindBuildingType(goal.objectId)) {
                const int32_t level =
                    std::clamp<int32_t>(int32_t(goal.stage), 1, type->header.levelCount) - 1;
                if (type->levels[level].icon) return type->levels[level].icon;
                if (Sprite* icon = GetSprite(2, type->levels[level].record.iconName)) return icon;
            }
            // A building without a picture of its own: the level block's frame.
            return GetSprite(1, u"level_ico_back");
        default:
            return nullptr;
        }
    }
    bool GoalHasIngredients(const GoalRecord& goal) const override {
        return FarmGoalHasIngredients(ui_.farm_, goal);
    }
    Sprite* BonusIcon(uint32_t slot) const override { return GameBonusIcon(BonusId(BonusInSlot(slot))); }
    std::u16string BonusTitle(uint32_t slot) const override {
        const BONUS* bonus = BonusTable().Get(BonusInSlot(slot));
        return bonus ? std::u16string(bonus->title) : std::u16string();
    }
    LevelTutorialHooks* RunningTutorial() override {
        return ui_.tutorial_ && ui_.tutorial_->IsRunning() ? ui_.tutorial_ : nullptr;
    }
    // Closing the level's own tutorial (the one its save keeps) holds for the
    // level's later starts too. The full-warehouse tutorial, which a player
    // meets once and the save does not keep, only ends.
    void CloseTutorial() override {
        const LevelTutorialHooks* running = RunningTutorial();
        const bool levelsOwn = running && running->IsSavedWithLevel();
        LevelPanelContext::CloseTutorial();
        if (!levelsOwn) return;
        if (Profile* profile = CurrentProfile())
            profile->TurnLevelTutorialOff(int32_t(ui_.level_->LevelIndex()));
        LogLabelPrintf(kLogIndent, "Level tutorial", "turned off for level %u", ui_.level_->LevelIndex() + 1);
    }
    bool OpenWarehouseWindow() override {
        ui_.OpenWarehouseWindow();
        return true;
    }
    bool OpenPauseMenu() override {
        ui_.ShowMenu(true);
        return true;
    }
    // A point works while the farmer has an unfinished job there.
    bool IsPointBusy(const BaseLevelPoint& point) const override {
        MapPlayer* player = ui_.level_->World().Player();
        for (int32_t i = 0; player && i < player->JobCount(); ++i) {
            const Job* job = player->GetJob(i);
            if (!job->IsFinished() && job->TargetPoint() == int32_t(point.Index())) return true;
        }
        return false;
    }
    void RequestPulldown(BaseLevelPoint& point) override {
        if (auto* p = dynamic_cast<LevelPoint*>(&point); p && p->RequestPulldown())
            LogLabelPrintf(kLogIndent, "Remove", "point %u: pull-down ordered", point.Index());
    }

  private:
    LevelInterface& ui_;
};

// ---------------------------------------------------------------- the warehouse window's level

class LevelInterface::Warehouse : public WarehouseLevel {
  public:
    Warehouse(LevelInterface& ui) : ui_(ui) {}

    ProductStock& Stock() override { return ui_.world_.Stock(); }
    MoneyValue& Money() override { return ui_.level_->Money(); }
    const BUILDING* WarehouseType() const override { return WarehouseTypeOf(ui_.farm_); }
    void RaiseWarehouse() override {
        // The warehouse point grows a stage and takes the stock's level with it;
        // a level without the farm's warehouse point raises the stock alone.
        auto* point = dynamic_cast<LevelPoint*>(ui_.level_->GetPoint(0));
        const uint32_t before = Stock().GetWarehouseLevel();
        if (!point || !point->NextStage() || Stock().GetWarehouseLevel() == before)
            ui_.world_.SetWarehouseLevel(before + 1);
        Recount();
        LogLabelPrintf(kLogIndent, "Warehouse", "level %u, money %d", Stock().GetWarehouseLevel(),
                       ui_.level_->Money().Get());
    }
    void AddGoalProgress(uint32_t kind, int32_t amount) override {
        // A sale: money earned counts towards the award goal; the level's own
        // goals count the money and the stock again.
        ui_.level_->AddGoalProgress(kind, amount, CounterUpdate::Add, GoalNotice::Show);
        Recount();
        LogLabelPrintf(kLogIndent, "Warehouse", "sold for %d, money %d", amount, ui_.level_->Money().Get());
    }
    void StartClock() override { ui_.level_->StartClock(); }
    void PlayEventSound(uint32_t slot) override {
        // The sale's sound is the click of the window's sale buttons: a window
        // sound, heard at once although the open window pauses the level.
        ui_.context_->PlayEventSound(slot, kSoundCategoryInterface, false);
    }
    std::u16string ProductName(const PRODUCT* product) const override {
        WindowManager* windows = GetWindowManager();
        return windows && product ? std::u16string(windows->Text(u"products", product->record.name))
                                  : std::u16string();
    }
    Sprite* FindSprite(int32_t library, const char16_t* name) const override {
        return GetSprite(library, name);
    }
    bool IsOver() const override { return ui_.level_->IsEnded() || ui_.level_->Result() != kLevelRunning; }

  private:
    void Recount() {
        for (uint32_t kind : {uint32_t(kGoalMoney), uint32_t(kGoalProduct), uint32_t(kGoalBuilding)})
            ui_.level_->UpdateGoals(kind);
    }
    LevelInterface& ui_;
};

// ---------------------------------------------------------------- the text tags' level

class LevelInterface::Tags : public RunningLevelTags {
  public:
    Tags(LevelInterface& ui) : ui_(ui) {}
    bool Running() const override { return !ui_.level_->IsEnded() && ui_.level_->Result() == kLevelRunning; }
    int32_t Money() const override { return ui_.level_->Money().Get(); }
    int32_t WarehouseLevel() const override { return int32_t(ui_.world_.Stock().GetWarehouseLevel()); }
    int32_t StockCount(uint32_t productId) const override {
        return int32_t(ui_.world_.ProductCount(productId));
    }
    bool GoalProgress(uint32_t kind, uint32_t id, int32_t stage, int32_t target,
                      int32_t* progress) const override {
        for (uint32_t i = 0; const GoalRecord* goal = ui_.level_->GetGoal(i); ++i)
            if (goal->kind == kind && goal->objectId == id && int32_t(goal->stage) == stage &&
                int32_t(goal->target) == target) {
                *progress = ui_.level_->GoalProgress(i);
                return true;
            }
        return false;
    }
    bool LiveGoalValue(int goal, int32_t* value) const override {
        switch (goal) {
        case kAwardVillainsInARow:
            *value = ProgramVillainsInARow();
            return true;
        case kAwardJobsInLevel:
            *value = ui_.level_->JobsDone();
            return true;
        case kAwardClickRate:
            *value = ui_.level_->ClickRate();
            return true;
        case kAwardHighestValue:
            *value = ui_.level_->HighestValue();
            return true;
        default:
            return false;
        }
    }

  private:
    LevelInterface& ui_;
};

// ---------------------------------------------------------------- the interface

LevelInterface::LevelInterface(ProgramWorld& world, FarmData& farm)
    : world_(world), farm_(farm), context_(std::make_unique<Context>(*this)),
      warehouse_(std::make_unique<Warehouse>(*this)), tags_(std::make_unique<Tags>(*this)),
      bonuses_(std::make_shared<ProgramBonusEdit>()) {}

void LevelInterface::Attach(GameLevel& level) {
    level_ = &level;
    levelView_ = MakeRunningLevelView(level);
    WindowManager* windows = GetWindowManager();
    if (!windows) return;
    menu_ = std::make_unique<LevelMenu>(*windows, MenuHooks(level.LevelIndex()));
    InstallAwardNotices(*windows, GetSoundManager());
    windows->Awards().openAwardsWindow = [] { OpenProgramAwards(false, kAwardsClearTop); };
    SetTagLevel(tags_.get());
}

LevelInterface::~LevelInterface() {
    // A fade still running would answer to this interface.
    if (dynamic_cast<LevelFade*>(CurrentGameEffect())) StartGameEffect(nullptr);
    CloseAll();
    // Only an attached level played sounds.
    if (level_) {
        SetTagLevel(nullptr);
        EndLevelSounds();
    }
}

LevelMenuHooks LevelInterface::MenuHooks(uint32_t levelIndex) {
    LevelMenuHooks hooks;
    hooks.level = levelIndex;
    hooks.windows = WindowsHost();
    hooks.closeMainWindow = [] { CloseMainWindow(); };
    hooks.leaveLevel = [this] { level_->Leave(); };
    hooks.restartFromScratch = [this] { restartWanted_ = true; };
    hooks.fade = [this](std::function<void()> middle) { FadeThen(std::move(middle)); };
    hooks.openOptions = [] { OpenOptionsWindow(); };
    hooks.openAwards = [] { OpenProgramAwards(false, kAwardsClearTop); };
    return hooks;
}

LevelWindowsHost LevelInterface::WindowsHost() {
    return ProgramLevelWindowsHost(CurrentProfile, bonuses_, [this] { level_->Leave(); });
}

void LevelInterface::OpenPanel() {
    WindowManager* windows = GetWindowManager();
    if (!windows || Panel()) return;
    LevelPanel* panel = windows->Open<LevelPanel>(*levelView_, *context_, this);
    panel->OnScreenResize(windows->ScreenWidth(), windows->ScreenHeight());
    panel->CreateBonusButtons();
    panel->GetWarehouseButton()->SetLevel(warehouseLevel_);
    points_ = std::make_unique<PointPanels>(*panel, *level_, farm_);
    windows->Messages().Relayout(panel, kNoticeOffsetLevel, kNoticeLevel);
    windows->Awards().Relayout(panel, kNoticeOffsetLevel);
    if (infoWanted_) {
        infoWanted_ = false;
        OpenInfoWindow();
    }
}

void LevelInterface::CloseAll() {
    WindowManager* windows = GetWindowManager();
    // Without the panel nothing of the level is open: its windows went with
    // it (a level kept for the map closed them when it was kept), and the
    // notices belong to the screen shown now.
    if (!windows || !Panel()) return;
    // The level's messages go (a full warehouse's notice reads the level);
    // those the map and the main screen keep, and the award notices, leave the panel.
    windows->Messages().Relayout(nullptr, kNoticeOffsetLevel, kNoticeMap | kNoticeMainScreen);
    windows->Awards().Relayout(nullptr, kNoticeOffsetLevel);
    for (GameWindow* window :
         {windows->menuWindow, windows->infoWindow, windows->levelWindow, windows->levelResultWindow,
          windows->warehouseWindow, windows->awardsWindow, windows->optionsWindow})
        if (window) windows->Destroy(window);
    // The level's dialogs (quit, restart, close-tutorial, game over) answer to it.
    for (int32_t i = windows->Count() - 1; i >= 0; --i)
        if (windows->Get(i)->tag == kDialogTag) windows->Destroy(windows->Get(i));
    bonuses_->Close(*windows);
    points_.reset();
    if (LevelPanel* panel = Panel()) windows->Destroy(panel);
    // Deleted now: the panel and the windows read this interface and the level.
    windows->DeleteClosedWindows();
    SetPanel(nullptr);
}

void LevelInterface::Update() {
    if (WindowManager* windows = GetWindowManager()) windows->Update();
}

void LevelInterface::FadeThen(std::function<void()> middle) {
    StartGameEffect(std::make_unique<LevelFade>([this, middle = std::move(middle)] {
        middle();
        // The screen stands still under the cover: a restart asked for
        // happens now, in the fade's middle.
        if (session_.restartNow && TakeRestart()) session_.restartNow();
    }));
}

bool LevelInterface::TakeRestart() {
    const bool wanted = restartWanted_;
    restartWanted_ = false;
    return wanted;
}

// ---------------------------------------------------------------- windows

void LevelInterface::ShowMenu(bool animate) {
    if (!menu_ || level_->IsEnded()) return;
    if (menu_->Show(animate)) LogLine(kLogIndent, "Level menu opened.");
}

void LevelInterface::OpenInfoWindow() {
    WindowManager* windows = GetWindowManager();
    if (!windows) return;
    if (!Panel()) {
        // The start-up asks before the panel is there: the page opens above it.
        infoWanted_ = true;
        return;
    }
    if (windows->infoWindow) windows->Destroy(windows->infoWindow);
    const std::vector<InfoEntry> entries = ShownInfoEntries(*level_);
    if (entries.empty()) return;
    windows->Open<InfoWindow>(
        entries, [this](int32_t x, int32_t y) { return PassesToPanel(x, y); },
        [] { return SoundManager::GetTime(); });
    LogLine(kLogIndent, "Level information page opened.");
}

bool LevelInterface::PassesToPanel(int32_t x, int32_t y) const {
    LevelPanel* panel = Panel();
    return panel && panel->HitTestButtons(x, y);
}

void LevelInterface::OpenWarehouseWindow() {
    WindowManager* windows = GetWindowManager();
    if (!windows || warehouse_->IsOver()) return;
    auto* window = windows->Open<WarehouseWindow>(*warehouse_);
    window->SetPassThrough([](void* self, int32_t x,
                              int32_t y) { return static_cast<LevelInterface*>(self)->PassesToPanel(x, y); },
                           this);
    LogLabelPrintf(kLogIndent, "Warehouse", "window opened with %d products, money %d",
                   warehouse_->Stock().RecordCount(), level_->Money().Get());
}

void LevelInterface::SetWarehouseButtonLevel(int32_t level) {
    warehouseLevel_ = std::max(level, 0);
    if (LevelPanel* panel = Panel()) panel->GetWarehouseButton()->SetLevel(warehouseLevel_);
}

void LevelInterface::OpenResultWindow(const LevelResult& result) {
    WindowManager* windows = GetWindowManager();
    if (!windows) return;
    for (GameWindow* window : {windows->menuWindow, windows->infoWindow, windows->warehouseWindow})
        if (window) static_cast<SpritesWindow*>(window)->Close();
    const LevelResultWindow* window = windows->Open<LevelResultWindow>(result, WindowsHost());
    // The time the window shows beside the panel's clock, which stopped at the win.
    const EmptyPanel* clock = Panel() ? Panel()->GetEmptyPanel() : nullptr;
    LogLabelPrintf(kLogIndent, "Level result",
                   "window opened: %u ms, %s beside the clock's %s, grade %u%s; Enter leaves.", result.timeMs,
                   platform::Utf16ToUtf8(window->TimeText()).c_str(),
                   clock ? platform::Utf16ToUtf8(clock->ClockText()).c_str() : "-", result.grade,
                   (result.flags & kResultNewBest) ? ", a new record" : "");
}

void LevelInterface::OpenGameOverDialog() {
    WindowManager* windows = GetWindowManager();
    if (!windows) return;
    for (GameWindow* window : {windows->menuWindow, windows->infoWindow, windows->warehouseWindow})
        if (window) static_cast<SpritesWindow*>(window)->Close();
    windows->Open<DialogWindow>(DialogParams::Make(kDialogYes, kDialogNo, nullptr, nullptr), u"level_lost_c",
                                u"level_lost", &LevelInterface::GameOverAnswer,
                                reinterpret_cast<uintptr_t>(this), uintptr_t(0));
    LogLine(kLogIndent, "Level lost: the game-over dialog asks to try again.");
}

uint32_t LevelInterface::GameOverAnswer(uintptr_t self, uintptr_t, uint32_t command) {
    reinterpret_cast<LevelInterface*>(self)->OnGameOverAnswer(command);
    return 1;
}

void LevelInterface::OnGameOverAnswer(uint32_t command) {
    WindowManager* windows = GetWindowManager();
    if (!windows || (command != kDialogOk && command != kDialogYes)) {
        level_->Leave();
        return;
    }
    LevelWindowsHost host = WindowsHost();
    const LevelWindowMarks marks = TakeLevelWindowMarks(host);
    windows->Open<LevelWindow>(
        level_->LevelIndex(), kLevelWindowGameOver,
        [this](uint32_t result, uint32_t, uint32_t) {
            if (result)
                FadeThen([this] { restartWanted_ = true; });
            else
                level_->Leave();
        },
        std::move(host), marks, nullptr, u"to_map");
    LogLine(kLogIndent, "Level window opened after the game over.");
}

// ---------------------------------------------------------------- notices

void LevelInterface::ShowGoalNotice(uint32_t goal) {
    if (WindowManager* windows = GetWindowManager()) windows->Awards().Show(1, goal, 1);
    LogLabelPrintf(kLogIndent, "Notice", "goal %u reached", goal);
}

void LevelInterface::ShowAwardNotice(uint32_t award) {
    const int32_t tier = ProgramAwardTier(award);
    if (WindowManager* windows = GetWindowManager()) windows->Awards().Show(0, award, uint32_t(tier));
    LogLabelPrintf(kLogIndent, "Notice", "award %u at tier %d", award, tier);
}

void LevelInterface::ShowFinalAwardNotice() {
    if (WindowManager* windows = GetWindowManager()) windows->Awards().Show(2, 0, 0);
    LogLine(kLogIndent, "Notice: the final award.");
}

void LevelInterface::ShowWarehouseFull(uint32_t productId) {
    WindowManager* windows = GetWindowManager();
    const PRODUCT* product = farm_.products.FindProduct(productId);
    if (!windows || !product) return;
    // The first full warehouse of a player explains what to do.
    Profile* profile = CurrentProfile();
    const bool first = profile && !HasFlags(profile, kProfileFlagWarehouseFull);
    if (first) profile->AddAwards(kProfileFlagWarehouseFull);
    const bool tutorials = profile && profile->Record().results.tutorial != 0;
    const uint32_t lifetime = !first      ? kWarehouseFullLifetime
                              : tutorials ? kNoticeForever
                                          : kWarehouseFullFirstLifetime;
    windows->Messages().Show(kNoticeWarehouseFull + product->record.number, ProductIcon(product), 0,
                             windows->Text(u"messages", first ? u"warehouse_full_ex" : u"warehouse_full"),
                             kTagContextProduct, product, lifetime,
                             WarehouseNoticeCallback(*windows, *warehouse_), 0);
    LogLabelPrintf(kLogIndent, "Notice", "the warehouse is full (%s)",
                   platform::Utf16ToUtf8(std::u16string_view(product->record.name)).c_str());
    // The notice stands until closed; the tutorial points at it.
    if (first && tutorials && session_.startFullWarehouseTutorial)
        session_.startFullWarehouseTutorial(productId);
}

// ---------------------------------------------------------------- the rest of the hooks

bool LevelInterface::IsGameWindowActive() const {
    return Activation() == kActive;
}

// ---------------------------------------------------------------- sounds

// The sound manager writes to the log whether the track starts.
void LevelInterface::StartMusic(const char16_t* name) {
    LogLabelPrintf(kLogIndent, "Level music", "%s",
                   platform::Utf16ToUtf8(name ? std::u16string_view(name) : std::u16string_view()).c_str());
    if (name) GetSoundManager().PlayMusic(name, true);
}

void LevelInterface::PlayLevelSound(uint32_t sound, uint32_t argument) {
    // Event-sound slots of the level-won fanfare and of products going into the warehouse.
    constexpr int kLevelWonEventSound = 10;
    constexpr int kStoreEventSound = 3;
    SoundManager& manager = GetSoundManager();
    if (sound == kLevelSoundWon) {
        manager.StopChannel(wonChannel_);
        wonChannel_ =
            manager.PlayById(manager.GetEventSound(kLevelWonEventSound), kSoundCategoryScreen, kLoopAsLoaded);
    } else if (sound == kLevelSoundBonus) {
        const Bonuses& bonuses = GameBonuses();
        const BONUS* bonus = bonuses.IsLoaded() ? bonuses.Get(int32_t(argument)) : nullptr;
        if (bonus)
            manager.PlayById(manager.FindSampleById(bonus->soundId),
                             kSoundCategoryLevel | kSoundCategoryScreen, kLoopAsLoaded);
    } else if (sound == kLevelSoundStore) {
        manager.PlayById(manager.GetEventSound(kStoreEventSound), kSoundCategoryLevel | kSoundCategoryScreen,
                         kLoopAsLoaded);
    } else if (sound == kLevelSoundSelect) {
        // The interface's click: heard before the clock starts too.
        manager.PlayById(manager.FindSample(u"click"), kSoundCategoryScreen, kLoopAsLoaded);
    }
}

void LevelInterface::FadeOutWonSound(uint32_t ms) {
    GetSoundManager().StopChannelFade(wonChannel_, ms);
    wonChannel_ = 0;
}

// The level's sounds hold while it is paused.
void LevelInterface::ApplyPause(bool paused) {
    if (paused == soundsPaused_) return;
    soundsPaused_ = paused;
    if (paused)
        GetSoundManager().PauseCategory(kSoundCategoryLevel);
    else
        GetSoundManager().ResumeCategory(kSoundCategoryLevel);
}

// The level's sounds end with it (held ones at once), and its pause of them
// is given back, so the next level's sounds are heard.
void LevelInterface::EndLevelSounds() {
    SoundManager& sound = GetSoundManager();
    sound.FadeOutCategory(kSoundCategoryLevel);
    if (soundsPaused_) sound.ResumeCategory(kSoundCategoryLevel);
    soundsPaused_ = false;
}

void LevelInterface::DrawPanelAndWindows(DXLViewer&) {
    if (WindowManager* windows = GetWindowManager()) windows->Draw();
}

void LevelInterface::OnScreenSizeChanged(int32_t width, int32_t height) {
    // Every window hears of the new size (the panel among them, and the
    // options window opened from the pause menu that switched the mode).
    if (WindowManager* windows = GetWindowManager())
        windows->OnScreenResize(width, height);
    else if (LevelPanel* panel = Panel())
        panel->OnScreenResize(width, height);
    if (FieldSprites* field = world_.Field()) field->Relayout();
}

// ---------------------------------------------------------------- the screen sprites over the field

// They are the world's: the interface hands the level's calls on.
bool LevelInterface::RouteMouseToScreenSprites(int32_t x, int32_t y, uint32_t button, bool down) {
    FieldSprites* field = world_.Field();
    return field && field->RouteMouse(x, y, button, down);
}

int32_t LevelInterface::PointMarkAt(int32_t x, int32_t y) const {
    const FieldSprites* field = world_.Field();
    return field ? field->PointMarkAt(x, y) : -1;
}

void LevelInterface::DrawScreenSprites(DXLViewer& viewer) {
    if (FieldSprites* field = world_.Field()) field->Draw(viewer);
}

void LevelInterface::RefreshScreenSprites() {
    if (FieldSprites* field = world_.Field()) field->RefreshDisabled();
}

bool LevelInterface::OfferPointOrder(int32_t index, uint32_t job) {
    FieldSprites* field = world_.Field();
    return field && field->OfferPointOrder(index, job);
}

uint32_t LevelInterface::ShowRepairButton(int32_t index, bool animated) {
    FieldSprites* field = world_.Field();
    return field ? field->ShowRepairButton(index, animated) : 0;
}

void LevelInterface::HideRepairButton(uint32_t handle, bool animated) {
    if (FieldSprites* field = world_.Field()) field->HideButton(handle, animated, true, 0);
}

void LevelInterface::ShowFlyingMoney(const FlyingMoney& money) {
    if (FieldSprites* field = world_.Field())
        field->ShowMoneyChange(money.amount, money.x, money.y, money.yOffset);
}

// ---------------------------------------------------------------- the selected point's panel

void LevelInterface::OnSelectionChanged(int32_t, int32_t now) {
    if (points_) points_->OnSelectionChanged(now);
}

void LevelInterface::OpenBuildMenu(int32_t index) {
    if (points_) points_->OpenBuildMenu(index);
}

void LevelInterface::AttachBuildingPanel(const BaseLevelPoint* point) {
    // A building made while selected shows its panel at once.
    if (points_ && point && level_->SelectedPoint() == int32_t(point->Index()))
        points_->OnSelectionChanged(int32_t(point->Index()));
}

void LevelInterface::RefreshPointPanel(const BaseLevelPoint* point) {
    if (points_) points_->Refresh(point);
}

void LevelInterface::ForgetPointPanel(const BaseLevelPoint* point) {
    if (points_) points_->Forget(point);
}

void LevelInterface::RefreshPlantPanel() {
    if (points_) points_->RefreshPlant();
}
