#include "game/LevelScreen.h"

#include "app/GameDataLoader.h"
#include "app/GameStates.h"
#include "app/LevelLoading.h"
#include "engine/InputManager.h"
#include "engine/Log.h"
#include "engine/Viewer.h"
#include "game/LevelCatalog.h"
#include "game/LevelProfiles.h"
#include "gui/Window.h"
#include "level/GameLevel.h"
#include "level/LevelData.h"
#include "level/MapCharacter.h"
#include "level/PointJobs.h"
#include "level/SaveStream.h"
#include "level/SpriteObject.h"
#include "platform/Input.h"
#include "platform/Utf.h"
#include "sprites/Sprite.h"

#include <cstdarg>
#include <cstdio>
#include <map>
#include <memory>

namespace {

constexpr uint32_t kFieldObjectKind = 0x10000001;
constexpr int32_t kFieldLibrary = 7;
constexpr int32_t kFieldLayer = 4;
// The field pictures are kept at half their size in the sprite pack.
constexpr float kFieldPictureScale = 2.0f;
constexpr int32_t kCharacterLayer = 2;
constexpr uint32_t kMaxStockRecords = 32;
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

// The program's side of the level world until the farm's warehouse and
// villains join: a stock of units by product id without a room limit, the
// farmer on the level's map, villain places that stay empty, and the bonus
// table of the game data.
class ProgramWorld : public LevelWorld {
  public:
    explicit ProgramWorld(LevelMap* map) : map_(map) {}

    void ResetStock(uint32_t) override { stock_.clear(); }
    uint32_t AddProduct(uint32_t id, uint32_t units) override { return stock_[id] += units, units; }
    uint32_t ProductCount(uint32_t id) const override {
        auto it = stock_.find(id);
        return it == stock_.end() ? 0 : it->second;
    }
    int64_t StockValue() const override { return 0; }
    uint32_t ProductRoom(uint32_t) const override { return UINT32_MAX; }
    // The stock block: size, warehouse level, count, reserved, the pairs.
    void SaveStock(SaveWriter& out) const override {
        out.PutU32(16 + 8 * uint32_t(stock_.size()));
        out.PutU32(1);
        out.PutU32(uint32_t(stock_.size()));
        out.PutU32(0);
        for (const auto& [id, n] : stock_)
            out.PutU32(id), out.PutU32(n);
    }
    bool LoadStock(SaveReader& in) override {
        SaveReader block = in.ReadBlock(16, 16 + 8 * kMaxStockRecords);
        const uint32_t level = block.ReadU32();
        const uint32_t n = block.ReadU32();
        block.ReadU32();
        if (block.Failed() || level < 1 || n > kMaxStockRecords || block.Remaining() != 8 * size_t(n))
            return false;
        stock_.clear();
        for (uint32_t i = 0; i < n; ++i) {
            const uint32_t id = block.ReadU32();
            stock_[id] = block.ReadU32();
        }
        return !block.Failed();
    }

    void CreatePlayer(int32_t x, int32_t y) override {
        if (player_) map_->Delete(player_);
        player_ = nullptr;
        const GameCharacter* farmer = FindById(GetLevelGameData().characters, kCharacterFarmer);
        if (!farmer) {
            LogErrorPrintf(0, "The level has no farmer: the character descriptions lack one.");
            return;
        }
        player_ = static_cast<MapPlayer*>(
            map_->Adopt(std::make_unique<MapPlayer>(map_, farmer, float(x), float(y))));
        player_->AddToLevel(kCharacterLayer);
    }
    // The farmer's character block (none without a farmer: the character
    // descriptions lacked one, and the level's set-up said so).
    void SavePlayer(SaveWriter& out) const override {
        if (player_ && !player_->SaveState(out)) out.Fail();
    }
    bool LoadPlayer(SaveReader& in) override { return !player_ || player_->LoadState(in); }
    MapPlayer* Player() override { return player_; }
    void StopCharacters() override {
        if (player_) player_->DeleteAllJobs();
    }
    void TickShots(uint32_t) override {}
    void TickCharacters(uint32_t ms) override {
        if (player_) player_->Update(ms);
    }
    void SetPlayerSpeedModifier(uint32_t, float) override {}

    bool IsVillainPlaceFree(uint32_t) const override { return true; }
    void CreateVillain(uint32_t place, uint32_t kind, const VillainPlace&) override {
        Logf("A villain (kind 0x%08X) is due at place %u.", kind, place);
    }
    void AttackVillainsByBees() override {}
    void SaveVillains(SaveWriter& out) const override {
        out.PutU32(0); // no shots
        out.PutU32(placeCount_);
        for (uint32_t p = 0; p < placeCount_; ++p)
            out.PutU32(0);
    }
    bool LoadVillains(SaveReader& in, uint32_t placeCount) override {
        if (in.ReadU32() != 0 || in.ReadU32() != placeCount) return false;
        for (uint32_t p = 0; p < placeCount; ++p)
            if (in.ReadU32() != 0) return false;
        return !in.Failed();
    }
    void SetPlaceCount(uint32_t n) { placeCount_ = n; }

