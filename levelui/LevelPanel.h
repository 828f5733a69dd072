#pragma once
// The level's bottom panel and everything that hangs from it: the goal
// buttons, the child panel of the selected point (or the empty panel with
// the medal times and the clock), the time bar, the warehouse button, the
// bonus buttons floating above it, the menu button in the top-right corner,
// the close-tutorial button, the money strip and the pulsing "click to
// start" text. Clicks become calls on the running level.
//
// The window manager owns the panel and the money strip (both are windows
// of its stack); the panel owns everything else. The level reaches the
// panel through LevelPanelDriver (its interface hooks).

#include "gui/ImageButton.h"
#include "gui/Skin.h"
#include "gui/Window.h"
#include "level/Economy.h"
#include "level/LevelHooks.h"
#include "level/LevelPoint.h"
#include "levelui/LevelSheet.h"
#include "levelui/PanelLayout.h"
#include "levelui/RunningLevelView.h"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class ChildLevelPanel;
class EmptyPanel;
class LevelPanel;
class LevelPanelDriver;
class MoneyWindow;
class TimeBar;
class TaskButton;
class Sprite;
class SpriteInstance;

constexpr uint32_t kLevelPanelTag = 0x4C766C70;  // 'Lvlp'
constexpr uint32_t kMoneyWindowTag = 0x4D6F6E79; // 'Mony'
constexpr uint32_t kCommandMenu = 0x4C500001;
constexpr uint32_t kCommandBonus = 0x4C500002;
constexpr uint32_t kCommandWarehouse = 0x4C500003;
constexpr uint32_t kCommandCloseTutorial = 0x4C500004;
constexpr uint32_t kCommandGoal = 0x4C500005;
constexpr uint32_t kChildCommandMask = 0xFF000000;
constexpr uint32_t kChildCommand = 0xC9000000;
constexpr uint32_t kCommandLevelBlock = 0xC9000001;
constexpr uint32_t kCommandRemove = 0xC9000002;
constexpr uint32_t kCommandUpgrade = 0xC9000003;
constexpr uint32_t kCommandBack = 0xC9000007;
constexpr int32_t kEmptyPanelId = -2;
constexpr uint32_t kEventSoundTimeWarning = 0;
constexpr uint32_t kEventSoundGoalMet = 11;
constexpr uint32_t kSoundCategoryEvent = 0x40000000;
constexpr uint32_t kSoundCategoryWarning = 0x41000000;

// What the panel needs beside the level: the level's money and stock
// listeners, the farm's tables (goal icons and names, the warehouse's
// levels), the bonus icons and titles, sounds, the running tutorial and the
// level windows. The game fills it in from its services. Sounds and the
// level's title have defaults that use the shell's services.
class LevelPanelContext {
  public:
    virtual ~LevelPanelContext() = default;
    // The level's money value (its listeners tell the panel of changes);
    // null: the panel reads the level world's money and hears of nothing.
    virtual MoneyValue* Money() = 0;
    // The stock (its slot callbacks tell the panel of changes); null: none.
    virtual ProductStock* Stock() = 0;
    // The warehouse building type's level count.
    virtual uint32_t WarehouseLevelCount() const = 0;
    // A goal's icon (the product's, the plant's, the building type's first)
    // and whether a product goal's product has ingredients.
    virtual Sprite* GoalIcon(const GoalRecord&) const = 0;
    virtual bool GoalHasIngredients(const GoalRecord&) const = 0;
    // A bonus slot's icon (three frames) and title key (group "bonuses").
    virtual Sprite* BonusIcon(uint32_t) const = 0;
    virtual std::u16string BonusTitle(uint32_t) const = 0;
    // Event sounds of the sound pack; the playing channel (0 none).
    virtual uint32_t PlayEventSound(uint32_t index, uint32_t category, bool loop);
    virtual void StopSound(uint32_t channel);
    // The running tutorial, or null when none runs.
    virtual LevelTutorialHooks* RunningTutorial() = 0;
    // "Yes" to the close-tutorial question: the running tutorial finishes.
    virtual void CloseTutorial();
    // The level windows of their own parts; false when not built.
    virtual bool OpenWarehouseWindow() = 0;
    virtual bool OpenPauseMenu() = 0;
    // What the level's points do not offer yet: whether a point works (its
    // remove button waits), and its pull-down request.
    virtual bool IsPointBusy(const BaseLevelPoint&) const = 0;
    virtual void RequestPulldown(BaseLevelPoint&) = 0;
    // The money strip's title.
    virtual std::u16string LevelTitle(uint32_t levelIndex) const;
};

