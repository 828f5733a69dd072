#include "game/LevelScreen.h"

#include "app/App.h"
#include "app/GameDataLoader.h"
#include "app/GameShell.h"
#include "app/GameStates.h"
#include "app/LevelLoading.h"
#include "app/Profiles.h"
#include "app/RecordsFile.h"
#include "app/SaveNotices.h"
#include "engine/InputManager.h"
#include "engine/Log.h"
#include "engine/Viewer.h"
#include "farm/FarmData.h"
#include "frontend/Comix.h"
#include "game/Autoplay.h"
#include "game/AwardsProgram.h"
#include "game/LevelCatalog.h"
#include "game/LevelInterface.h"
#include "game/LevelProfiles.h"
#include "game/LevelTutorials.h"
#include "game/MapProgram.h"
#include "game/ProgramWorld.h"
#include "gui/Window.h"
#include "level/GameLevel.h"
#include "level/LevelData.h"
#include "level/MapCharacter.h"
#include "level/PointJobs.h"
#include "level/SaveStream.h"
#include "level/SpriteObject.h"
#include "platform/Input.h"
#include "platform/Utf.h"
#include "sprites/GameEffect.h"
#include "sprites/Sprite.h"

#include <cstdarg>
#include <cstdio>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace {

constexpr uint32_t kFieldObjectKind = 0x10000001;
constexpr int32_t kFieldLibrary = 7;
constexpr int32_t kFieldLayer = 4;
// The field pictures are kept at half their size in the sprite pack.
constexpr float kFieldPictureScale = 2.0f;
constexpr uint32_t kLevelLoadStageId = 0x4C564C31; // 'LVL1'

