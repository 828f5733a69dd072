#pragma once
// Controls of the window toolkit: the animated control state, the hint-showing
// base, buttons and a window's button group.
//
// A control belongs to one group of one window; the group owns it. Input
// arrives in the window's own coordinates.

#include "foundation/Helpers.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class DXLViewer;
class GameWindow;
class GameControls;
class WindowManager;
class BaseHintWindow;
class CaptionHintWindow;

// The cursor id that stands for the default cursor.
constexpr uint32_t kDefaultCursor = 256;
// The default cross-fade of a control state change, ms of game clock.
constexpr uint32_t kDefaultFadeTime = 150;

// Click results a window's OnButtonClick answers.
constexpr uint32_t kClickSelectRadio = 1; // the checkable button becomes its radio group's choice
constexpr uint32_t kClickResetLook = 2;   // back to the normal look at once
constexpr uint32_t kClickNoSound = 8;

// Something drawn past its bounds (a caption past its button's sides, a
// window at rest past the screen) is told in the log once per object, for
// the screen walks to find; after that a frame costs one flag test.
class PastBoundsNote {
  public:
    // True the first time r reaches past bounds: the caller then logs what it
    // is. An empty bounds is nothing to measure against and tells nothing.
    bool FirstTime(const kis::Rect& r, const kis::Rect& bounds);

  private:
    bool told_ = false;
};

// ---------------------------------------------------------------- state

// The look of a control: 0 hidden, 1 normal, 2 hover, 3 pressed, plus 4 for
// the second bank (disabled, or ticked on check boxes). A change cross-fades
// from the previous look over a duration of game clock.
class ControlState {
  public:
    static constexpr uint32_t kHidden = 0, kNormal = 1, kHover = 2, kPressed = 3, kSecondBank = 4;

    // duration -1: the default; at once: no fade.
    void SetState(uint32_t state, bool atOnce, int32_t duration = -1);
    // kNormal (keeping the bank) or kHidden.
    void SetVisible(bool visible, bool animated, int32_t duration = -1);
    void SetBank(bool second, bool animated, int32_t duration = -1);

    uint32_t State() const { return state_; }
    uint32_t Previous() const { return previous_; }
    uint32_t TwoBits() const { return state_ & 3; }
    bool SecondBank() const { return (state_ & kSecondBank) != 0; }
    // 0 at the change, 1 once the fade has run (or without one).
    float Progress() const;
    bool IsFading() const { return Progress() < 1.0f; }

  private:
    uint32_t state_ = kNormal;
    uint32_t previous_ = kNormal;
    uint32_t start_ = 0;
    uint32_t duration_ = 0;
};

// ---------------------------------------------------------------- hint

// A control that may show a hint while the mouse rests on it.
class GameHint {
  public:
    explicit GameHint(GameWindow* window);
    // A control outside the windows (the level's screen sprites): no window.
    explicit GameHint(WindowManager& manager);
    // ---- virtual operations, in slot order
    virtual void OnHintShown() {}
    virtual ~GameHint();
    // Nothing without a hint or when this control already owns the hint;
    // else it becomes the manager's hint owner, the old owner's hint goes and
    // this one shows after the manager's rest time.
    virtual void RequestHint();
    // The hint window, made on first use; null for a control without hint.
    virtual BaseHintWindow* GetHintWindow();
    // The cursor while the mouse rests on the control.
    virtual uint32_t GetCursor() { return kDefaultCursor; }

    // When this control owns the hint: clears the owner and hides the hint.
    void HideHint();
    // The rectangle the hint is anchored to (screen coordinates; null: the control's own).
    void SetHintRect(const kis::Rect* rect);
    void SetHintEnabled(bool enabled);
    // The hint stands beside the control rather than below it.
    void SetHintBeside(bool beside) { hintBeside_ = beside; }
    // The hint texts: a caption and a body (a text or a language key; tags in
    // square brackets go through the manager's tag callback).
    void SetHint(std::u16string caption, std::u16string body);
    bool HasHint() const { return hintEnabled_ && (!hintCaption_.empty() || !hintBody_.empty()); }

    GameWindow* GetWindow() const { return window_; }
    WindowManager& Manager() const { return *manager_; }
    // The control's rectangle on the screen (for hints).
    virtual kis::Rect ScreenRect() const = 0;

  protected:
    GameWindow* window_;     // the window whose group owns this control
    WindowManager* manager_; // the window's manager, which outlives it
    std::unique_ptr<CaptionHintWindow> hint_;
    std::u16string hintCaption_, hintBody_;
    bool hintEnabled_ = true;
    bool hasHintRect_ = false;
    bool hintBeside_ = false;
    kis::Rect hintRect_{0, 0, 0, 0};
};

// ---------------------------------------------------------------- buttons

class GameButton : public GameHint {
  public:
    GameButton(GameWindow* window, GameControls* group, uint32_t command);
    ~GameButton() override;

