#pragma once
// The running level's interface in the program: the level panel (money
// strip, goals, time bar, warehouse, menu and bonus buttons) over the level,
// the pause menu with its options, awards and restart, the information page
// at the start, the level window (restart, game over) with its bonuses
// window, the result window of a win, the warehouse window over the level's
// stock, and the notices of a full warehouse, reached goals and awards.
//
// The level screen owns the interface beside its level; the interface is the
// level's interface hooks (through LevelPanelDriver) and the panel's context.
// The window manager owns every window; the interface closes them, the
// panel first among them, before it goes, so that none outlives the level it
// reads.
//
// Some answers cannot run inside the windows' own input (the restart deletes
// the windows the click came from): the interface notes them and the level
// screen takes them on its next update.

#include "levelui/LevelMenu.h"
#include "levelui/LevelPanel.h"
#include "levelui/WarehouseWindow.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class FarmData;
class GameLevel;
class PointPanels;
class ProgramBonusEdit;
class ProgramWorld;
class RunningLevelView;

// What the level's session gives its interface: the restart made at once
// (the fade before a restart calls it in its middle, while the screen's
// update stands still under the cover) and the start of the full-warehouse
// tutorial for a product (the first full warehouse of a player who wants
// tutorials).
struct LevelSessionHooks {
    std::function<void()> restartNow;
    std::function<void(uint32_t productId)> startFullWarehouseTutorial;
};

class LevelInterface : public LevelPanelDriver {
  public:
    // The world and the farm tables outlive the interface; so does the level,
    // made after the interface (the interface is its interface hooks) and given
    // to it with Attach before its StartUp.
    LevelInterface(ProgramWorld& world, FarmData& farm);
    ~LevelInterface() override;
    LevelInterface(const LevelInterface&) = delete;
    LevelInterface& operator=(const LevelInterface&) = delete;

    void Attach(GameLevel& level);
    // Opens the panel (after the level's StartUp, before its Begin) and the
    // information page the start-up asked for; anchors the notices to it.
    void OpenPanel();
    // Closes the panel and every window of the level at once (outside the
    // windows' input): before a restart and when the level goes.
    void CloseAll();
    // Once a frame, before the level's update: the windows' update.
    void Update();
    // A restart the windows asked for (the pause menu's restart window, the
    // level window after a game over); taken once.
    bool TakeRestart();
    // What the level's session gives its interface (game/LevelScreen.h builds it).
    void SetSessionHooks(LevelSessionHooks hooks) { session_ = std::move(hooks); }
    // The running tutorial for the close-tutorial button (null: none).
    void SetTutorial(LevelTutorialHooks* tutorial) { tutorial_ = tutorial; }

    // ---- the farm's warehouse point
    void OpenWarehouseWindow();
    // The warehouse point's level, 0 for the first (kept until the panel is there).
    void SetWarehouseButtonLevel(int32_t level);

    // ---- the level's interface hooks beyond the driver's
    void ShowMenu(bool animate) override;
    void OpenInfoWindow() override;
    void ShowGoalNotice(uint32_t goal) override;
    void ShowAwardNotice(uint32_t award) override;
    void OpenResultWindow(const LevelResult& result) override;
    void OpenGameOverDialog() override;
    bool IsGameWindowActive() const override;
    void StartMusic(const char16_t* name) override;
    void PlayLevelSound(uint32_t sound, uint32_t argument) override;
    void FadeOutWonSound(uint32_t ms) override;
    void ApplyPause(bool paused) override;
    void ShowWarehouseFull(uint32_t productId) override;
    void DrawPanelAndWindows(DXLViewer& viewer) override;
    void OnScreenSizeChanged(int32_t width, int32_t height) override;
    bool RouteMouseToScreenSprites(int32_t x, int32_t y, uint32_t button, bool down) override;
    int32_t PointMarkAt(int32_t x, int32_t y) const override;
    void DrawScreenSprites(DXLViewer& viewer) override;
    void RefreshScreenSprites() override;
    bool OfferPointOrder(int32_t index, uint32_t job) override;
    uint32_t ShowRepairButton(int32_t index, bool animated) override;
    void HideRepairButton(uint32_t handle, bool animated) override;
    void ShowFlyingMoney(const FlyingMoney& money) override;

    // The final award was won: its notice.
    void ShowFinalAwardNotice();

    // ---- the panel of the selected point (its farm point tells of changes)
    void OnSelectionChanged(int32_t before, int32_t now) override;
    void OpenBuildMenu(int32_t index) override;
    void AttachBuildingPanel(const BaseLevelPoint* point);
    void RefreshPointPanel(const BaseLevelPoint* point);
    void ForgetPointPanel(const BaseLevelPoint* point);
    void RefreshPlantPanel();
    // Null while the panel is closed.
    PointPanels* GetPointPanels() const { return points_.get(); }

    // The hooks of the pause menu and the host of the level's windows (the
    // restart and game-over level windows, the result window): they call
    // this interface and, once it is attached, its level.
    LevelMenuHooks MenuHooks(uint32_t levelIndex);
    LevelWindowsHost WindowsHost();

  private:
    class Context;
    class Warehouse;
    class Tags;
    // The screen fades out, the middle runs, the screen fades in.
    void FadeThen(std::function<void()> middle);
    void OnGameOverAnswer(uint32_t command);
    static uint32_t GameOverAnswer(uintptr_t self, uintptr_t, uint32_t command);
    // A point of the screen the open page or warehouse window lets through to the panel.
    bool PassesToPanel(int32_t x, int32_t y) const;
    void EndLevelSounds();

    GameLevel* level_ = nullptr; // set by Attach
    ProgramWorld& world_;
    FarmData& farm_;
    std::unique_ptr<RunningLevelView> levelView_;
    std::unique_ptr<Context> context_;
    std::unique_ptr<Warehouse> warehouse_;
    std::unique_ptr<Tags> tags_;
    std::unique_ptr<LevelMenu> menu_;
    std::shared_ptr<ProgramBonusEdit> bonuses_; // the level windows' hosts keep it too
    std::unique_ptr<PointPanels> points_;       // with the panel
    LevelTutorialHooks* tutorial_ = nullptr;    // owned by the level screen
    LevelSessionHooks session_;
    bool infoWanted_ = false;
    bool restartWanted_ = false;
    int32_t warehouseLevel_ = 0;
    uint32_t wonChannel_ = 0;   // the level-won fanfare's playback
    bool soundsPaused_ = false; // the level's sound category is paused by this level
};
