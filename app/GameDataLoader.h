#pragma once
// Game state kStateDataLoading: the game data is loaded from the packs one stage
// per frame, while the loading screen shows a weighted progress bar.
//
// Stages, in order (id, weight, pack):
//   'MUSC' music          1  Sounds.dat
//   'SAMP' samples        3  Sounds.dat
//   'SLIB' sprites        2  Sprites.dat (the sprite libraries, sprites/SpritePack.h;
//                            library 1's textures go into texture collection 1)
//   'DIGF' digit fonts    1  Data.dat
//   'FONT' fonts          2  Data.dat
// The sprite libraries come before the fonts, which look their textures up
// by name. The
// digit fonts come before the fonts: they are the small step, the five
// fonts (rasterised again on load) the large one, and the fonts may then
// draw counters in their texts once both are there.
// Each frame calls the current stage's loader once; a loader works through
// its records until the tracker's report interval has passed, then returns
// to be called again at the next frame. A stage that finishes with its error
// flag set is a fatal data error ("Sprites error!" for a stage of the sprite
// pack, "Data error!" for the others, each naming the pack's file; exit code
// 1). After the last
// stage the data and sound packs are closed and the game goes on to the main
// screen (kStateMainScreen).

#include "app/GameStates.h"
#include "engine/LoaderState.h"
#include "foundation/DataFile.h"
#include "foundation/DataPackIds.h"
#include "foundation/List.h"
#include "foundation/SpritePackIds.h"
#include "sprites/SpritePack.h"
#include "text/DigitalText.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// ---------------------------------------------------------------- progress

// The weighted loading-progress tracker. Each stage has a weight; the
// overall progress is the finished stages' weights plus the current stage's
// weight times its fraction, over the sum of all weights.
class LoadingProgress {
  public:
    using ReportCallback = void (*)(float overall, uint32_t stageId);

    void AddStage(uint32_t id, float weight);
    // Active from here: stage 0 current at fraction 0, the interval starts.
    void Start(uint32_t intervalMs, ReportCallback callback, uint32_t (*now)() = nullptr);
    void Stop() { active_ = false; }
    bool IsActive() const { return active_; }
    // Finishes the current stage (fraction 1) and makes the next current.
    void NextStage();
    // Stores the current stage's fraction (clamped to 0..1). When the report
    // interval has passed since the last report, calls the callback with the
    // overall progress and the stage id, restarts the interval and answers
    // true; otherwise false.
    bool SetFraction(float fraction);
    // A loading frame begins: the interval restarts, so that a loader yields
    // once it has worked that long in this frame, not after its first record
    // because the last frame's drawing took longer than the interval.
    void BeginFrame();
    float Overall() const;
    int CurrentStage() const { return current_; }
    int StageCount() const { return int(stages_.size()); }
    uint32_t StageId(int i) const { return stages_[size_t(i)].id; }

  private:
    struct Stage {
        uint32_t id;
        float weight;
    };
    std::vector<Stage> stages_;
    int current_ = 0;
    float fraction_ = 0.0f;
    bool active_ = false;
    uint32_t interval_ = 0;
    uint32_t lastReport_ = 0;
    ReportCallback callback_ = nullptr;
    uint32_t (*now_)() = nullptr;
};

// ---------------------------------------------------------------- game data

// The loading in progress: its stages, tracker and loader state.
struct GameDataLoading;

// The runtime state of the game data: the three packs, the sprite libraries
// read from the sprite pack with the loader working on them, the digit fonts
// held while no window manager is installed, and the loading in progress.
// The running App owns one (AppGameData, App.h); the free functions below
// reach it. Destroying it only destroys what it holds; the App frees what was
// loaded and closes the packs (Release) at its place in the shut-down order.
class GameData {
  public:
    GameData();
    GameData(const GameData&) = delete;
    GameData& operator=(const GameData&) = delete;
    ~GameData();

    // The free functions below, on this object.
    bool OpenPacks(std::u16string* errorText);
    void CloseLoadedPacks();
    void ClosePacks();
    kis::DataFileReaderW* DataPack() const { return dataPack_.get(); }
    kis::DataFileReaderW* SpritePack() const { return spritePack_.get(); }
    kis::DataFileReaderW* SoundPack() const { return soundPack_.get(); }
    void OpenLoading();
    void CloseLoading();
    GameDataLoading* Loading() const { return loading_.get(); }
    // The sprite stage's loader call (the loader is made on the first call
    // and goes when the pack has been read).
    int32_t LoadSprites(kis::DataFileReaderW* reader, LoaderState* state);
    kis::list<DigitalFont>& DigitFonts();
    DigitalFont* FindDigitFont(uint32_t id);
    void FreeLoaded();
    // What the App does when it goes: frees what was loaded, closes the packs.
    void Release();

