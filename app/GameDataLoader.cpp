#include "app/GameDataLoader.h"

#include "app/App.h"
#include "app/AppState.h"
#include "app/LoadingScreen.h"
#include "app/SpriteTextures.h"
#include "engine/Log.h"
#include "engine/SoundManager.h"
#include "engine/Viewer.h"
#include "gui/Window.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Utf.h"
#include "sprites/SpritePack.h"
#include "text/DigitalText.h"
#include "text/FontSlots.h"
#include "text/TextureCollections.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>
#include <vector>

// ---------------------------------------------------------------- progress

void LoadingProgress::AddStage(uint32_t id, float weight) {
    stages_.push_back({id, std::max(weight, 0.0f)});
}

void LoadingProgress::Start(uint32_t intervalMs, ReportCallback callback, uint32_t (*now)()) {
    now_ = now ? now : platform::Milliseconds;
    interval_ = intervalMs;
    callback_ = callback;
    current_ = 0;
    fraction_ = 0.0f;
    active_ = true;
    lastReport_ = now_();
}

void LoadingProgress::NextStage() {
    if (current_ < int(stages_.size())) ++current_;
    fraction_ = 0.0f;
}

bool LoadingProgress::SetFraction(float fraction) {
    if (!active_) return false;
    fraction_ = fraction > 0.0f ? std::min(fraction, 1.0f) : 0.0f; // NaN reads as 0
    uint32_t now = now_();
    if (now - lastReport_ < interval_) return false;
    lastReport_ = now;
    if (callback_) callback_(Overall(), current_ < int(stages_.size()) ? stages_[size_t(current_)].id : 0);
    return true;
}

void LoadingProgress::BeginFrame() {
    if (active_) lastReport_ = now_();
}

float LoadingProgress::Overall() const {
    float total = 0.0f, done = 0.0f;
    for (size_t i = 0; i < stages_.size(); ++i) {
        total += stages_[i].weight;
        if (int(i) < current_)
            done += stages_[i].weight;
        else if (int(i) == current_)
            done += stages_[i].weight * fraction_;
    }
    return total > 0.0f ? std::min(done / total, 1.0f) : 1.0f;
}

// ---------------------------------------------------------------- packs

namespace {

constexpr const char16_t* kDataPackFile = u"Data.dat";
constexpr const char16_t* kSpritePackFile = u"Sprites.dat";
constexpr const char16_t* kSoundPackFile = u"Sounds.dat";

// The message of a pack that cannot be used: the game's own words, then the
// file as the player finds it on the disk, so that the right one is put back.
// While the system opens no file for the game (too many files are open, which
// also fails a stage's other files) or will not let it read this one, that is
// the cause named instead.
std::u16string PackErrorText(const char16_t* file) {
    const std::u16string shown = platform::Utf8ToUtf16(AppShownPath(file));
    if (const std::string why = platform::OpenForReadFailure(file); !why.empty())
        return u"The file " + shown + u" cannot be read: " + platform::Utf8ToUtf16(why) + u".";
    const char16_t* headline = file == kSpritePackFile ? u"Sprites error!" : u"Data error!";
    return std::u16string(headline) + u" The file " + shown + u" is missing or damaged.";
}

} // namespace

bool GameData::OpenPacks(std::u16string* errorText) {
    ClosePacks();
    dataPack_.reset(
        kis::OpenDataFileForRead(kDataPackFile, kDataPackTypeId, kDataPackTypeVersion, kPackDataVersion));
    if (dataPack_)
        spritePack_.reset(kis::OpenDataFileForRead(kSpritePackFile, kSpritePackTypeId, kSpritePackTypeVersion,
                                                   kPackDataVersion));
    if (spritePack_)
        soundPack_.reset(kis::OpenDataFileForRead(kSoundPackFile, kSoundPackTypeId, kSoundPackTypeVersion,
                                                  kSoundPackDataVersion));
    if (soundPack_) return true;
    const char16_t* which = !dataPack_ ? kDataPackFile : !spritePack_ ? kSpritePackFile : kSoundPackFile;
    *errorText = PackErrorText(which);
    LogErrorPrintf(kLogIndent, "The pack %s cannot be opened.", AppShownPath(which).c_str());
    ClosePacks();
    return false;
}

void GameData::CloseLoadedPacks() {
    dataPack_.reset();
    soundPack_.reset();
}

void GameData::ClosePacks() {
    CloseLoadedPacks();
    spritePack_.reset();
}

bool OpenPacks(std::u16string* errorText) {
    GameData* data = AppGameData();
    return data && data->OpenPacks(errorText);
}

void CloseLoadedPacks() {
    if (GameData* data = AppGameData()) data->CloseLoadedPacks();
}