    bool GetBonus(uint32_t slot, BonusInfo* info) const override {
        const Bonuses& bonuses = GetLevelGameData().bonuses;
        const BONUS* bonus = bonuses.IsLoaded() ? bonuses.Get(int32_t(slot)) : nullptr;
        if (!bonus) return false;
        info->rechargeMs = bonus->rechargeMs;
        info->durationMs = bonus->durationMs;
        for (int t = 0; t < Bonuses::kTrackCount; ++t)
            info->speedModifiers[t] = bonuses.SpeedModifier(int32_t(slot), t);
        return true;
    }

  private:
    LevelMap* map_;
    MapPlayer* player_ = nullptr; // owned by the map
    std::map<uint32_t, uint32_t> stock_;
    uint32_t placeCount_ = 0;
};

// The level screen: the level, its world and hooks.
class LevelSession : public LevelPanelHooks, public LevelFrontEndHooks {
  public:
    explicit LevelSession(uint32_t index) : index_(index) {}
    ~LevelSession() override {
        WindowManager* windows = GetWindowManager();
        if (windows && level_ && windows->Level() == level_.get()) windows->SetLevel(nullptr);
    }

    bool Build(std::string* why) {
        const Level* record = GameLevelTable().Get(index_);
        if (!record) return *why = "level " + std::to_string(index_ + 1) + " does not exist", false;
        GameLevel::Hooks hooks;
        hooks.panel = this;
        hooks.frontEnd = this;
        // The world needs the level's map, which comes with the level.
        auto world = std::make_unique<ProgramWorld>(nullptr);
        ProgramWorld* raw = world.get();
        level_ = std::make_unique<GameLevel>(index_, LevelProfileRegime(), *record, std::move(world), hooks);
        *raw = ProgramWorld(&level_->Map());
        raw->SetPlaceCount(record->record.placeCount);

        if (SpriteLibrary* library = GetLibrary(kFieldLibrary)) {
            if (MapSprite* field = library->FindMapSprite(record->record.fieldPicture)) {
                SpriteObject* object =
                    CreateMapObject(&level_->Map(), field, kFieldObjectKind, 0.0f, 0.0f, 0, -1, false);
                if (object) {
                    object->SetScale(kFieldPictureScale);
                    object->AddToLevel(kFieldLayer);
                }
            }
        }
        level_->StartUp();
        if (auto saved = LevelProfileSavedGame(index_)) {
            std::string reason;
            if (level_->Load(*saved, &reason)) {
                Logf("Level %u continues from its saved game.", index_ + 1);
            } else {
                const std::u16string kept = LevelProfileKeepRefusedSave(index_, *saved);
                Logf("The refused saved game of level %u is %s%s.", index_ + 1,
                     kept.empty() ? "still in the profile" : "kept in ", Narrow(kept.c_str()).c_str());
            }
        }
        if (const DXLViewer* viewer = GetAppServices().viewer) {
            const kis::Rect& r = viewer->GetClientRect();
            level_->OnScreenSizeChanged(r.right - r.left, r.bottom - r.top);
        } else {
            level_->OnScreenSizeChanged(1024, 768);
        }
        if (WindowManager* windows = GetWindowManager()) windows->SetLevel(level_.get());
        level_->Begin();
        Logf("Level %u (%s) begins in regime %u.", index_ + 1, Narrow(record->record.label).c_str(),
             level_->Regime());
        return true;
    }

    GameLevel* Running() const { return level_.get(); }
    bool LeaveRequested() const { return leaveRequested_; }

    void Update(uint32_t ms) {
        if (level_) level_->Update(ms);
    }
    void Draw() {
        DXLViewer* viewer = GetAppServices().viewer;
        if (!viewer || !level_) return;
        viewer->ClearTarget(0xFF203018);
        viewer->ResetTransform();
        level_->Draw(*viewer);
    }
    void Key(uint32_t key) {
        if (!level_) return;
        if (level_->IsEnded()) {
            if (key == platform::kDikEscape) Leave();
            return;
        }
        if (menuOpen_) {
            if (key == platform::kDikEscape) {
                menuOpen_ = false;
                LogLine(kLogIndent, "Level menu closed.");
                level_->OnWindowClosed(kMenuWindowId);
            } else if (key == platform::kDikQ) {
                Leave();
            }
            return;
        }
        level_->OnKey(key, true);
    }
    void Mouse(int32_t x, int32_t y, uint32_t button) {
        if (level_ && !menuOpen_) level_->OnMouse(x, y, button == kMouseLeft ? 1 : 2, true);
    }
    void Leave() {
        if (!level_ || leaveRequested_) return;
        if (menuOpen_) {
            menuOpen_ = false;
            level_->OnWindowClosed(kMenuWindowId);
        }
        Logf("Leaving level %u.", index_ + 1);
        level_->Leave();
    }
    // The program quits while the level is open: an unfinished level is kept.
    void SaveOnQuit() {
        if (level_ && !leaveRequested_) level_->SaveToProfile();
    }

