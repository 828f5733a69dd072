#pragma once
// The game-data loader protocol. A chunk loader is called as
// Load(object, open reader, state) again and again until it reports that it
// has finished; between calls the application draws a frame, so a long load
// keeps the loading screen alive.

#include <cstdint>

// Zeroed by the caller before the first call and kept between calls.
struct LoaderState {
    int32_t done;  // records handled; 0 on the first call, when the loader opens its chunk
    int32_t total; // the record count once read
    int32_t error; // set when the load failed
};
static_assert(sizeof(LoaderState) == 12);

// What a chunk loader returns.
constexpr int32_t kLoaderCallAgain = 0;
constexpr int32_t kLoaderFinished = 1;

// The loading-progress tracker of the application. It receives the current
// stage's progress (0..1) and answers true when it has just reported to the
// loading screen, i.e. when the frame's time is used up.
using LoadingProgressHook = bool (*)(float fraction);

// Installs the tracker; null removes it.
void SetLoadingProgressHook(LoadingProgressHook hook);
// The installed tracker (a loader that runs another may put its own in front).
LoadingProgressHook GetLoadingProgressHook();

// Hands the fraction to the installed tracker. True means the calling loader
// should return kLoaderCallAgain at once and resume from its state; false
// (also when no tracker is installed) means it may carry on.
bool GlobalObjectSetFloat(float fraction);
