#include "app/GameScreen.h"
#include "app/AppState.h"

#include "engine/Direct3D.h"
#include "engine/Log.h"
#include "engine/PixelFormat.h"
#include "engine/Viewer.h"
#include "platform/GraphicsDevice.h"
#include "platform/Window.h"

#include <cstdio>
#include <cstdlib>
#include <new>

namespace {

// The window sizes the game offers; the first is the default.
constexpr WindowSize kOfferedWindowSizes[GameScreen::kWindowSizeCount] = {
    {800, 600}, {1024, 768}, {1280, 960}, {1600, 1200}};

} // namespace

GameScreen::GameScreen() {
    for (int i = 0; i < kWindowSizeCount; ++i)
        windowSizes_[i] = kOfferedWindowSizes[i];
    defaultWindow_ = windowSizes_[0];
    desktopMode_.width = 800;
    desktopMode_.height = 600;
    desktopMode_.format = kFormatX8R8G8B8;
    CompleteDisplayMode(&desktopMode_);
    params_ = {0, defaultWindow_.width, defaultWindow_.height, desktopMode_.width, desktopMode_.height, 0, 1};
}

void GameScreen::Init(DXLViewer* viewer) {
    viewer_ = viewer;
    if (viewer && viewer->GetCurrentAdapter()) desktopMode_ = viewer->GetCurrentAdapter()->desktopMode;
    params_.screenWidth = desktopMode_.width;
    params_.screenHeight = desktopMode_.height;
    params_.refreshRate = desktopMode_.refreshRate;
}

bool GameScreen::IsWindowSizeOffered(uint32_t width, uint32_t height) const {
    for (const WindowSize& size : windowSizes_)
        if (size.width == width && size.height == height) return true;
    return false;
}

bool GameScreen::HasDisplayMode(uint32_t width, uint32_t height) const {
    const kis::list<DXLDISPLAYMODE>* modes = viewer_ ? viewer_->GetDisplayModes() : nullptr;
    if (!modes) return false; // no adapter known yet: an empty list
    for (int32_t i = 0; i < modes->Count(); ++i) {
        const DXLDISPLAYMODE* mode = modes->Get(i);
        if (mode->width == width && mode->height == height) return true;
    }
    return false;
}

bool GameScreen::SetParams(const ScreenParams& requested) {
    ScreenParams p = requested;
    p.fullscreen = p.fullscreen ? 1 : 0;
    p.vsync = p.vsync ? 1 : 0;
    if (p.windowWidth == 0 || p.windowHeight == 0 || !IsWindowSizeOffered(p.windowWidth, p.windowHeight)) {
        if (p.windowWidth != 0 && p.windowHeight != 0) // zero: none asked for
            LogLabelPrintf(kLogIndent, "Window size", "%u x %u is not offered; %u x %u is used instead.",
                           p.windowWidth, p.windowHeight, defaultWindow_.width, defaultWindow_.height);
        p.windowWidth = defaultWindow_.width;
        p.windowHeight = defaultWindow_.height;
    }
    if (p.screenWidth == 0 || p.screenHeight == 0) {
        p.screenWidth = desktopMode_.width;
        p.screenHeight = desktopMode_.height;
    }
    if (p.refreshRate == 0) p.refreshRate = desktopMode_.refreshRate;
    if (!HasDisplayMode(p.screenWidth, p.screenHeight)) {
        LogLabelPrintf(kLogIndent, "Screen size", "%u x %u is not a display mode; %u x %u is used instead.",
                       p.screenWidth, p.screenHeight, desktopMode_.width, desktopMode_.height);
        p.screenWidth = desktopMode_.width;
        p.screenHeight = desktopMode_.height;
        p.refreshRate = desktopMode_.refreshRate;
    }

    const ScreenParams previous = params_;
    params_ = p;
    if (Apply()) return true;
    LogErrorPrintf(kLogIndent, "GameScreen::SetParams(params)");
    params_ = previous;
    // A failed switch leaves the viewer without a device and its window as
    // the switch left it; a windowed record needs the window back first.
    if (auto* windowViewer = dynamic_cast<DXLWindowViewer*>(viewer_);
        windowViewer && !params_.fullscreen && windowViewer->GetWindow())
        windowViewer->GetWindow()->SetFullscreen(false);
    Apply();
    return false;
}