    // ---- panel hooks
    void ShowMenu(bool) override {
        if (menuOpen_) return;
        menuOpen_ = true;
        LogLine(kLogIndent, "Level menu: Escape goes back to the level, Q leaves it.");
        level_->OnWindowOpened(kMenuWindowId);
    }
    void StartMusic(const char16_t* name) override { Logf("Level music: %s", Narrow(name).c_str()); }
    void OpenResultWindow(const uint32_t (&)[11]) override {
        LogLine(kLogIndent, "Level result shown; Escape leaves.");
    }
    void OpenGameOverDialog() override { LogLine(kLogIndent, "Level lost; Escape leaves."); }
    void ShowGoalNotice(uint32_t kind) override { Logf("Goal notice (kind %u).", kind); }
    void DrawPanelAndWindows(DXLViewer&) override {
        if (WindowManager* windows = GetWindowManager()) windows->Draw();
    }

    // ---- front-end hooks
    void GoToMap() override { leaveRequested_ = true; }
    void StoreLevelResult(const GameLevel& level, uint32_t (&record)[11]) override {
        record[0] = level.LevelIndex();
        record[1] = level.LevelTimeMs();
        record[2] = level.Grade();
        LevelProfileStoreResult(level.LevelIndex(), level.LevelTimeMs());
    }
    void StoreSavedGame(uint32_t, uint32_t levelIndex, std::unique_ptr<SaveBuffer> saved) override {
        if (!saved || !saved->HasData()) return;
        const auto data = saved->Data();
        const bool kept =
            LevelProfileStoreSavedGame(levelIndex, std::vector<uint8_t>(data.begin(), data.end()));
        Logf("Level %u saved into the profile (%zu bytes)%s.", levelIndex + 1, data.size(),
             kept ? "" : ", but no profile keeps it");
    }
    void DeleteSavedGame(uint32_t, uint32_t levelIndex) override { LevelProfileDeleteSavedGame(levelIndex); }
    uint32_t ChosenBonusSlots() const override { return LevelProfileBonusSlots(); }

  private:
    static constexpr uint32_t kMenuWindowId = 0x4D656E75; // 'Menu'
    uint32_t index_;
    std::unique_ptr<GameLevel> level_;
    bool menuOpen_ = false;
    bool leaveRequested_ = false;
};

uint32_t g_pendingLevel = 0;
int32_t g_returnState = kStateMainScreen;
std::unique_ptr<LevelSession> g_session;

int32_t LoadLevelStage(LoaderState* state) {
    g_session.reset();
    auto session = std::make_unique<LevelSession>(g_pendingLevel);
    std::string why;
    if (!session->Build(&why)) {
        LogErrorPrintf(kLogIndent, "The level cannot be built: %s.", why.c_str());
        state->error = 1;
        return kLoaderFinished;
    }
    g_session = std::move(session);
    return kLoaderFinished;
}

void LoadingFailed() {
    g_session.reset();
}

void UpdateLevel(uint32_t ms) {
    if (!g_session) return;
    if (g_session->LeaveRequested()) {
        SetGameState(g_returnState);
        return;
    }
    g_session->Update(ms);
}
void DrawLevel() {
    if (g_session) g_session->Draw();
}
void LevelMouseDown(int32_t x, int32_t y, uint32_t button) {
    if (g_session) g_session->Mouse(x, y, button);
}
void LevelKeyDown(uint32_t key, uint32_t) {
    if (g_session) g_session->Key(key);
}

const AppCallbacks kLevelCallbacks = {
    .update = UpdateLevel, .draw = DrawLevel, .mouseDown = LevelMouseDown, .keyDown = LevelKeyDown};

void OpenLevelScreen() {}

void CloseLevelScreen() {
    // Leaving the state any way but Leave keeps an unfinished level.
    if (g_session) g_session->SaveOnQuit();
    g_session.reset();
}

void QuitHook() {
    CloseLevelScreen();
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
    RegisterQuitHook(QuitHook);
}

void PrepareLevel(uint32_t levelIndex, int32_t returnState) {
    g_pendingLevel = levelIndex;
    g_returnState = returnState;
}

void OpenLevel(uint32_t levelIndex) {
    PrepareLevel(levelIndex, kStateMainScreen);
    Logf("Opening level %u.", levelIndex + 1);
    SetGameState(kStateLevelLoading);
}