void Logf(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Logf(const char* format, ...) {
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    LogLine(kLogIndent, line);
}

std::string Narrow(const char16_t* text) {
    return platform::Utf16ToUtf8(text ? std::u16string_view(text) : std::u16string_view());
}

// The level screen: the level, its world, its interface and the front-end hooks.
class LevelSession : public LevelFrontEndHooks {
  public:
    explicit LevelSession(uint32_t index) : index_(index) {}
    ~LevelSession() override {
        if (ProfileManager* profiles = AppProfiles()) profiles->RemoveListener(this);
        // The windows go first (they read the level), the level before the
        // interface that is its interface hooks.
        if (ui_) ui_->CloseAll();
        WindowManager* windows = GetWindowManager();
        if (windows && level_ && windows->Level() == level_.get()) windows->SetLevel(nullptr);
        bot_.reset();
        if (world_) {
            world_->SetInterface(nullptr);
            world_->Detach();
        }
        level_.reset();
        ui_.reset();
        ProgramWorld::RemovePointMakers();
    }

    bool Build(std::string* why) {
        const LevelTable* table = GameLevelTable();
        const Level* record = table ? table->Get(index_) : nullptr;
        if (!record) return *why = "level " + std::to_string(index_ + 1) + " does not exist", false;
        tutorials_ = std::make_unique<ProgramLevelTutorials>(index_);
        FarmData* farm = GameFarmData();
        if (!farm) return *why = "the farm tables are missing", false;
        // The world needs the level's map, which comes with the level.
        auto world = std::make_unique<ProgramWorld>(farm);
        world_ = world.get();
        world_->InstallPointMakers();
        ui_ = std::make_unique<LevelInterface>(*world_, *farm);
        const GameLevel::Hooks hooks = ProgramLevelHooks(*ui_, *this, *tutorials_);
        ui_->SetTutorial(tutorials_->Hooks());
        ui_->SetSessionHooks(ProgramLevelSessionHooks(*tutorials_, [this] { Restart(); }));
        const uint32_t regime = ActiveAutoplay() ? ActiveAutoplay()->Regime() : LevelProfileRegime();
        level_ = std::make_unique<GameLevel>(index_, regime, *record, std::move(world), hooks);
        ui_->Attach(*level_);
        world_->SetInterface(ui_.get());
        world_->Attach(level_.get());
        world_->BuildPathFinder();
        tutorials_->Attach(*level_);

        if (SpriteLibrary* library = GetLibrary(kFieldLibrary)) {
            if (MapSprite* field = library->FindMapSprite(record->record.fieldPicture)) {
                SpriteObject* object =
                    CreateMapObject(&level_->Map(), field, kFieldObjectKind, 0.0f, 0.0f, 0, -1, false);
                if (object) {
                    object->SetScale(kFieldPictureScale);
                    object->AddToLevel(kFieldLayer);
                    level_->SetGround(object);
                }
            }
            // The field picture is every level's: the clean sites mark
            // themselves on it (their plot), so the player sees where to sow
            // and build.
        }
        level_->StartUp();
        if (auto saved = LevelProfileSavedGame(index_)) {
            std::string reason;
            if (level_->Load(*saved, &reason)) {
                Logf("Level %u continues from its saved game.", index_ + 1);
            } else {
                const std::u16string kept = LevelProfileKeepRefusedSave(index_, *saved);
                Logf("The refused saved game of level %u is %s%s.", index_ + 1,
                     kept.empty() ? "still in the profile" : "kept in ",
                     kept.empty() ? "" : AppShownPath(kept).c_str());
                // The player learns that their game is gone from play and
                // where it is kept; the bot, which stops for no dialog, finds
                // it in the log.
                if (SaveNotices* notices = AppSaveNotices(); notices && !ActiveAutoplay())
                    notices->TellRefusedSave(kept);
            }
        }
        FitScreen();
        if (WindowManager* windows = GetWindowManager()) windows->SetLevel(level_.get());
        ui_->OpenPanel();
        level_->Begin();
        if (Autoplay* autoplay = ActiveAutoplay()) bot_ = autoplay->Attach(*level_, ui_.get());
        Logf("Level %u (%s) begins in regime %u.", index_ + 1, Narrow(record->record.label).c_str(),
             level_->Regime());
        return true;
    }

    GameLevel* Running() const { return level_.get(); }
    bool LeaveRequested() const { return leaveRequested_; }
    uint32_t Index() const { return index_; }

    // ---- a level kept while the map is shown
    // An unfinished level left for the map (not by the bot) can be kept. One
    // whose tutorial runs is not: the tutorial's boxes and arrows stand on
    // the screen, so it goes on from its saved game, at the step it was left.
    bool Holdable() const {
        const LevelTutorialHooks* tutorial = tutorials_ ? tutorials_->Hooks() : nullptr;
        return level_ && leaveRequested_ && !comicShown_ && !level_->IsEnded() && !ActiveAutoplay() &&
               !(tutorial && tutorial->IsRunning());
    }
    bool IsHeld() const { return held_; }
    // The level stands still (its leaving paused it) without its panel and
    // windows; another player made current drops it, saved into the leaving one.
    void Hold() {
        held_ = true;
        presses_.clear();
        ui_->CloseAll();
        WindowManager* windows = GetWindowManager();
        if (windows && windows->Level() == level_.get()) windows->SetLevel(nullptr);
        if (ProfileManager* profiles = AppProfiles())
            profiles->AddListener(this, [](ProfileEvent event, Profile*) {
                if (event == ProfileEvent::CurrentLeaving) DropHeldLevel();
            });
        Logf("Level %u is kept while the map is shown.", index_ + 1);
    }
    // Back to the kept level: its panel and windows come back and play goes on.
    void Resume() {
        held_ = false;
        leaveRequested_ = false;
        if (ProfileManager* profiles = AppProfiles()) profiles->RemoveListener(this);
        FitScreen();
        if (WindowManager* windows = GetWindowManager()) windows->SetLevel(level_.get());
        ui_->OpenPanel();
        level_->Begin();
        Logf("Level %u goes on where it was left.", index_ + 1);
    }
    // The kept level's game goes into the profile before the level goes
    // (its leaving saved it; a save that failed then is tried again). The
    // profile keeps saved games by its current regime: after a change of
    // regime on the map the leaving's save stands.
    void SaveHeld() {
        if (!held_ || !level_ || level_->Regime() != LevelProfileRegime()) return;
        // The leaving saved the game as it was left, before play stopped:
        // that game stays (written again); a kept level whose leaving could
        // not save it is saved now.
        if (auto saved = LevelProfileSavedGame(index_)) {
            const size_t size = saved->size();
            const bool kept = LevelProfileStoreSavedGame(index_, std::move(*saved));
            Logf("Level %u saved into the profile (%zu bytes)%s.", index_ + 1, size,
                 kept ? "" : ", but the profile's file could not be written");
        } else {
            level_->SaveToProfile();
        }
    }

    // The level, its panel and the windows over it take the screen's size
    // (at the start, and after full screen was switched on or off).
    void FitScreen() {
        if (!level_) return;
        if (const DXLViewer* viewer = GetAppServices().viewer) {
            const kis::Rect& r = viewer->GetClientRect();
            level_->OnScreenSizeChanged(r.right - r.left, r.bottom - r.top);
        } else {
            level_->OnScreenSizeChanged(1024, 768);
        }
    }
    void Update(uint32_t ms) {
        // Gone to a comic: the level stands still under the fade.
        if (!level_ || comicShown_) {
            presses_.clear();
            return;
        }
        if (ui_->TakeRestart()) Restart();
        // Losing the focus opens the pause menu, also when the window was
        // minimised and restored between two updates (none runs meanwhile).
        const bool active = Activation() == kActive;
        const uint32_t losses = ActivationLosses();
        if ((losses != seenActivationLosses_ || (wasActive_ && !active)) && level_->IsBegun())
            level_->ShowMenu(false);
        wasActive_ = active;
        seenActivationLosses_ = losses;
        if (bot_ && bot_->LeaveBeforeUpdate()) {
            Leave();
            return;
        }
        level_->Update(ms);
        for (const auto& [x, y] : std::exchange(presses_, {}))
            level_->OnFieldPress(x, y);
        fieldAtFrame_ = true;
        if (tutorials_) tutorials_->Update(ms);
        ui_->Update();
        if (bot_ && bot_->Frame(ms)) Leave();
        fieldAtFrame_ = false;
    }
    void Draw() {
        DXLViewer* viewer = GetAppServices().viewer;
        if (!viewer || !level_) return;
        viewer->ClearTarget(0xFF203018);
        viewer->ResetTransform();
        level_->Draw(*viewer);
    }
    // Keys the windows did not take: Escape opens the pause menu; after a
    // win or a loss (with no window left to answer) it leaves.
    void Key(uint32_t key) {
        if (!level_) return;
        if (level_->IsEnded()) {
            if (key == platform::kDikEscape) Leave();
            return;
        }
        level_->OnKey(key, true);
    }
    // The input device's button code, as the level takes it.
    static LevelMouseButton LevelButton(uint32_t button) {
        return button == kMouseLeft ? kLevelMouseLeft : kLevelMouseRight;
    }
    // While the field moves, a press that the buttons over it leave is
    // judged once the level's update has brought the field to the moment it
    // came at: against the figures and points where the frame drawn then
    // shows them, as their lit look is, not where they stood a frame earlier
    // (a walking villain's leading edge). At once are judged the presses
    // while it stands still (its clock not started, paused, ended), so the
    // press that starts the clock starts it in its own frame, and those made
    // after the update (the bot's).
    void Mouse(int32_t x, int32_t y, uint32_t button) {
        if (!level_) return;
        const bool still = level_->IsPausedExcept(0) || level_->IsEnded();
        if (still || fieldAtFrame_) {
            level_->OnMouse(x, y, LevelButton(button), true);
            return;
        }
        bool taken = false;
        if (level_->OffersFieldPress(x, y, LevelButton(button), true, &taken)) presses_.push_back({x, y});
    }
    // Moves and releases reach the level too: the screen sprites hover and click.
    void MouseUp(int32_t x, int32_t y, uint32_t button) {
        if (level_) level_->OnMouse(x, y, LevelButton(button), false);
    }
    void MouseMove(int32_t x, int32_t y) {
        if (level_) level_->OnMouse(x, y, kLevelMouseMove, false);
    }
    void Leave() {
        if (!level_ || leaveRequested_ || comicShown_) return;
        level_->Leave();
    }
    // The program quits while the level is open: a win the goals have
    // earned is stored, also in its delay, and an unfinished level is kept.
    void SaveOnQuit() {
        if (!level_ || leaveRequested_ || comicShown_) return;
        level_->StorePendingWin();
        level_->SaveToProfile();
    }

    // ---- front-end hooks
    void GoToMap() override {
        Logf("Leaving level %u.", index_ + 1);
        leaveRequested_ = true;
    }
    // A won level with a story page after it: the comic takes the screen and
    // closes onto the map, which then reveals the level's result. A bot run
    // without a profile goes from level to level without the story.
    bool ShowComic(uint32_t comic) override {
        const ProfileManager* profiles = AppProfiles();
        if (ActiveAutoplay() && !(profiles && profiles->Current())) return false;
        if (!ShowComix(comic, RevealAfterFade)) return false;
        Logf("Leaving level %u for comic %u.", index_ + 1, comic);
        comicShown_ = true;
        return true;
    }
    void StoreLevelResult(const GameLevel& level, LevelResult& result) override {
        result = LevelResult{};
        if (!LevelProfileStoreResult(level.LevelIndex(), level.LevelTimeMs(), &result)) {
            // Without a profile the result is the level's own.
            result.level = level.LevelIndex();
            result.regime = level.Regime();
            result.grade = level.Grade();
            result.timeMs = level.LevelTimeMs();
            result.flags = kResultNewBest;
            result.bonus = -1;
        }
        // The medal times come from the level when the profile had none to give.
        if (result.limits[0] == 0) {
            const RegimeBlock& block = level.Record().Regime(level.Regime());
            result.limits[0] = block.bronzeMs, result.limits[1] = block.silverMs,
            result.limits[2] = block.goldMs;
        }
    }
    void StoreSavedGame(uint32_t, uint32_t levelIndex, std::unique_ptr<SaveBuffer> saved) override {
        if (!saved || !saved->HasData()) return;
        const auto data = saved->Data();
        const bool kept =
            LevelProfileStoreSavedGame(levelIndex, std::vector<uint8_t>(data.begin(), data.end()));
        // A profile that holds the game but could not write it keeps it while
        // the game runs; the player is told and may try again.
        const char* failure = LevelProfileSavedGame(levelIndex).has_value()
                                  ? ", but the profile's file could not be written (kept while the game runs)"
                                  : ", but no profile keeps it";
        Logf("Level %u saved into the profile (%zu bytes)%s.", levelIndex + 1, data.size(),
             kept ? "" : failure);
    }
    void DeleteSavedGame(uint32_t, uint32_t levelIndex) override { LevelProfileDeleteSavedGame(levelIndex); }
    // The player's records file gets one line for each run the level wins.
    void EnableRecords(uint32_t levelIndex) override {
        if (RecordsFile* records = AppRecords()) records->Enable(int32_t(levelIndex));
    }
    uint32_t ChosenBonusSlots() const override { return LevelProfileBonusSlots(); }
    bool AddAwardCount(uint32_t award, int32_t n) override { return ProgramAddAwardCount(award, n) > 0; }
    bool AddGoalProgress(uint32_t goal, int32_t amount, bool relative) override {
        return ProgramAddGoalProgress(goal, amount, relative);
    }
    void CheckFinalAward() override {
        if (ProgramCheckFinalAward()) ui_->ShowFinalAwardNotice();
    }
    int32_t GoalCounter(uint32_t goal) const override { return ProgramGoalCounter(goal); }
    int32_t VillainsInARow() const override { return ProgramVillainsInARow(); }
    void SetVillainsInARow(int32_t n) override { ProgramSetVillainsInARow(n); }

  private:
    // The level starts again from scratch: its saved game goes, its windows
    // and panel are made anew around the fresh start.
    void Restart() {
        Logf("Level %u restarts from scratch.", index_ + 1);
        // A win the goals earned before the restart was asked for is the player's.
        level_->StorePendingWin();
        ui_->CloseAll();
        DeleteSavedGame(level_->Regime(), index_);
        tutorials_->Attach(*level_); // the tutorial as the profile's option now says
        // The villains and their shots of the run before leave the map, as
        // when the level goes: else they would go on firing at the new run.
        world_->Detach();
        level_->StartUp();
        ui_->OpenPanel();
        level_->Begin();
    }

    uint32_t index_;
    std::unique_ptr<ProgramLevelTutorials> tutorials_; // the level's tutorial hooks: outlives the level
    std::unique_ptr<LevelInterface> ui_;
    std::unique_ptr<GameLevel> level_;
    std::unique_ptr<LevelAutoplayer> bot_; // plays the level in the program's bot mode
    ProgramWorld* world_ = nullptr;        // owned by the level
    bool wasActive_ = true;
    uint32_t seenActivationLosses_ = ActivationLosses();
    bool leaveRequested_ = false;
    bool comicShown_ = false;                          // the level left for a comic, which leads to the map
    bool held_ = false;                                // kept while the map is shown
    std::vector<std::pair<int32_t, int32_t>> presses_; // on the field since the last update (screen pixels)
    bool fieldAtFrame_ = false;                        // the update brought the field to the frame drawn next
};

// The level state's own: the level the next loading builds, the state its
// leaving returns to, and the level being played.
struct LevelScreenPart {
    uint32_t pendingLevel = 0;
    int32_t returnState = kStateMainScreen;
    std::unique_ptr<LevelSession> session;
};

// The level being played, or null.
LevelSession* Session() {
    const LevelScreenPart* part = ExistingAppPart<LevelScreenPart>();
    return part ? part->session.get() : nullptr;
}
void EndSession() {
    if (LevelScreenPart* part = ExistingAppPart<LevelScreenPart>()) part->session.reset();
}
// Saves the level being played, then ends it, also where the save ran out of
// memory: the level reads the windows, which go before the App's parts.
void SaveThenEnd(void (LevelSession::*save)()) {
    try {
        (Session()->*save)();
    } catch (...) {
        EndSession();
        throw;
    }
    EndSession();
}

int32_t LoadLevelStage(LoaderState* state) {
    DropHeldLevel();
    EndSession();
    LevelScreenPart* part = AppPart<LevelScreenPart>();
    if (!part) {
        state->error = 1;
        return kLoaderFinished;
    }
    auto session = std::make_unique<LevelSession>(part->pendingLevel);
    std::string why;
    if (!session->Build(&why)) {
        LogErrorPrintf(kLogIndent, "The level cannot be built: %s.", why.c_str());
        state->error = 1;
        return kLoaderFinished;
    }
    part->session = std::move(session);
    return kLoaderFinished;
}

void LoadingFailed() {
    EndSession();
}

void UpdateLevel(uint32_t ms) {
    LevelSession* session = Session();
    if (!session || session->IsHeld()) return;
    if (session->LeaveRequested()) {
        const int32_t returnState = ExistingAppPart<LevelScreenPart>()->returnState;
        if (returnState == kStateMap) {
            // The level fades out and the map in; the map reveals the level's result once
            // the fade is over.
            auto fade =
                std::make_unique<GEffect_Regime>(kStateMap, kStateFadeMs, kStateFadeMs, 0, 0xFF000000);
            fade->afterCallback = RevealAfterFade;
            StartGameEffect(std::move(fade));
            return;
        }
        SetGameState(returnState);
        return;
    }
    session->Update(ms);
}
void DrawLevel() {
    if (LevelSession* session = Session()) session->Draw();
}
void LevelMouseDown(int32_t x, int32_t y, uint32_t button) {
    if (LevelSession* session = Session()) session->Mouse(x, y, button);
}
// A quick second press comes as a double click: on the field it is one
// more press (a villain clicked in quick succession takes every hit).
void LevelDoubleClick(int32_t x, int32_t y) {
    if (LevelSession* session = Session()) session->Mouse(x, y, kMouseLeft);
}
void LevelMouseUp(int32_t x, int32_t y, uint32_t button) {
    if (LevelSession* session = Session()) session->MouseUp(x, y, button);
}
void LevelMouseMove(int32_t x, int32_t y, uint32_t) {
    if (LevelSession* session = Session()) session->MouseMove(x, y);
}
void LevelKeyDown(uint32_t key, uint32_t) {
    if (LevelSession* session = Session()) session->Key(key);
}

// The level's buttons show their own cursors (a ready bonus its hand).
const AppCallbacks kLevelCallbacks = {.cursor = WindowsCursor,
                                      .update = UpdateLevel,
                                      .draw = DrawLevel,
                                      .mouseDown = LevelMouseDown,
                                      .mouseUp = LevelMouseUp,
                                      .mouseMove = LevelMouseMove,
                                      .mouseDoubleClick = LevelDoubleClick,
                                      .keyDown = LevelKeyDown};

// The level kept for the map comes back.
void OpenLevelScreen() {
    if (LevelSession* session = Session(); session && session->IsHeld()) session->Resume();
}

void CloseLevelScreen() {
    LevelSession* session = Session();
    if (!session || session->IsHeld()) return;
    // An unfinished level left for the map is kept there.
    if (ExistingAppPart<LevelScreenPart>()->returnState == kStateMap && session->Holdable()) {
        session->Hold();
        return;
    }
    // Leaving the state any way but Leave keeps an unfinished level.
    SaveThenEnd(&LevelSession::SaveOnQuit);
}

void QuitHook() {
    DropHeldLevel();
    CloseLevelScreen();
}

void FitLevelToScreen() {
    if (LevelSession* session = Session()) session->FitScreen();
}

// The level table checks its ids against the farm tables loaded before it.
int32_t LoadCheckedLevelTable(kis::DataFileReaderW* reader, LoaderState* state) {
    static const GameLevelCatalog catalog;
    SetLevelTableCatalog(&catalog);
    const int32_t result = LoadLevelTable(reader, state);
    SetLevelTableCatalog(nullptr);
    return result;
}

} // namespace