// A panel with nothing of the game beside it (the showcase's and the tests'
// panels): no money value or stock to hear, no icons, no tutorial, no
// windows. The game's context answers every call itself.
class NoLevelPanelContext : public LevelPanelContext {
  public:
    MoneyValue* Money() override { return nullptr; }
    ProductStock* Stock() override { return nullptr; }
    uint32_t WarehouseLevelCount() const override { return 1; }
    Sprite* GoalIcon(const GoalRecord&) const override { return nullptr; }
    bool GoalHasIngredients(const GoalRecord&) const override { return false; }
    Sprite* BonusIcon(uint32_t) const override { return nullptr; }
    std::u16string BonusTitle(uint32_t) const override { return {}; }
    LevelTutorialHooks* RunningTutorial() override { return nullptr; }
    bool OpenWarehouseWindow() override { return false; }
    bool OpenPauseMenu() override { return false; }
    bool IsPointBusy(const BaseLevelPoint&) const override { return false; }
    void RequestPulldown(BaseLevelPoint&) override {}
};

// ---------------------------------------------------------------- buttons of the panel

// A bonus slot's button: ready (1), recharging (2) or running (3).
class BonusButton : public ActiveButton {
  public:
    static constexpr int32_t kWidth = 54, kHeight = 48;
    BonusButton(GameWindow* window, GameControls* group, LevelPanel* panel, uint32_t slot);
    uint32_t GetCursor() override;
    void Draw(DXLViewer& viewer, float alpha) override;
    // From the level's slot; animate plays the state's effects.
    void Update(bool animate);
    void Place(int32_t x, int32_t y);
    uint32_t Slot() const { return slot_; }
    uint32_t DisplayState() const { return display_; }
    float Fraction() const { return fraction_; }

  private:
    void DrawRunLine(DXLViewer& viewer, float alpha, float scale);

    LevelPanel* panel_; // the owner's window
    uint32_t slot_;
    uint32_t display_ = 0;
    float fraction_ = 0.0f;
    Sprite* icon_ = nullptr; // owned by its library
    int32_t baseX_ = 0, baseY_ = 0;
    uint32_t effectStart_ = 0;
    uint32_t effectKind_ = 0; // 0 none, 1 slide up, 2 slide down, 3 flash
};

// The warehouse button with the warehouse's level marks.
class WarehouseButton : public ImageButton {
  public:
    static constexpr int32_t kWidth = 79, kHeight = 94;
    WarehouseButton(GameWindow* window, GameControls* group, uint32_t levelCount);
    void SetLevel(int32_t level);
    int32_t Level() const { return level_; }
    int32_t Highest() const { return highest_; }
    void Draw(DXLViewer& viewer, float alpha) override;
    void DrawStateText(DXLViewer& viewer, float alpha) override;
    const std::vector<SkinQuads>& Marks() const { return marks_; }

  private:
    int32_t highest_;
    int32_t level_ = -1;
    std::vector<SkinQuads> marks_;
};

// The close-tutorial button: a narrow button of the level panel.
class TutorialButton : public NarrowButton {
  public:
    TutorialButton(GameWindow* window, GameControls* group, int32_t width, const char16_t* text);
};

// ---------------------------------------------------------------- panel

class LevelPanel : public GameWindow {
  public:
    // The manager owns the panel; the level, context and driver outlive it
    // (the driver, when given, is pointed at the panel while it lives).
    LevelPanel(WindowManager& manager, RunningLevelView& level, LevelPanelContext& context,
               LevelPanelDriver* driver = nullptr);
    ~LevelPanel() override;

    void OnScreenResize(int32_t width, int32_t height) override;
    bool Update() override;
    void Draw(DXLViewer& viewer) override;
    bool HitTest(int32_t x, int32_t y) const override;
    uint32_t OnButtonClick(GameButton* button) override;

    // ---- calls from the level
    void ShowEmptyPanel();
    // -1: every goal.
    void UpdateTaskButtons(int32_t index, bool animate);
    void CreateBonusButtons();
    void UpdateBonusButton(uint32_t slot, bool animate);
    void UpdateTimeBar(bool animate);
    void StartTextFadeOut();
    void ShowTutorialButton();
    void HideTutorialButton();
    // Over the menu button or the close-tutorial button (screen coordinates).
    bool HitTestButtons(int32_t x, int32_t y) const;
    ChildLevelPanel* FindChildPanel(int32_t id) const;