  private:
    struct PackCloser {
        void operator()(kis::DataFileReaderW* pack) const { kis::CloseDataFile(pack); }
    };
    using Pack = std::unique_ptr<kis::DataFileReaderW, PackCloser>;

    Pack dataPack_;
    Pack spritePack_;
    Pack soundPack_;
    // The sprite libraries, installed for the game once the whole pack has
    // been read without error; the loader holds a pointer to them.
    SpriteLibraries spriteLibraries_;
    std::unique_ptr<SpritePackLoader> spriteLoader_;
    kis::list<DigitalFont> digitalFonts_; // used only while no window manager is installed
    std::unique_ptr<GameDataLoading> loading_;
};

// ---------------------------------------------------------------- packs

// Opens Data.dat, Sprites.dat and Sounds.dat from the current (Data) folder.
// On failure the packs opened so far are closed and errorText gets the
// message: "Sprites error!" for the sprite pack, "Data error!" for the others,
// followed by the file's native path.
bool OpenPacks(std::u16string* errorText);
// Closes the data and sound packs (after loading); the sprite pack stays.
void CloseLoadedPacks();
void ClosePacks();
kis::DataFileReaderW* GetDataPack();
kis::DataFileReaderW* GetSpritePack();
kis::DataFileReaderW* GetSoundPack();

// ---------------------------------------------------------------- loading

// The tracker's report interval: a loader yields once it has worked this
// long in a frame, so at least one frame is drawn every 10 ms of loading work.
constexpr uint32_t kLoadingReportInterval = 10;

// A stage a subsystem above the shell adds to the game-data loading: the
// loader is called once a frame with the pack and the stage's loader state
// until it returns something other than kLoaderCallAgain; an error flag left
// in the state is a fatal data error ("Sprites error!" when the pack is the
// sprite pack). Registered stages run after the shell's own, in the load
// order above.
// The load order of the data pack's chunks after the shell's own stages (the
// digit fonts and fonts): characters, products, plants, building types,
// villains and comics before the level table, which checks their ids; then
// the bonuses and their icons, the award table and its icons, the main
// screen and the map. A registered stage takes its place in this order
// whenever it is registered; stages of other ids (the sprite pack's) run
// before these, in the order they were registered. A stage whose subsystem
// is not built is simply absent.
constexpr uint32_t kStageBonusIcons = 0x424E4943; // 'BNIC'
constexpr uint32_t kStageAwards = 0x41575244;     // 'AWRD'
constexpr uint32_t kStageAwardIcons = 0x41574943; // 'AWIC'
constexpr uint32_t kGameDataLoadOrder[] = {
    0x43485152, // 'CHQR'
    0x50524F44, // 'PROD'
    0x504C4E54, // 'PLNT'
    0x424C444E, // 'BLDN'
    0x564C4E53, // 'VLNS'
    0x434F4D58, // 'COMX'
    0x4C564C53, // 'LVLS'
    0x424F4E53, // 'BONS'
    kStageBonusIcons, kStageAwards, kStageAwardIcons,
    0x4D4E5343, // 'MNSC'
    0x4D41504D, // 'MAPM'
};

struct GameDataStage {
    uint32_t id;
    float weight;
    const char* name; // for the log: "Loading the <name> failed."
    kis::DataFileReaderW* (*pack)();
    int32_t (*load)(kis::DataFileReaderW* reader, LoaderState* state);
};
void RegisterGameDataStage(const GameDataStage& stage);
// Forgets the registered stages.
void ClearGameDataStages();

// Sets up the stages and the tracker (entering kStateDataLoading) and takes
// them down (leaving it).
void OpenGameDataLoading();
void CloseGameDataLoading();
// The loading state's callbacks (update, draw).
const AppCallbacks& GameDataLoadingCallbacks();
// The global tracker (null outside the loading state).
LoadingProgress* GetLoadingProgress();

// The digit fonts of the data pack, in chunk order, are held by the game
// data until the window manager that looks them up exists. Freed with the
// fonts 5 to 9.
class DigitalFont;
// The first digit font with the id, or null.
DigitalFont* FindAppDigitalFont(uint32_t id);
// Frees the digit fonts, the fonts 5 to 9, the sprite-pack textures and then
// the sprite libraries.
void FreeLoadedGameData();
