#pragma once
// The overlay of a shown tutorial step: a window placed directly above the
// window the step is about, holding the step's bouncing arrows and hint boxes.
// Arrows and boxes point at targets, which find a screen position each time
// they are asked. A layer whose step waits for a click turns a click into the
// step's completion.

#include "foundation/Vector2.h"
#include "gui/Controls.h"
#include "gui/Hint.h"
#include "gui/Window.h"
#include "tutorials/Tutorial.h"

#include <functional>

class SpriteInstance;
#include <memory>
#include <string>
#include <vector>

namespace tut {

constexpr uint32_t kLayerTag = Tag4("TutL");

// Layer, arrow and box states.
enum LayerState : uint32_t {
    kLayerNew = 0,
    kLayerFadingIn = 1,
    kLayerShown = 2,
    kLayerClosing = 3,
    kLayerClosed = 4
};

// ---------------------------------------------------------------- targets

enum TargetKind : uint32_t {
    kTargetButton = 1,
    kTargetCustom = 2,
    kTargetScreenSprite = 0x80000001,
    kTargetLevelPoint = 0x80000002,
    kTargetMapLevel = 0x40000001,
};

class TutorialTarget {
  public:
    TutorialTarget(uint32_t kind, float angle, float distance)
        : kind(kind), angle(angle), distance(distance) {}
    virtual std::unique_ptr<TutorialTarget> Clone(float newDistance) const = 0;
    // Recomputes the position: invalid when the object cannot be found.
    virtual void GetPosition() = 0;
    virtual ~TutorialTarget() = default;

    uint32_t kind;
    float angle;    // degrees, from the target's point outwards
    float distance; // pixels along the angle
    bool valid = false;
    int32_t x = 0, y = 0;
    float fx = 0, fy = 0;
    // The screen rectangle of what it points at, when the kind can tell.
    bool hasObject = false;
    kis::Rect object{};

  protected:
    // The common end: valid, moved by the distance along the angle.
    void Place(float px, float py);
};

// A control of the top-most window with the tag: the edge point of its
// rectangle at the angle.
class TutTargetButton : public TutorialTarget {
  public:
    TutTargetButton(WindowManager& windows, uint32_t windowTag, uint32_t command, uintptr_t data, float angle,
                    float distance);
    std::unique_ptr<TutorialTarget> Clone(float newDistance) const override;
    void GetPosition() override;

  private:
    WindowManager& windows_;
    uint32_t windowTag_, command_;
    uintptr_t data_;
};

// A position from a callback, which may change the angle; false: none.
class TutTargetCustom : public TutorialTarget {
  public:
    using Callback = std::function<bool(kis::Point& out, float& angle, uint32_t arg1, uint32_t arg2)>;
    TutTargetCustom(Callback callback, uint32_t arg1, uint32_t arg2, float angle, float distance);
    std::unique_ptr<TutorialTarget> Clone(float newDistance) const override;
    void GetPosition() override;

  private:
    Callback callback_;
    uint32_t arg1_, arg2_;
};

// A level point or a map level: a point in the field's (the map's)
// coordinates, the distance added there, then converted to the screen. The
// level and the map screen answer through this view.
struct FieldView {
    virtual ~FieldView() = default;
    // The point's field position; false when there is none.
    virtual bool Locate(uint32_t index, kis::Vector2& out) const = 0;
    virtual kis::Point ToScreen(const kis::Vector2& field) const = 0;
    // The rectangle the point's pictures cover, in the same coordinates;
    // false when the view cannot tell (the target then measures from the
    // position alone).
    virtual bool Extent(uint32_t, kis::Rect&) const { return false; }
};

class TutTargetFieldPoint : public TutorialTarget {
  public:
    // kind: kTargetLevelPoint or kTargetMapLevel (whose distance is always 64).
    TutTargetFieldPoint(uint32_t kind, const FieldView& view, uint32_t index, float angle, float distance);
    std::unique_ptr<TutorialTarget> Clone(float newDistance) const override;
    void GetPosition() override;