void RegisterLevelTableStage() {
    RegisterGameDataStage({kLevelTableChunk, 1.0f, "levels", GetDataPack, LoadCheckedLevelTable});
}

void RegisterLevelPlay() {
    RegisterPointJobLoaders();
    RegisterLevelLoadStage({kLevelLoadStageId, 1.0f, "level", LoadLevelStage});
    SetLevelLoadFailureHook(LoadingFailed);
    RegisterGameStateScreen(kStateLevel, {OpenLevelScreen, CloseLevelScreen, &kLevelCallbacks});
    SetScreenResourceHook(ScreenPart::Level, FitLevelToScreen);
    RegisterQuitHook(QuitHook);
}

bool LevelHeld(uint32_t levelIndex, uint32_t regime) {
    const LevelSession* session = Session();
    return session && session->IsHeld() && session->Index() == levelIndex && session->Running() &&
           session->Running()->Regime() == regime;
}

void DropHeldLevel() {
    LevelSession* session = Session();
    if (!session || !session->IsHeld()) return;
    SaveThenEnd(&LevelSession::SaveHeld);
}

void PrepareLevel(uint32_t levelIndex, int32_t returnState) {
    if (LevelScreenPart* part = AppPart<LevelScreenPart>()) {
        part->pendingLevel = levelIndex;
        part->returnState = returnState;
    }
}

void OpenLevel(uint32_t levelIndex) {
    PrepareLevel(levelIndex, kStateMainScreen);
    Logf("Opening level %u.", levelIndex + 1);
    SetGameState(kStateLevelLoading);
}

LevelSessionHooks ProgramLevelSessionHooks(ProgramLevelTutorials& tutorials,
                                           std::function<void()> restartNow) {
    return {.restartNow = std::move(restartNow),
            .startFullWarehouseTutorial = [&tutorials](uint32_t product) {
                tutorials.StartFullWarehouse(product);
            }};
}

GameLevel::Hooks ProgramLevelHooks(LevelInterface& ui, LevelFrontEndHooks& frontEnd,
                                   ProgramLevelTutorials& tutorials) {
    GameLevel::Hooks hooks;
    hooks.panel = &ui;
    hooks.tutorial = tutorials.Hooks();
    hooks.frontEnd = &frontEnd;
    return hooks;
}