    // ---- virtual operations after the hint ones, in slot order
    virtual void SetState(uint32_t state, bool atOnce, int32_t duration = -1);
    // Selects the second bank (disabled, or the tick) when set.
    virtual void SetDisabled(bool disabled, bool animated = false, int32_t duration = -1);
    virtual void SetVisible(bool visible, bool animated = false, int32_t duration = -1);
    virtual bool HitTest(int32_t x, int32_t y) const;
    virtual void OnStateChanged() {}
    virtual void PlayClickSound();
    virtual void Draw(DXLViewer& viewer, float alpha);
    virtual bool OnMouseDown(int32_t x, int32_t y, uint32_t button);
    virtual bool OnMouseMove(int32_t x, int32_t y, uint32_t buttons);
    virtual bool OnMouseUp(int32_t x, int32_t y, uint32_t button);
    virtual bool OnMouseDblClick(int32_t x, int32_t y);
    virtual void OnClick();

    // The button's own cursor while it is not hidden, else the default.
    uint32_t GetCursor() override { return HasState() ? cursor_ : kDefaultCursor; }
    bool HasState() const { return state_.TwoBits() != 0; }
    bool IsDisabled() const { return state_.SecondBank(); }
    kis::Rect ScreenRect() const override;

    // Fades the button in from 0 starting at start (game clock) over ms; CloseWithEffect hides it.
    void ShowWithEffect(uint32_t start, uint32_t ms);
    void CloseWithEffect();
    // Hides the button once its close effect has run (called by the window's update).
    void StepEffect();

    uint32_t Command() const { return command_; }
    uintptr_t userData = 0;
    kis::Rect rect{0, 0, 0, 0}; // window coordinates
    uint32_t clickSound = 0;    // 0: none
    uint32_t cursor_ = kDefaultCursor;
    // A checkable button keeps its tick in the second bank; with a radio id
    // it is one choice of its group.
    bool checkable = false;
    uint32_t radioId = 0;
    const ControlState& State() const { return state_; }
    GameControls* Group() const { return group_; }
    // The alpha of a show effect at now (1 without one).
    float EffectAlpha() const;

    // The interface's click, which the skin's buttons play when clicked; 0
    // without sound.
    static uint32_t InterfaceClick();

  protected:
    GameControls* group_; // the owner
    uint32_t command_;
    ControlState state_;
    bool pressed_ = false;
    uint32_t fadeStart_ = 0, fadeTime_ = 0;
    bool fadingOut_ = false;
};

// The two low bits of a control's state; 0 without a control.
int32_t GetState2Bits(const GameButton* control);

// A clickable button: a click is a release inside after a press inside.
class ActiveButton : public GameButton {
  public:
    using GameButton::GameButton;
    bool OnMouseDown(int32_t x, int32_t y, uint32_t button) override;
    bool OnMouseMove(int32_t x, int32_t y, uint32_t buttons) override;
    bool OnMouseUp(int32_t x, int32_t y, uint32_t button) override;
    bool OnMouseDblClick(int32_t x, int32_t y) override;
    // Calls the window's OnButtonClick and applies its result.
    void OnClick() override;
};

// A click area that draws nothing.
class InvisibleButton : public ActiveButton {
  public:
    using ActiveButton::ActiveButton;
    void Draw(DXLViewer&, float) override {}
};

// A window's button group: owns its buttons, in drawing order.
class GameControls {
  public:
    explicit GameControls(GameWindow* window) : window_(window) {}
    GameControls(const GameControls&) = delete;
    GameControls& operator=(const GameControls&) = delete;
    ~GameControls();

    // Makes a control of this group: B(window, this, args...).
    template <class B, class... A> B* Make(A&&... args) {
        auto made = std::make_unique<B>(window_, this, std::forward<A>(args)...);
        B* raw = made.get();
        buttons_.push_back(std::move(made));
        return raw;
    }
    void Clear();
    // Deletes one control of the group (after the manager forgot it). While
    // input or a frame runs through the manager the control may be the one
    // running: it is hidden at once and deleted by DeleteRemoved.
    void Remove(GameButton* button);
    void DeleteRemoved();

    int32_t Count() const { return int32_t(buttons_.size()); }
    GameButton* Get(int32_t i) const { return buttons_[size_t(i)].get(); }
    GameWindow* Window() const { return window_; }
    // Draws the buttons, inside the group's view when it has one.
    void Draw(DXLViewer& viewer, float alpha);

    // A scrolling list's view (window coordinates): the group's buttons are
    // drawn only inside it and take the mouse only there, so that a row
    // scrolled past the view neither covers nor takes a click meant for what
    // stands beside the view.
    void SetView(const kis::Rect& view) { view_ = view, hasView_ = true; }
    // Whether the point lies inside the view (anywhere without one).
    bool InView(int32_t x, int32_t y) const { return !hasView_ || kis::PtInRect(x, y, view_); }

  private:
    GameWindow* window_;
    kis::Rect view_{0, 0, 0, 0};
    bool hasView_ = false;
    std::vector<std::unique_ptr<GameButton>> buttons_;
    std::vector<std::unique_ptr<GameButton>> removed_; // waiting for DeleteRemoved
};

// Finding a window's control for the tutorial.
struct TutTargetButton {
    // The control with that command (and user data when data is not 0): the
    // window's own controls first, then its groups from the last to the first.
    static GameButton* FindTarget(GameWindow* window, uint32_t command, uintptr_t data);
};
