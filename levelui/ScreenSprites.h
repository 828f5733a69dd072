#pragma once
// Screen sprites: the small interface objects that float over the level's
// field - progress bars, star rows, job icons and the round action buttons
// over a level point. They live in field pixels, follow the field's
// scrolling and zoom, fade and scale in and out, and the clickable ones
// (ActiveScreenSprite) take the mouse through the level's host
// (ScreenSprites) before the field sees it.
//
// The host owns every sprite and label: Create makes one, Destroy ends one.
// A sprite destroyed while the host is dispatching (during a click callback,
// an update or a draw) is only hidden and marked, and the host deletes it on
// its next tick, so nothing the host is still using goes away under it.
//
// Input states of an active sprite: 0 disabled, 1 normal, 2 highlighted,
// 3 pressed. Normal becomes highlighted after 30 ms of rest under the mouse
// (or at once on a press), highlighted becomes pressed on a press with an
// accepted button, and the release clicks it. A disabled sprite's callback
// still hears the click, so it can tell the player why nothing happened.

#include "engine/Viewer.h"
#include "foundation/Helpers.h"
#include "gui/Controls.h"
#include "sprites/SpriteEffect.h"

#include <cstdint>
#include <memory>
#include <vector>

class ActiveScreenSprite;
class ScreenLabel;
class ScreenSprites;
class Sprite;
class WindowManager;

// What the screen sprites need of the running level.
class ScreenSpriteLevel {
  public:
    virtual ~ScreenSpriteLevel() = default;
    // The field's view transform: field pixels to screen pixels.
    virtual DXLMatrix ViewTransform() const = 0;
    // Whether the field is drawn scaled, and its scale.
    virtual bool FieldScaled() const { return false; }
    virtual float FieldScale() const { return 1.0f; }
    // The screen's scale factor: game pixels to screen pixels.
    virtual float ScreenScale() const { return 1.0f; }
    // The mouse in screen pixels, and whether it is over the field.
    virtual int32_t MouseX() const = 0;
    virtual int32_t MouseY() const = 0;
    virtual bool MouseInField() const { return true; }
    // The window manager: windows under the mouse, hints, the tutorial. It
    // outlives the host (active sprites leave it when they go).
    virtual WindowManager& Windows() const = 0;
    // The screen rectangle of the level panel's money window; empty when
    // there is none.
    virtual kis::Rect MoneyWindowRect() const { return {0, 0, 0, 0}; }
    // The interface click sound.
    virtual void PlayClickSound() {}
};

// The fade and scale a screen sprite shows and hides with. Mode bits: kAlpha,
// kScale, and kOvershoot (a scale that overshoots to 1.25 and settles at 1).
class SEffect_SSShowHide : public SpriteEffect {
  public:
    static constexpr int32_t kAlpha = 1;
    static constexpr int32_t kScale = 2;
    static constexpr int32_t kOvershoot = 4;

    SEffect_SSShowHide(bool hide, int32_t mode, uint32_t delay, uint32_t duration);
    std::unique_ptr<SpriteEffect> Clone() const override;
    bool Step() override;

    // The scale and alpha (0..1) at progress p.
    static float ScaleAt(bool hide, int32_t mode, float p);
    static float AlphaAt(bool hide, float p);

  private:
    bool hide_;
    int32_t mode_;
};

class ScreenSprite {
  public:
    enum ShowState : int32_t { kIdle = 0, kShowing = 1, kHiding = 2 };

    ScreenSprite(ScreenSprites& host, int32_t x, int32_t y);
    ScreenSprite(const ScreenSprite&) = delete;
    ScreenSprite& operator=(const ScreenSprite&) = delete;

    // ---- virtual operations, in slot order
    // At the end of every show or hide.
    virtual void OnVisibilityChanged() {}
    virtual ~ScreenSprite();
    virtual void SetFollowZoom(bool follow) { followZoom_ = follow; }
    // Recomputes the sprite's place (the host calls it when the screen size changes).
    virtual void Relayout() {}
    // Sets the viewer's transform for the sprite and runs its effects;
    // false when it is not to be drawn.
    virtual bool PrepareDraw(DXLViewer& viewer);
    virtual void DrawContent(DXLViewer& /*viewer*/) {}
    // Once per 10 ms level tick.
    virtual void Update() {}
    // Whether the sprite's picture shows at (x, y) in the units DrawContent
    // draws in (the base draws nothing).
    virtual bool ContentShows(float /*x*/, float /*y*/) const { return false; }

    // Show acts when the sprite is not shown, is hiding, or is showing and
    // immediate is set; without immediate it fades in by the mode.
    void Show(bool immediate, uint32_t delay, int32_t mode, uint32_t duration);
    // What becomes of a sprite once it is hidden, and how it goes.
    enum class AfterHiding { Keep, Remove };
    enum class HideSpeed { Fade, AtOnce };
    static HideSpeed FadeIf(bool animated) { return animated ? HideSpeed::Fade : HideSpeed::AtOnce; }
    // Remove marks the sprite for removal whatever else happens; Hide acts
    // when the sprite is shown and not already hiding, or at once.
    void Hide(AfterHiding after, HideSpeed speed, uint32_t delay, int32_t mode, uint32_t duration);
    void AddEffect(std::unique_ptr<SpriteEffect> effect);
    void Draw(DXLViewer& viewer);

