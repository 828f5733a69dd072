#pragma once
// Game state kStateLevelLoading: a level is loaded one stage per frame while the
// loading screen shows the progress, then the level is played (kStateLevel).
//
// The level subsystem registers the stages (building the level from the
// level table, restoring a saved game, making its sprites) and what level is
// loaded is its own business; the shell runs them in order, each called once
// a frame until it returns something other than kLoaderCallAgain, and its
// loader may yield earlier through GlobalObjectSetFloat. A stage that ends
// with the error flag set stops the loading: the log says which, the level
// subsystem's failure hook runs and the game goes back to the map (kStateMap).

#include "app/GameStates.h"
#include "engine/LoaderState.h"

#include <cstdint>

struct LevelLoadStage {
    uint32_t id;
    float weight;
    const char* name; // for the log: "Loading the level's <name> failed."
    int32_t (*load)(LoaderState* state);
};
void RegisterLevelLoadStage(const LevelLoadStage& stage);
// Runs when a stage failed, before the game goes back to the map (null: none).
void SetLevelLoadFailureHook(void (*hook)());
// Forgets the stages and the failure hook.
void ClearLevelLoadStages();

// Entering and leaving kStateLevelLoading, and its callbacks (update, draw).
void OpenLevelLoading();
void CloseLevelLoading();
const AppCallbacks& LevelLoadingCallbacks();
// The overall progress while the state is current (0..1), else -1.
float LevelLoadingProgress();
