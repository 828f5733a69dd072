#include "app/LevelLoading.h"

#include "app/GameDataLoader.h"
#include "app/LoadingScreen.h"
#include "engine/Log.h"
#include "engine/Viewer.h"

#include <memory>
#include <vector>

namespace {

std::vector<LevelLoadStage>& Stages() {
    static std::vector<LevelLoadStage> stages;
    return stages;
}
void (*g_failureHook)() = nullptr;

struct LevelLoading {
    std::vector<LevelLoadStage> stages; // as registered when the state began
    LoadingProgress progress;
    size_t step = 0;
    LoaderState state = {};
};
std::unique_ptr<LevelLoading> g_loading;

bool ProgressHook(float fraction) {
    return g_loading && g_loading->progress.SetFraction(fraction);
}

void ShowProgress(float overall, uint32_t) {
    if (LoadingScreen* screen = GetLoadingScreen()) screen->SetProgress(overall);
}

void UpdateLevelLoading(uint32_t) {
    if (!g_loading) return;
    LevelLoading& loading = *g_loading;
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
        if (g_failureHook) g_failureHook();
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
    if (stage.load) Stages().push_back(stage);
}

void SetLevelLoadFailureHook(void (*hook)()) {
    g_failureHook = hook;
}

void ClearLevelLoadStages() {
    Stages().clear();
    g_failureHook = nullptr;
}

void OpenLevelLoading() {
    g_loading = std::make_unique<LevelLoading>();
    g_loading->stages = Stages();
    for (const LevelLoadStage& stage : g_loading->stages)
        g_loading->progress.AddStage(stage.id, stage.weight);
    g_loading->progress.Start(kLoadingReportInterval, ShowProgress);
    SetLoadingProgressHook(ProgressHook);
    ShowProgress(0.0f, 0);
}

void CloseLevelLoading() {
    if (!g_loading) return;
    SetLoadingProgressHook(nullptr);
    g_loading.reset();
}

const AppCallbacks& LevelLoadingCallbacks() {
    return kCallbacks;
}

float LevelLoadingProgress() {
    return g_loading ? g_loading->progress.Overall() : -1.0f;
}