  private:
    const FieldView& view_; // the level or the map screen, which outlive the step's layer
    uint32_t index_;
};
constexpr float kMapLevelDistance = 64;
// The distance at which a level point's target reaches the edge of its
// picture (the steps' usual distance), and the gap an arrow's tip keeps to
// that edge.
constexpr float kLevelPointReach = 64;
constexpr float kLevelPointEdgeGap = 2;

// ---------------------------------------------------------------- arrow

// The bounce of an arrow at an elapsed time: offset along its axis and scale.
struct ArrowBounce {
    float offsetX = 0;
    float scaleX = 1, scaleY = 1;
};
constexpr float kArrowAmplitude = 16;
// How much of an arrow a box leaves in sight: all of it, or its head.
constexpr float kArrowWhole = -1, kArrowHead = 40;
constexpr float kArrowSquashX = 0.7f, kArrowSquashY = 1.3f;
constexpr uint32_t kArrowPeriodMs = 1200;
ArrowBounce BounceAt(uint32_t elapsedMs, float amplitude = kArrowAmplitude, float squashX = kArrowSquashX,
                     float squashY = kArrowSquashY, uint32_t periodMs = kArrowPeriodMs);

// Fades (ms): the arrow fades in after a delay, out at once.
constexpr uint32_t kArrowFadeInDelayMs = 200, kArrowFadeInMs = 200, kArrowFadeOutMs = 150;

// Squares along an arrow at the target, from its tip to its tail at the
// far end of its bounce (kArrowWhole) or for the reach given.
void AddArrowSquares(const TutorialTarget& target, float reach, std::vector<kis::Rect>& rects);

class TutorialArrow {
  public:
    TutorialArrow(TutorialLayer& layer, uint32_t id);
    virtual ~TutorialArrow();
    virtual void Update(uint32_t dt);

    // Upwards only: 1 fades in, 3 fades out.
    void SetState(uint32_t state);
    void SetTarget(std::unique_ptr<TutorialTarget> target);
    // The alpha of the running fade (0..1) and whether it has ended; ending a
    // fade in shows the arrow, ending a fade out finishes it.
    float Alpha() const;
    // At the target's point, turned by its angle, with the bounce; nothing
    // while the target is invalid.
    void Draw(DXLViewer& viewer);

    // What a box must leave in sight of the arrow: what it points at, and
    // squares along it from its tip, to its tail at the far end of its
    // bounce (kArrowWhole) or for the reach given; nothing while its target
    // is invalid or it is going.
    void AddSightRects(std::vector<kis::Rect>& rects, float reach) const;

    uint32_t Id() const { return id_; }
    uint32_t State() const { return state_; }
    TutorialTarget* Target() const { return target_.get(); }
    // Where the arrow was asked to point from (its target's point and
    // angle) before its layer turned it off what the step keeps arrows off.
    struct Asked {
        int32_t x = 0, y = 0;
        float angle = 0;
    } asked;
    uint32_t Elapsed() const { return elapsed_; }

  protected:
    TutorialLayer& layer_;

  private:
    void EndFadeIfDone();
    uint32_t id_;
    uint32_t state_ = kLayerNew;
    std::unique_ptr<TutorialTarget> target_;
    uint32_t elapsed_ = 0;                   // the bounce's clock
    uint32_t fadeStart_ = 0;                 // elapsed time the running fade began
    int32_t fade_ = 0;                       // 0 none, 1 in, -1 out
    std::unique_ptr<SpriteInstance> sprite_; // of "tutorial_arrow", made at the first drawing
};

// An arrow over the level: it freezes while the level is paused for a reason
// outside its mask, which always holds these (the level's clock not started
// yet, and the tutorial's own pause).
constexpr uint32_t kLevelArrowPauses = 0x11;
class LevelTutorialArrow : public TutorialArrow {
  public:
    // The level's pause state: true while paused for a reason outside the mask.
    using PausedExcept = std::function<bool(uint32_t mask)>;
    LevelTutorialArrow(TutorialLayer& layer, uint32_t id, uint32_t mask, PausedExcept paused)
        : TutorialArrow(layer, id), mask_(mask | kLevelArrowPauses), paused_(std::move(paused)) {}
    void Update(uint32_t dt) override;
    uint32_t Mask() const { return mask_; }