void ClosePacks() {
    if (GameData* data = AppGameData()) data->ClosePacks();
}

kis::DataFileReaderW* GetDataPack() {
    const GameData* data = AppGameData();
    return data ? data->DataPack() : nullptr;
}
kis::DataFileReaderW* GetSpritePack() {
    const GameData* data = AppGameData();
    return data ? data->SpritePack() : nullptr;
}
kis::DataFileReaderW* GetSoundPack() {
    const GameData* data = AppGameData();
    return data ? data->SoundPack() : nullptr;
}

namespace {

// The file of the pack a stage reads.
const char16_t* PackFileOf(kis::DataFileReaderW* (*pack)()) {
    if (pack == GetSpritePack) return kSpritePackFile;
    if (pack == GetSoundPack) return kSoundPackFile;
    return kDataPackFile;
}

} // namespace

// ---------------------------------------------------------------- loading

namespace {

using LoadingStep = GameDataStage;

int32_t LoadMusicStep(kis::DataFileReaderW* reader, LoaderState* state) {
    return GetSoundManager().LoadMusic(reader, state);
}

int32_t LoadSamplesStep(kis::DataFileReaderW* reader, LoaderState* state) {
    return GetSoundManager().LoadSamples(reader, state);
}

// The loading runs in an App: the game data is there.
int32_t LoadSpritesStep(kis::DataFileReaderW* reader, LoaderState* state) {
    return AppGameData()->LoadSprites(reader, state);
}

int32_t LoadDigitalFontsStep(kis::DataFileReaderW* reader, LoaderState* state) {
    return LoadDigitalFonts(&AppGameData()->DigitFonts(), reader, state);
}

int32_t LoadFontsStep(kis::DataFileReaderW* reader, LoaderState* state) {
    return LoadFonts(GetAppServices().viewer, reader, state);
}

const LoadingStep kLoadingSteps[] = {
    {kMusicChunkId, 1.0f, "music", GetSoundPack, LoadMusicStep},
    {kSampleChunkId, 3.0f, "samples", GetSoundPack, LoadSamplesStep},
    {kSpriteLibraryNodeId, 2.0f, "sprites", GetSpritePack, LoadSpritesStep},
    {kDigitalFontChunkId, 1.0f, "digit fonts", GetDataPack, LoadDigitalFontsStep},
    {kFontChunkId, 2.0f, "fonts", GetDataPack, LoadFontsStep},
};

// The stages the subsystems above the shell registered in the running App;
// null while no App is made.
std::vector<GameDataStage>* RegisteredStages() {
    AppState* state = RunningAppState();
    return state ? &state->gameDataStages : nullptr;
}

} // namespace

struct GameDataLoading {
    std::vector<LoadingStep> steps; // the shell's, then the registered ones
    LoadingProgress progress;
    int step = 0;
    LoaderState state = {};
    float shown = -1.0f; // the progress last logged
};

namespace {

bool ProgressHook(float fraction) {
    const GameData* data = AppGameData();
    GameDataLoading* loading = data ? data->Loading() : nullptr;
    return loading && loading->progress.SetFraction(fraction);
}

void OnProgressReport(float overall, uint32_t) {
    if (LoadingScreen* screen = GetLoadingScreen()) screen->SetProgress(overall);
}

// The loading screen shows the overall progress; each new value is logged.
void ShowProgress(GameDataLoading& loading) {
    const float overall = loading.progress.Overall();
    if (LoadingScreen* screen = GetLoadingScreen()) screen->SetProgress(overall);
    // Logged as it is printed: steps too small to show are not logged again.
    const float printed = std::round(overall * 1000.0f) / 1000.0f;
    if (printed != loading.shown) {
        loading.shown = printed;
        LogLabelPrintf(kLogIndent, "Loading progress", "%.3f", double(overall));
    }
}

void UpdateLoading(uint32_t) {
    GameDataLoading& loading = *AppGameData()->Loading();
    loading.progress.BeginFrame();
    if (loading.step >= int(loading.steps.size())) {
        CloseLoadedPacks();
        LogLine(kLogIndent, "Game data loaded.");
        SetGameState(kStateMainScreen);
        return;
    }
    const LoadingStep& step = loading.steps[size_t(loading.step)];
    kis::DataFileReaderW* pack = step.pack();
    int32_t result = pack ? step.load(pack, &loading.state) : kLoaderFinished;
    if (!pack) loading.state.error = 1;
    if (result != kLoaderCallAgain) {
        if (loading.state.error) {
            LogErrorPrintf(kLogIndent, "Loading the %s failed.", step.name);
            AppFatalDataError(PackErrorText(PackFileOf(step.pack)).c_str());
            return;
        }
        loading.progress.NextStage();
        loading.state = {};
        ++loading.step;
    }
    ShowProgress(loading);
}

const AppCallbacks kLoadingCallbacks = {.update = UpdateLoading, .draw = DrawLoadingScreen};

} // namespace