void GameScreen::MakeDisplaySettings(DXLDisplaySettings* out) const {
    DXLDisplaySettings s;
    s.adapterFormat = kFormatX8R8G8B8;
    s.present.windowed = params_.fullscreen ? 0 : 1;
    s.present.backBufferWidth = params_.fullscreen ? params_.screenWidth : params_.windowWidth;
    s.present.backBufferHeight = params_.fullscreen ? params_.screenHeight : params_.windowHeight;
    s.present.backBufferFormat = kFormatX8R8G8B8;
    s.present.fullScreenRefreshRate = params_.fullscreen ? params_.refreshRate : 0;
    s.present.presentationInterval =
        params_.vsync ? platform::kPresentIntervalOne : platform::kPresentIntervalImmediate;
    *out = s;
}

bool GameScreen::Apply() {
    // A full screen whose back buffer the memory cannot hold gives way to the
    // default window before the device is asked: a failed switch releases the
    // device, and with it what was made on it.
    if (params_.fullscreen && !platform::BackBufferFits(params_.screenWidth, params_.screenHeight)) {
        LogErrorPrintf(
            kLogIndent,
            "Full screen at %u x %u does not fit in memory; the game goes on in a window of %u x %u.",
            params_.screenWidth, params_.screenHeight, defaultWindow_.width, defaultWindow_.height);
        params_.fullscreen = 0;
        params_.windowWidth = defaultWindow_.width;
        params_.windowHeight = defaultWindow_.height;
    }
    if (ApplyRecord()) return true;
    // Without room for the back buffer the game cannot go on: it ends as
    // wherever memory runs out.
    if (viewer_ && viewer_->GetLastResult() == kResultOutOfMemory) throw std::bad_alloc();
    return false;
}

bool GameScreen::ApplyRecord() {
    if (!viewer_) return false;
    DXLDisplaySettings requested;
    MakeDisplaySettings(&requested);
    DXLSettingsRules rules;
    rules.adapterFormat = SettingRule::Verify;
    rules.backBufferSize = SettingRule::Verify;
    rules.backBufferFormat = SettingRule::Verify;
    rules.windowed = SettingRule::AsRequested;
    rules.refreshRate = SettingRule::Verify;
    rules.presentationInterval = SettingRule::Verify;
    DXLDisplaySettings settings;
    viewer_->ValidateSettings(&settings, &requested, &rules);
    const uint32_t black = 0xFF000000;
    return Succeeded(AppApplyDisplayMode(viewer_, &settings, &black));
}

GameScreen& GetGameScreen() {
    AppState* state = RunningAppState();
    if (!state) {
        std::fprintf(stderr, "verbolunde: the game screen was asked for while no App runs.\n");
        std::abort();
    }
    return state->gameScreen;
}

namespace {
const AppDisplayState kNoDisplay = {};
} // namespace

const AppDisplayState& AppAppliedDisplay() {
    const AppState* state = RunningAppState();
    return state ? state->appliedDisplay : kNoDisplay;
}

HResult AppApplyDisplayMode(DXLViewer* viewer, const DXLDisplaySettings* settings,
                            const uint32_t* clearColour) {
    if (!viewer) return kResultPointer;
    // Outside a run (tests) the mode is applied all the same and kept nowhere.
    AppDisplayState spare;
    AppState* state = RunningAppState();
    AppDisplayState& applied = state ? state->appliedDisplay : spare;
    if (settings) applied.settings = *settings;
    HResult hr = viewer->ChangeDisplayMode(&applied.settings);
    if (Failed(hr)) return hr;
    applied.window = viewer->GetWindowHandle();
    if (const DXLDisplaySettings* now = viewer->GetSettings()) applied.settings = *now;
    if (clearColour) viewer->RenderFrame(*clearColour);
    viewer->SetFrameTiming(true);
    return hr;
}

bool AppDisplayModeFilter(DXLViewer*, kis::list<DXLDISPLAYMODE>*, DXLDISPLAYMODE* mode) {
    return mode->format == kFormatX8R8G8B8 && mode->width >= 800 && mode->height >= 600;
}