    void SetPosition(int32_t x, int32_t y) {
        x_ = x;
        y_ = y;
    }
    void SetOffset(int32_t x, int32_t y) {
        offsetX_ = x;
        offsetY_ = y;
    }
    int32_t X() const { return x_; }
    int32_t Y() const { return y_; }
    bool IsShown() const { return shown_; }
    int32_t GetShowState() const { return showState_; }
    bool IsMarkedForRemoval() const { return removeWhenHidden_; }
    const kis::Rect& Rect() const { return rect_; }
    // Only the alpha byte counts.
    uint32_t Colour() const { return colour_; }
    const DXLMatrix& DrawnTransform() const { return transform_; }
    ScreenSprites& Host() const { return host_; }
    // Whether the sprite keeps its screen size while the field is zoomed out.
    bool FollowsZoom() const;
    // Whether the sprite, shown and staying, shows its picture at the screen
    // pixel (x, y) as it was last drawn (its effects' scale included).
    bool ShowsAt(int32_t x, int32_t y) const;

  protected:
    // The sprite's alpha as a colour's top byte over the RGB.
    uint32_t WithAlpha(uint32_t rgb) const { return (rgb & 0x00FFFFFF) | (colour_ & 0xFF000000); }

    ScreenSprites& host_;
    bool followZoom_ = false;
    bool shown_ = false;
    bool removeWhenHidden_ = false;
    int32_t showState_ = kIdle;
    int32_t x_, y_;
    int32_t offsetX_ = 0, offsetY_ = 0;
    kis::Rect rect_;
    std::unique_ptr<SpriteEffectQueue> effects_;
    DXLMatrix transform_ = kIdentityMatrix;
    uint32_t colour_ = 0xFF000000;
    bool colourChanged_ = true; // the kinds colour their quads on the first draw
    bool drawn_ = false;        // transform_ holds a drawing's

    friend class ScreenSprites;
};

class ActiveScreenSprite : public ScreenSprite, public GameHint {
  public:
    enum State : uint32_t { kDisabled = 0, kNormal = 1, kHighlighted = 2, kPressed = 3 };
    // Result bits of a click callback.
    static constexpr uint32_t kClickRemove = 1;
    static constexpr uint32_t kClickSound = 2;
    static constexpr uint32_t kHoverRest = 30; // ms of rest before the highlight
    static constexpr uint32_t kHandCursor = 257;

    using ClickCallback = uint32_t (*)(ActiveScreenSprite* sprite, void* owner, uint32_t buttons);
    using DisabledPredicate = uint8_t (*)(ActiveScreenSprite* sprite, void* owner);

    ActiveScreenSprite(ScreenSprites& host, uint32_t command, int32_t x, int32_t y);
    ~ActiveScreenSprite() override;

    void OnVisibilityChanged() override;
    void Update() override;
    // ---- virtual operations after the drawable ones, in slot order
    // Shown, not marked for removal and not fading: only then it takes input.
    virtual bool IsVisible() const;
    virtual bool HitTest(int32_t x, int32_t y) const;
    virtual bool SetDisabled(bool disabled);
    virtual bool SetHovered(bool hovered);
    virtual bool Highlight();
    // When a highlighted or pressed sprite loses the hover.
    virtual void OnUnhighlight() {}
    virtual bool SetPressed(bool pressed);
    virtual void Click();
    // Takes the disabled look the predicate gives now; nothing without one.
    void RefreshDisabled();

    // The level point the sprite acts on (owned by the level), the click
    // callback and the disabled predicate (may be null); the disabled state
    // is refreshed at once.
    void SetCommand(void* owner, ClickCallback click, DisabledPredicate disabled);

    // GameHint: the hint anchors at the sprite's screen rectangle grown by 8.
    kis::Rect ScreenRect() const override;
    uint32_t GetCursor() override { return cursor_; }

    uint32_t Command() const { return command_; }
    uint32_t GetState() const { return state_; }
    bool IsHovered() const { return hovered_; }
    uint32_t PressedButtons() const { return pressedButtons_; }
    uint32_t AcceptedButtons() const { return acceptedButtons_; }
    void SetAcceptedButtons(uint32_t mask) { acceptedButtons_ = mask; }
    uint32_t PressLock() const { return pressLock_; }
    void SetPressLock(uint32_t ms) { pressLock_ = ms; }
    void* Owner() const { return owner_; }