void GameData::OpenLoading() {
    loading_ = std::make_unique<GameDataLoading>();
    loading_->steps.assign(std::begin(kLoadingSteps), std::end(kLoadingSteps));
    if (const std::vector<GameDataStage>* stages = RegisteredStages())
        loading_->steps.insert(loading_->steps.end(), stages->begin(), stages->end());
    for (const LoadingStep& step : loading_->steps)
        loading_->progress.AddStage(step.id, step.weight);
    loading_->progress.Start(kLoadingReportInterval, OnProgressReport);
    SetLoadingProgressHook(ProgressHook);
    LogBeginSection("Loading game data", "Game data loading ended.", false);
    ShowProgress(*loading_);
}

void GameData::CloseLoading() {
    if (!loading_) return;
    SetLoadingProgressHook(nullptr);
    loading_->progress.Stop();
    loading_.reset();
    LogEndSection(true);
}

void OpenGameDataLoading() {
    if (GameData* data = AppGameData()) data->OpenLoading();
}

void CloseGameDataLoading() {
    if (GameData* data = AppGameData()) data->CloseLoading();
}

namespace {
// A stage's place in the data pack's load order, from 1; 0 for the stages of
// other ids (the sprite pack's), which run first in the order they were
// registered, since the chunk loaders look their sprites up.
size_t LoadOrderRank(uint32_t id) {
    const auto* found = std::find(std::begin(kGameDataLoadOrder), std::end(kGameDataLoadOrder), id);
    return found == std::end(kGameDataLoadOrder) ? 0 : size_t(found - std::begin(kGameDataLoadOrder)) + 1;
}
} // namespace

void RegisterGameDataStage(const GameDataStage& stage) {
    if (!stage.pack || !stage.load || !RegisteredStages()) return;
    std::vector<GameDataStage>& stages = *RegisteredStages();
    const size_t rank = LoadOrderRank(stage.id);
    auto later = std::find_if(stages.begin(), stages.end(),
                              [&](const GameDataStage& other) { return LoadOrderRank(other.id) > rank; });
    stages.insert(later, stage);
}

void ClearGameDataStages() {
    if (std::vector<GameDataStage>* stages = RegisteredStages()) stages->clear();
}

const AppCallbacks& GameDataLoadingCallbacks() {
    return kLoadingCallbacks;
}

LoadingProgress* GetLoadingProgress() {
    const GameData* data = AppGameData();
    GameDataLoading* loading = data ? data->Loading() : nullptr;
    return loading ? &loading->progress : nullptr;
}

// ---------------------------------------------------------------- loaded data

GameData::GameData() = default;

GameData::~GameData() {
    // The loading's progress hook must not reach a loading that has gone.
    if (loading_) SetLoadingProgressHook(nullptr);
}

int32_t GameData::LoadSprites(kis::DataFileReaderW* reader, LoaderState* state) {
    if (!spriteLoader_)
        spriteLoader_ = std::make_unique<SpritePackLoader>(
            &spriteLibraries_, GetTextureCollection(kFontTextureCollection), LoadSpriteTextures);
    const int32_t result = spriteLoader_->Load(reader, state);
    if (result == kLoaderCallAgain) return result;
    spriteLoader_.reset();
    if (!state->error) SetSpriteLibraries(&spriteLibraries_);
    return result;
}

// The digit fonts belong to the window manager's list, which owns them.
kis::list<DigitalFont>& GameData::DigitFonts() {
    if (WindowManager* windows = GetWindowManager()) return windows->DigitalFonts();
    return digitalFonts_;
}

DigitalFont* GameData::FindDigitFont(uint32_t id) {
    if (WindowManager* windows = GetWindowManager()) return windows->FindDigitalFont(id);
    for (int32_t i = 0; i < digitalFonts_.Count(); ++i) {
        DigitalFont* font = digitalFonts_.Get(i);
        if (font && font->GetId() == id) return font;
    }
    return nullptr;
}

void GameData::FreeLoaded() {
    DigitFonts().DeleteAll();
    digitalFonts_.DeleteAll();
    FreeAppFonts();
    SetSpriteLibraries(nullptr);
    spriteLoader_.reset();
    FreeSpriteTextures(); // before the libraries that hold their collections
    spriteLibraries_.Clear();
}

void GameData::Release() {
    FreeLoaded();
    ClosePacks();
}

DigitalFont* FindAppDigitalFont(uint32_t id) {
    GameData* data = AppGameData();
    return data ? data->FindDigitFont(id) : nullptr;
}

void FreeLoadedGameData() {
    if (GameData* data = AppGameData()) data->FreeLoaded();
}