  private:
    uint32_t mask_;
    PausedExcept paused_;
};

// ---------------------------------------------------------------- info box

constexpr uint32_t kInfoTextColour = 0xFF872900;
constexpr uint32_t kInfoClickColour = 0xFF808080;
constexpr int32_t kInfoTextWidth = 400;
// Where a box finds no place at its usual width, its text wraps narrower in
// steps of this many pixels, down to the least width.
constexpr int32_t kInfoNarrowStep = 20, kInfoMinTextWidth = 200;
constexpr int32_t kInfoMarginLeft = 18, kInfoMarginTop = 14, kInfoMarginRight = 18, kInfoMarginBottom = 18;
constexpr int32_t kInfoFrameLeft = 3, kInfoFrameTop = 1, kInfoFrameRight = 3, kInfoFrameBottom = 6;
constexpr uint32_t kInfoFadeInMs = 120, kInfoFadeOutMs = 150;
// The pixels a box on the screen keeps between its frame (and its shadow)
// and the screen's edges.
constexpr int32_t kInfoScreenMargin = 4;

// Where a box of w x h goes for a target point: centred on it, or touching it
// on the side facing the target; pushed inside the bounds (the screen, or
// the window the box belongs to), then moved by the distance along the
// angle. Answers the top-left corner.
kis::Point PlaceInfoBox(int32_t w, int32_t h, int32_t x, int32_t y, float angle, bool centred, float distance,
                        const kis::Rect& bounds);

// A placed box (top-left corner, w x h) moved off what it must leave in
// sight (its arrows, what they and the box point at, the buttons over the
// field): when it covers one of the rectangles, the place inside the bounds
// that keeps a few pixels clear of them all, and that room accepts when
// given (say, not over the level's panel), nearest the point the box stands
// beside when given (any place within kInfoBesideReach of it is beside it),
// then nearest its own. False, with the corner left as
// it was, when there is none.
bool KeepInSight(kis::Point& corner, int32_t w, int32_t h, const std::vector<kis::Rect>& keep,
                 const kis::Rect& bounds, const std::function<bool(kis::Point corner)>& room = {},
                 const kis::Point* beside = nullptr);

// The face of the bottom-most window with the tag, less its frame: where the
// boxes of a step about that window stand (false without one).
bool WindowFaceRoom(const WindowManager& windows, uint32_t tag, kis::Rect& room);

// A box stands beside its point (the end of its arrow) when its edge comes
// this near to it.
constexpr int32_t kInfoBesideReach = 40;

class TutorialInfo {
  public:
    // The text and, when wanted, the "click_text" line below it. The text's
    // custom tags are expanded with the context: a kind of object and the
    // object (0 and 0: tags that need an object stay as they are).
    TutorialInfo(TutorialLayer& layer, std::u16string text, bool clickLine, uint32_t contextKind = 0,
                 uintptr_t contextObject = 0);
    ~TutorialInfo();
    void SetState(uint32_t state);
    void Update(uint32_t dt);
    // A box for a small room: its text may wrap down to the least width
    // where it finds no place at its usual width, and once placed its lines
    // are evened out (as narrow as it stays without another line), so that
    // no last word stands alone. Set before the box is attached.
    void FitSmallRoom(int32_t leastTextWidth) {
        leastTextWidth_ = leastTextWidth;
        evenLines_ = true;
    }
    // Takes the target and places the box.
    void Attach(std::unique_ptr<TutorialTarget> target, bool centred, float distance);
    // Places the box beside its point (the far end of its arrow) where a
    // place there leaves everything in sight; false when it found none and
    // stands at the free place nearest to it.
    bool Place();
    bool StandsBeside() const { return standsBeside_; }
    // The frame and the texts, faded and moved by the running effect.
    void Draw(DXLViewer& viewer);
    float Alpha() const;

    uint32_t State() const { return state_; }
    const std::u16string& Text() const { return text_; }
    bool HasClickLine() const { return clickLine_; }
    uint32_t ContextKind() const { return contextKind_; }
    uintptr_t ContextObject() const { return contextObject_; }
    TutorialTarget* Target() const { return target_.get(); }
    // The box's size with margins, and its top-left corner once placed.
    int32_t width = 2 * kInfoMarginLeft + kInfoTextWidth, height = 96;
    kis::Point corner{0, 0};

  private:
    // Lays the texts out wrapped at the width and sizes the box and its frame.
    void Layout(int32_t textWidth);
    // Places the box at its present size; false where no place leaves the
    // arrows in sight to the reach (their heads, or their whole length). A
    // box that must move goes to the free place nearest the point it stands
    // beside where it is on a window's face or asked to, else to the one
    // nearest its own.
    bool PlaceAtSize(float arrowReach, bool nearBeside = false);
    // Narrows the placed box while its text keeps its lines and a place.
    void EvenLines(float arrowReach);
    // The point the box stands beside: its target's point moved by the
    // distance along the angle, or the point it is centred on.
    kis::Point BesidePoint() const;
    bool StandsBesidePoint() const;
    // A box on a window's face (its step's box room) keeps beside its
    // point: within the window, the far side of what it explains is no
    // place for it.
    bool InWindow() const;

