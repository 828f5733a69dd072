#include "app/LevelLoading.h"
#include "app/AppState.h"

#include "app/GameDataLoader.h"
#include "app/LoadingScreen.h"
#include "engine/Log.h"
#include "engine/Viewer.h"

#include <memory>
#include <vector>

namespace {

// The loading under way, or null.
LevelLoading* Loading() {
    const AppState* state = RunningAppState();
    return state ? state->levelLoading.get() : nullptr;
}

bool ProgressHook(float fraction) {
    LevelLoading* loading = Loading();
    return loading && loading->progress.SetFraction(fraction);
}

void ShowProgress(float overall, uint32_t) {
    if (LoadingScreen* screen = GetLoadingScreen()) screen->SetProgress(overall);
}

void UpdateLevelLoading(uint32_t) {
    if (!Loading()) return;
    LevelLoading& loading = *Loading();
    loading.progress.BeginFrame();
    if (loading.step >= loading.stages.size()) {
        LogLine(kLogIndent, "Level loaded.");
        SetGameState(kStateLevel);
        return;
    }
    const LevelLoadStage& stage = loading.stages[loading.step];
    const int32_t result = stage.load(&loading.state);
    if (result == kLoaderCallAgain && !loading.state.error) return;
    if (loading.state.error) {
        LogErrorPrintf(kLogIndent, "Loading the level's %s failed.", stage.name);
        if (auto hook = RunningAppState()->levelLoadFailure) hook();
        SetGameState(kStateMap);
        return;
    }
    loading.progress.NextStage();
    loading.state = {};
    ++loading.step;
    ShowProgress(loading.progress.Overall(), 0);
}

const AppCallbacks kCallbacks = {.update = UpdateLevelLoading, .draw = DrawLoadingScreen};

} // namespace

void RegisterLevelLoadStage(const LevelLoadStage& stage) {
    AppState* state = RunningAppState();
    if (state && stage.load) state->levelLoadStages.push_back(stage);
}

void SetLevelLoadFailureHook(void (*hook)()) {
    if (AppState* state = RunningAppState()) state->levelLoadFailure = hook;
}

void ClearLevelLoadStages() {
    if (AppState* state = RunningAppState()) {
        state->levelLoadStages.clear();
        state->levelLoadFailure = nullptr;
    }
}

void OpenLevelLoading() {
    AppState* state = RunningAppState();
    if (!state) return;
    state->levelLoading = std::make_unique<LevelLoading>();
    LevelLoading& loading = *state->levelLoading;
    loading.stages = state->levelLoadStages;
    for (const LevelLoadStage& stage : loading.stages)
        loading.progress.AddStage(stage.id, stage.weight);
    loading.progress.Start(kLoadingReportInterval, ShowProgress);
    SetLoadingProgressHook(ProgressHook);
    ShowProgress(0.0f, 0);
}

void CloseLevelLoading() {
    if (!Loading()) return;
    SetLoadingProgressHook(nullptr);
    RunningAppState()->levelLoading.reset();
}

const AppCallbacks& LevelLoadingCallbacks() {
    return kCallbacks;
}

float LevelLoadingProgress() {
    const LevelLoading* loading = Loading();
    return loading ? loading->progress.Overall() : -1.0f;
}
