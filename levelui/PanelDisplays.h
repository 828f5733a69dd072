#pragma once
// The level's state as the panel shows it: the time bar over the child area
// (medal zones, elapsed time, lost medals crossed out, the ticking warning),
// the money strip at the top centre, and the goal buttons.

#include "gui/ProgressLine.h"
#include "gui/Skin.h"
#include "gui/Window.h"
#include "level/Economy.h"
#include "level/LevelTable.h"
#include "levelui/PanelLayout.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class DigitalText;
class LevelPanel;
class Sprite;
class SpriteInstance;

// ---------------------------------------------------------------- time bar

class TimeBar {
  public:
    static constexpr int32_t kHeight = 32;
    explicit TimeBar(LevelPanel& panel);
    ~TimeBar();
    TimeBar(const TimeBar&) = delete;
    TimeBar& operator=(const TimeBar&) = delete;

    void GetSize(int32_t* width, int32_t* height) const;
    // Follows the child area; nothing when the width is unchanged.
    void Layout();
    // From the level's time and grade; animate stamps lost medals.
    void Update(bool animate);
    void Draw(DXLViewer& viewer);

    int32_t X() const { return x_; }
    int32_t Y() const { return y_; }
    int32_t Width() const { return width_; }
    const std::array<int32_t, 3>& Zones() const { return zones_; }
    const std::array<int32_t, 3>& IconX() const { return iconX_; }
    uint32_t PreviousGrade() const { return previousGrade_; }
    bool IsWarning() const { return warning_; }
    // Whether the medal's cross was stamped on as the medal was lost, and when (the manager's clock).
    bool IsStamped(uint32_t medal) const { return stamps_[medal].has_value(); }
    uint32_t StampTime(uint32_t medal) const { return stamps_[medal].value_or(0); }

  private:
    LevelPanel& panel_; // the owner
    int32_t x_ = 0, y_ = 0, width_ = 0;
    std::array<int32_t, 3> zones_{};
    std::array<int32_t, 3> iconX_{};
    ProgressLine line_;
    std::vector<SkinQuads> frame_;
    std::array<std::unique_ptr<SpriteInstance>, 3> icons_; // bronze, silver, gold
    std::unique_ptr<SpriteInstance> cross_;
    std::array<std::optional<uint32_t>, 3> stamps_{}; // bronze, silver, gold
    uint32_t previousGrade_ = 4;
    bool warning_ = false;
    uint32_t channel_ = 0;
};

// ---------------------------------------------------------------- money strip

class MoneyWindow : public GameWindow {
  public:
    static constexpr uint32_t kRollMs = 300;
    MoneyWindow(WindowManager& manager, LevelPanel& panel);
    ~MoneyWindow() override;
    void OnScreenResize(int32_t width, int32_t height) override;
    void Draw(DXLViewer& viewer) override;
    // Input passes through the strip to the field.
    bool HitTest(int32_t, int32_t) const override { return false; }
    void SetMoney(int32_t value, bool atOnce);
    void OnMoneyChanged();
    // The value the digits show now.
    int32_t Shown();
    const ValueCounter& Counter() const { return counter_; }
    const std::u16string& Title() const { return title_.Text(); }
    const std::u16string& RegimeName() const { return regime_.Text(); }
    // Forgets the panel (it goes first).
    void Detach() { panel_ = nullptr; }

  private:
    LevelPanel* panel_; // the owner of the panel's parts; null once it went
    ValueCounter counter_;
    std::unique_ptr<DigitalText> digits_;
    std::vector<SkinQuads> strip_;
    SkinText title_, regime_;
    uint32_t listener_ = 0;
    MoneyValue* money_ = nullptr;
};

// ---------------------------------------------------------------- goal buttons

// A goal as the "task" text tag reads it (the tag sources' goal entry:
// kind, object id, value L the stage or level, value V the target). The
// award table's own goal record shares the level goal's name, so the tag
// sources' header cannot be included beside the level table's.
struct TaskTagEntry {
    uint32_t kind;
    uint32_t id;
    int32_t valueL;
    int32_t valueV;
};
static_assert(sizeof(TaskTagEntry) == 16);

class TaskButton : public ActiveButton {
  public:
    static constexpr uint32_t kModePanel = 0, kModeLevelWindow = 1;
    static constexpr uint32_t kFadeMs = 200;
    // Ingredients: whether a product goal's product is made from others
    // ("produce", else "collect"), for a button without a panel to ask.
    TaskButton(GameWindow* window, GameControls* group, LevelPanel* panel, uint32_t index,
               const GoalRecord& goal, uint32_t mode, bool ingredients = false);
    ~TaskButton() override;
    void SetRect(int32_t x, int32_t y, int32_t width);
    void SetProgress(int32_t value, bool animate);
    // The goal's picture where the button has no panel to ask (the level
    // window); null keeps the one it has.
    void SetIcon(Sprite* icon);
    void Draw(DXLViewer& viewer, float alpha) override;
    BaseHintWindow* GetHintWindow() override;

    const std::u16string& ProgressText() const { return progress_.Text(); }
    const std::u16string& CaptionKey() const { return captionKey_; }
    const std::u16string& TargetText() const { return target_.Text(); }
    const GoalRecord& Goal() const { return goal_; }
    bool IsMet() const { return met_; }
    uint32_t MarkCount() const { return marks_; }
    // The cross-fade of the frames: its start (game clock), or -1 when none runs.
    int64_t FadeStart() const { return fadeStart_; }

  private:
    LevelPanel* panel_; // the window's panel (null in the level window)
    uint32_t index_;
    GoalRecord goal_;
    TaskTagEntry entry_; // the hint's tag object: stage as L, target as V
    uint32_t mode_;
    std::unique_ptr<SpriteInstance> icon_;
    std::u16string captionKey_;
    SkinText caption_, target_, progress_;
    bool slash_ = false;
    uint32_t marks_ = 0;
    std::vector<SkinQuads> markQuads_;
    int32_t last_ = kNoGoalValue;
    bool met_ = false;
    std::vector<SkinQuads> frames_[2]; // not met, met
    int64_t fadeStart_ = -1;
    int32_t width_ = 0;
    int32_t iconY_ = 49;
};