    TutorialLayer& layer_;
    std::u16string text_;
    int32_t textWidth_ = kInfoTextWidth;
    int32_t leastTextWidth_ = kInfoMinTextWidth;
    bool evenLines_ = false;
    bool standsBeside_ = false;
    int32_t clickWidth_ = 0; // the click line's width on one line
    bool clickLine_;
    uint32_t contextKind_;
    uintptr_t contextObject_;
    uint32_t state_ = kLayerNew;
    std::unique_ptr<TutorialTarget> target_;
    bool centred_ = false;
    float distance_ = 0;
    uint32_t effectMs_ = 0;  // time into the running effect
    PastBoundsNote outside_; // the log tells once that the box stands outside the screen
    // The log tells once, as the box comes to rest, that it covers what it
    // must leave in sight (for the screen walks to find).
    void TellCovering();
    bool toldCovering_ = false;
    std::unique_ptr<HIText> textItem_, clickItem_;
    SkinQuads panel_;       // the parchment frame of the box's size
    bool hasPanel_ = false; // false without the frame's sprite
};

// ---------------------------------------------------------------- layer

class TutorialLayer : public GameWindow {
  public:
    // Becomes the step's layer (deleting one it still had) and enters the
    // tutorial's layer list; the step's Show then places it in the stack.
    TutorialLayer(WindowManager& manager, TutorialStep& step);
    ~TutorialLayer() override;

    void SetLayerState(uint32_t state);
    uint32_t LayerState() const { return layerState_; }
    // Steps the arrows and boxes; true when the layer is finished (kLayerClosed).
    void Step(uint32_t dt);

    // The arrow points from the target's side unless it would lie over
    // what the step keeps arrows off; it then points from the first other
    // side that keeps it clear.
    TutorialArrow* AddArrow(std::unique_ptr<TutorialArrow> arrow, std::unique_ptr<TutorialTarget> target);
    TutorialArrow* FindArrow(uint32_t id) const;
    void CloseArrow(uint32_t id);
    // The box takes the target; AddInfoAtPoint gives it a copy.
    TutorialInfo* AddInfo(std::unique_ptr<TutorialInfo> info, std::unique_ptr<TutorialTarget> target,
                          bool centred, float distance);
    TutorialInfo* AddInfoAtPoint(std::unique_ptr<TutorialInfo> info, const TutorialTarget& target,
                                 bool centred, float distance);
    void AddClickWait();
    void Relayout();

    uint32_t ClickWaits() const { return clickWaits_; }
    TutorialStep* OwnerStep() const { return step_; }
    const std::vector<std::unique_ptr<TutorialArrow>>& Arrows() const { return arrows_; }
    const std::vector<std::unique_ptr<TutorialInfo>>& Infos() const { return infos_; }

    // A press that began on the layer and ends with button 1 completes a
    // step waiting for a click.
    bool OnMouseDown(int32_t x, int32_t y, uint32_t button) override;
    bool OnScreenMouseDown(int32_t x, int32_t y, uint32_t button) override;
    bool OnScreenMouseUp(int32_t x, int32_t y, uint32_t button) override;
    bool OnMouseUp(int32_t x, int32_t y, uint32_t button) override;
    bool IsInputBlocked() const override;
    bool HitTest(int32_t x, int32_t y) const override;
    void Draw(DXLViewer& viewer) override;
    // A hint that would cover a shown box or arrow gives way to it.
    bool KeepsHintsOff(const kis::Rect& box) const override;
    // A notice that would cover a shown box waits for it (one its arrows
    // point at stays).
    bool KeepsNoticesOff(const kis::Rect& notice) const override;

  private:
    friend class GameTutorial;
    friend class TutorialStep;
    void Prune();
    std::unique_ptr<TutorialTarget> TurnedOffKeptRects(std::unique_ptr<TutorialTarget> target) const;

    TutorialStep* step_;     // the owning step, null once detached
    GameTutorial* tutorial_; // the owning tutorial, null once it went
    uint32_t layerState_ = kLayerNew;
    std::vector<std::unique_ptr<TutorialArrow>> arrows_;
    std::vector<std::unique_ptr<TutorialInfo>> infos_;
    uint32_t clickWaits_ = 0;
    bool pressed_ = false;
};

} // namespace tut

namespace tut {

// The window toolkit's questions and reports, passed to the running tutorial.
class WindowTutorialLink : public WindowTutorial {
  public:
    bool Allows(TutorialAction action, uint32_t tag, TutorialObject data) override {
        return TutorialAllows(action, tag, data);
    }
    void Notify(TutorialEvent event, uint32_t a, TutorialObject b) override { TutorialNotify(event, a, b); }
};

} // namespace tut
