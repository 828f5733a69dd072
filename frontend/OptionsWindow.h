#pragma once
// The options window: full screen, the current player's tutorials, and music
// and sounds each with an on/off toggle and a volume bar. Changes apply at
// once; config.dat is written when the window goes, only after a change.

#include "gui/SpritesWindow.h"

#include <cstdint>

class ProfileManager;
class SoundManager;
class OptionsWindow;

constexpr uint32_t kOptionsWindowTag = MakeWindowTag('O', 'p', 't', 's');
constexpr uint32_t kOptionsClose = 0x1C8C0002;
constexpr uint32_t kOptionsFullscreen = 0x1C8C0003;
constexpr uint32_t kOptionsMusicToggle = 0x1C8C0004;
constexpr uint32_t kOptionsSoundToggle = 0x1C8C0005;
constexpr uint32_t kOptionsMusicBar = 0x1C8C0006;
constexpr uint32_t kOptionsSoundBar = 0x1C8C0007;
constexpr uint32_t kOptionsTutorial = 0x1C8C0008;

// What the window changes, so that tests can stand in for the display.
struct OptionsServices {
    SoundManager* sound = nullptr;
    // Switches full screen; false when the display could not be set.
    bool (*setFullscreen)(bool fullscreen) = nullptr;
    bool (*isFullscreen)() = nullptr;
    // Writes config.dat.
    void (*saveConfig)() = nullptr;
};
// The program's: the game screen, the screen resources and config.dat,
// with the running App's sound manager.
OptionsServices ProgramOptionsServices(SoundManager& sound);

// A volume bar of one sound category (0 music, 1 sounds).
class SoundBar : public ActiveButton {
  public:
    SoundBar(GameWindow* window, GameControls* group, uint32_t command, int category, int32_t x, int32_t y,
             OptionsWindow* owner);
    void PlayClickSound() override;
    void Draw(DXLViewer& viewer, float alpha) override;
    bool OnMouseDown(int32_t x, int32_t y, uint32_t button) override;
    bool OnMouseMove(int32_t x, int32_t y, uint32_t buttons) override;

    void SetFromX(int32_t x);
    int Category() const { return category_; }
    int32_t BarWidth() const { return width_; }
    int32_t Fill() const { return fill_; }
    void Rebuild();
    ImageButton* toggle = nullptr; // in the same group
    bool valueChanged = false;
    uint32_t lastClick = 0;
    bool clicked = false;    // lastClick holds a time
    bool clicksHeard = true; // the music bar has none

  private:
    int category_;
    OptionsWindow* owner_;
    int32_t width_ = 200, height_ = 16;
    int32_t fill_ = 0;
};

class OptionsWindow : public SpritesWindow {
  public:
    OptionsWindow(WindowManager& manager, const OptionsServices& services);
    ~OptionsWindow() override;

    bool OnKeyDown(uint32_t key, uint32_t flags) override;
    bool Update() override;
    uint32_t OnButtonClick(GameButton* button) override;
    void DrawChildren(DXLViewer& viewer) override;

    void SetCategoryOn(SoundBar* bar, bool on);
    bool Changed() const { return changed_; }
    void MarkChanged() { changed_ = true; }
    SoundBar* Bar(int category) const { return bars_[category]; }
    ImageButton* FullscreenBox() const { return fullscreen_; }
    ImageButton* TutorialBox() const { return tutorial_; }
    SoundManager& Sound() const { return *services_.sound; }

  private:
    void StoreTutorial();
    void CloseWindow();

    OptionsServices services_;
    ImageButton* fullscreen_ = nullptr;
    ImageButton* tutorial_ = nullptr;
    SoundBar* bars_[2] = {};
    SkinText labels_[2];
    float labelX_[2] = {}, labelY_[2] = {};
    bool changed_ = false;
    bool tutorialClicked_ = false; // since the profile was last written here
};

OptionsWindow* OpenOptionsWindow();