    // ---- the panel's parts
    RunningLevelView& Level() const { return level_; }
    LevelPanelContext& Context() const { return context_; }
    const PanelLayout& Layout() const { return layout_; }
    uint32_t LayoutCounter() const { return layoutCounter_; }
    ChildLevelPanel* CurrentChild() const { return child_; }
    void SetCurrentChild(ChildLevelPanel* child) { child_ = child; }
    void RegisterChild(ChildLevelPanel* child);
    void UnregisterChild(ChildLevelPanel* child);
    // Keeps a child panel until the level panel goes.
    template <class P> P* AdoptChild(std::unique_ptr<P> child) {
        P* raw = child.get();
        owned_.push_back(std::move(child));
        return raw;
    }
    EmptyPanel* GetEmptyPanel() const { return empty_; }
    TimeBar* GetTimeBar() const { return timeBar_.get(); }
    MoneyWindow* GetMoneyWindow() const { return money_; }
    // The money strip went first (the manager deletes the windows top first).
    void ForgetMoneyWindow() { money_ = nullptr; }
    WarehouseButton* GetWarehouseButton() const { return warehouse_; }
    ImageButton* GetMenuButton() const { return menu_; }
    TutorialButton* GetTutorialButton() const { return tutorial_; }
    BonusButton* GetBonusButton(uint32_t slot) const {
        return slot < kBonusSlotCount ? bonus_[slot] : nullptr;
    }
    uint32_t GoalCount() const { return uint32_t(tasks_.size()); }
    TaskButton* GetTaskButton(uint32_t i) const { return i < tasks_.size() ? tasks_[i] : nullptr; }
    const kis::Rect& MenuCorner() const { return menuCorner_; }
    // The pulsing text: present until its fade-out ends.
    bool HasStartText() const { return hasText_; }
    const SkinText& StartText() const { return text_; }
    uint32_t AnimationClock() const { return clock_; }
    int64_t FadeOutStart() const { return fadeOut_; }
    float StartTextScale() const { return ClickToStartScale(clock_); }
    float StartTextAlpha() const { return ClickToStartAlpha(clock_, fadeIn_, fadeOut_); }
    // Advances the panel's clock (the level's frame time while the text lives).
    void AdvanceClock(uint32_t ms);

  private:
    void DoLayout();
    void PlaceButtons();
    void LayoutTaskButtons();
    void LayoutBonusButtons();
    void PlaceTutorialButton();
    void CreateMenuButton();
    void CenterStartText();

    RunningLevelView& level_;
    LevelPanelContext& context_;
    LevelPanelDriver* driver_;
    int32_t screenWidth_, screenHeight_;
    PanelLayout layout_{};
    uint32_t layoutCounter_ = 0;
    std::vector<SkinQuads> under_, over_;
    std::vector<ChildLevelPanel*> children_; // owned by owned_ or by their points
    std::vector<std::unique_ptr<ChildLevelPanel>> owned_;
    ChildLevelPanel* child_ = nullptr;
    EmptyPanel* empty_ = nullptr;  // in owned_
    MoneyWindow* money_ = nullptr; // in the manager's stack; closed with the panel
    std::unique_ptr<TimeBar> timeBar_;
    // Controls of the panel's own group (which owns them).
    WarehouseButton* warehouse_ = nullptr;
    ImageButton* menu_ = nullptr;
    TutorialButton* tutorial_ = nullptr;
    std::array<BonusButton*, kBonusSlotCount> bonus_{};
    std::vector<TaskButton*> tasks_;
    kis::Rect menuCorner_{0, 0, 0, 0};
    uint32_t moneyListener_ = 0, stockListener_ = 0;
    // "click to start"
    bool hasText_ = false;
    SkinText text_;
    uint32_t clock_ = 0;
    int64_t fadeIn_ = 0, fadeOut_ = -1;
    uint32_t lastNow_ = 0;
    bool nowSet_ = false;
};

// The level's interface hooks: forwards the level's calls to the panel while it
// exists. The game's level screen owns it; the panel clears it when it goes.
class LevelPanelDriver : public LevelInterfaceHooks {
  public:
    void SetPanel(LevelPanel* panel) { panel_ = panel; }
    LevelPanel* Panel() const { return panel_; }

    void ShowEmptyPanel() override;
    void CreateBonusButtons() override;
    void UpdateBonusButton(uint32_t slot) override;
    void UpdateTaskButtons(int32_t index) override;
    void UpdateTimeBar() override;
    void StartTextFadeOut() override;
    void ShowMenu(bool animate) override;

  private:
    LevelPanel* panel_ = nullptr; // owned by the window manager
};

// A panel without the rest of the level's interface (the showcase's and the
// tests' panels): the hooks beyond the panel's do nothing. The game's level
// interface answers every one of them itself.
using PanelOnlyDriver = WithoutInterfaceBeyondPanel<LevelPanelDriver>;
