#pragma once
// The screen settings: windowed or full screen, the window's and the
// screen's sizes, refresh rate and vertical sync, applied to the viewer.

#include "engine/DisplayModes.h"
#include "engine/DisplaySettings.h"

#include <cstdint>

class DXLViewer;
namespace platform {
class FrameSink;
}

// The screen-parameter record: the first seven words of GameScreen and the
// screen-parameters chunk of config.dat.
struct ScreenParams {
    uint32_t fullscreen;
    uint32_t windowWidth;
    uint32_t windowHeight;
    uint32_t screenWidth;
    uint32_t screenHeight;
    uint32_t refreshRate;
    uint32_t vsync;
};
static_assert(sizeof(ScreenParams) == 28);

struct WindowSize {
    uint32_t width;
    uint32_t height;
};

class GameScreen {
  public:
    static constexpr int kWindowSizeCount = 4;

    // Windowed at the default window size, the desktop's screen size and
    // refresh rate, vertical sync on.
    GameScreen();

    // Keeps the viewer, copies its adapter's desktop mode and sets the
    // defaults from it. The viewer's adapter must be initialised.
    void Init(DXLViewer* viewer);

    void GetParams(ScreenParams* out) const { *out = params_; }
    // Fills a zero window size, screen size or refresh rate from the
    // defaults, replaces a window size that is not offered by the default
    // one and a screen size that no display mode has by the desktop's (with
    // its refresh rate), then applies the record. On failure the previous
    // record comes back (and is applied again), the log gets
    // "GameScreen::SetParams(params)" and the answer is false.
    bool SetParams(const ScreenParams& requested);
    void SetFullscreen(bool fullscreen) { params_.fullscreen = fullscreen ? 1 : 0; }
    // Applies the record to the viewer; false on failure. A full screen whose
    // back buffer does not fit in memory becomes the default window (the
    // record then says so); std::bad_alloc when no back buffer fits.
    bool Apply();

    uint32_t GetDesktopHeight() const { return desktopMode_.height; }
    uint32_t GetDesktopRefreshRate() const { return desktopMode_.refreshRate; }
    uint32_t GetDesktopWidth() const { return desktopMode_.width; }
    uint32_t GetDefaultWindowWidth() const { return defaultWindow_.width; }
    uint32_t GetDefaultWindowHeight() const { return defaultWindow_.height; }
    const DXLDISPLAYMODE& GetDesktopMode() const { return desktopMode_; }
    int GetWindowSizeCount() const { return kWindowSizeCount; }
    const WindowSize& GetWindowSize(int i) const { return windowSizes_[i]; }
    bool IsWindowSizeOffered(uint32_t width, uint32_t height) const;

    // The display settings the record asks the viewer for.
    void MakeDisplaySettings(DXLDisplaySettings* out) const;

  private:
    bool ApplyRecord();

    bool HasDisplayMode(uint32_t width, uint32_t height) const;

    ScreenParams params_;
    DXLDISPLAYMODE desktopMode_;
    WindowSize windowSizes_[kWindowSizeCount];
    WindowSize defaultWindow_;
    DXLViewer* viewer_ = nullptr;
};

GameScreen& GetGameScreen();

// The display as the application last set it: the settings it asked for,
// and after a successful change the viewer's window and the settings the
// viewer applied.
struct AppDisplayState {
    platform::FrameSink* window = nullptr;
    DXLDisplaySettings settings;
};
const AppDisplayState& AppAppliedDisplay();

// Copies new settings (when given) into the application's display state and
// hands that state's settings to the viewer; on success the window and the
// applied settings are read back into it, the frame is cleared once when a
// colour is given, and frame timing is switched on. The viewer's result.
HResult AppApplyDisplayMode(DXLViewer* viewer, const DXLDisplaySettings* settings,
                            const uint32_t* clearColour);

// The game's display modes: 32-bit, at least 800 x 600.
bool AppDisplayModeFilter(DXLViewer* viewer, kis::list<DXLDISPLAYMODE>* filtered, DXLDISPLAYMODE* mode);
