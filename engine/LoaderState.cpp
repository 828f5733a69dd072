#include "engine/LoaderState.h"

namespace {
LoadingProgressHook progressHook = nullptr;
}

void SetLoadingProgressHook(LoadingProgressHook hook) {
    progressHook = hook;
}

LoadingProgressHook GetLoadingProgressHook() {
    return progressHook;
}

bool GlobalObjectSetFloat(float fraction) {
    return progressHook ? progressHook(fraction) : false;
}