  protected:
    // The field place (x, y) in the button's own drawing, its screen pixels
    // round its centre while it keeps its size against the zoom; false
    // while the button takes no input.
    bool LocalPlace(int32_t x, int32_t y, float* lx, float* ly) const;
    uint32_t command_;
    uint32_t hoverRest_ = 0;
    uint32_t pressLock_ = 0;
    uint32_t state_ = kNormal;
    bool hovered_ = false;
    void* owner_ = nullptr; // owned by the level
    ClickCallback click_ = nullptr;
    DisabledPredicate disabled_ = nullptr;
    uint32_t cursor_ = kHandCursor;
    uint32_t acceptedButtons_ = 1;
    uint32_t pressedButtons_ = 0;
    int32_t lastMouseX_ = -1, lastMouseY_ = -1;

    friend class ScreenSprites;
};

// The level's host of screen sprites and flying labels. The level owns it
// and offers a press to the window manager first, then to OnMouseDown (before
// the clock runs only a press on a sprite, which starts the clock), and only
// then to the field; a release goes to the window manager and then always to
// OnMouseUp; every mouse move to UpdateHover; each 10 ms tick to Update
// (after the particles), each frame to Draw, a change of screen size to
// RelayoutAll.
class ScreenSprites {
  public:
    explicit ScreenSprites(ScreenSpriteLevel& level);
    // Deletes the sprites last to first, then the labels last to first.
    ~ScreenSprites();
    ScreenSprites(const ScreenSprites&) = delete;
    ScreenSprites& operator=(const ScreenSprites&) = delete;

    // A new sprite of kind T, constructed with the host and the arguments;
    // the host owns it.
    template <class T, class... A> T* Create(A&&... args) {
        auto sprite = std::make_unique<T>(*this, std::forward<A>(args)...);
        T* raw = sprite.get();
        all_.push_back(std::move(sprite));
        return raw;
    }
    // Ends the sprite: at once, or, while the host is dispatching, hidden and
    // marked so that its next tick deletes it.
    void Destroy(ScreenSprite* sprite);
    // A new label; the host owns it and deletes it when it has finished.
    ScreenLabel* CreateLabel(float x, float y);

    // ---- input (field coordinates)
    void UpdateHover(int32_t x, int32_t y);
    // True when the press belongs to the sprites.
    bool OnMouseDown(int32_t x, int32_t y, uint32_t buttons);
    void OnMouseUp(int32_t x, int32_t y, uint32_t buttons);

    // Once per level tick: every sprite's update; sprites marked for removal
    // and no longer shown are deleted.
    void Update();
    // Every sprite but the hovered one, then the hovered one on top; then
    // the labels (a finished one is deleted).
    void Draw(DXLViewer& viewer);
    // Relayout on every active sprite, last to first.
    void RelayoutAll();
    // Every active sprite takes the look its disabled test gives now (the
    // ticks do it while the level runs).
    void RefreshDisabled();
    // Moves sprite to other's place in the drawing order.
    void MoveBefore(ScreenSprite* sprite, ScreenSprite* other);
    // Moves sprite under every clickable sprite in the drawing order: a mark
    // made after a button never hides it.
    void MoveUnderButtons(ScreenSprite* sprite);

    // A label rising over the field with the amount: "+5" with a coin.
    void ShowMoneyChange(int32_t amount, int32_t x, int32_t y, int32_t yOffset, uint32_t delay);
    // A label with the product's small icon and the count: rising for a
    // gain, dropping in for a loss. icon: the product's small icon sprite.
    void ShowProductChange(Sprite* icon, int32_t count, int32_t x, int32_t y, int32_t yOffset, uint32_t delay,
                           int32_t animationOffset);

    // The label of an award picked up on the field: "easter_egg" of the
    // group "level_interface" in game font 4, white with a black outline,
    // rising from 32 pixels above the award.
    void ShowAwardPickUp(int32_t x, int32_t y);

    ScreenSpriteLevel& Level() const { return level_; }
    ActiveScreenSprite* Hovered() const { return hovered_; }
    int32_t Count() const { return int32_t(all_.size()); }
    ScreenSprite* Get(int32_t i) const { return all_[size_t(i)].get(); }
    int32_t ActiveCount() const { return int32_t(active_.size()); }
    ActiveScreenSprite* GetActive(int32_t i) const { return active_[size_t(i)]; }
    int32_t LabelCount() const { return int32_t(labels_.size()); }
    ScreenLabel* GetLabel(int32_t i) const { return labels_[size_t(i)].get(); }
    int32_t IndexOf(const ScreenSprite* sprite) const;

  private:
    friend class ActiveScreenSprite;
    void AddActive(ActiveScreenSprite* sprite) { active_.push_back(sprite); }
    void RemoveActive(ActiveScreenSprite* sprite);
    bool Allows(ActiveScreenSprite* sprite) const;

    ScreenSpriteLevel& level_;
    std::vector<std::unique_ptr<ScreenSprite>> all_; // in drawing order
    std::vector<ActiveScreenSprite*> active_;        // in the order made
    ActiveScreenSprite* hovered_ = nullptr;
    std::vector<std::unique_ptr<ScreenLabel>> labels_;
    int32_t dispatching_ = 0; // while non-zero, Destroy only marks
};
