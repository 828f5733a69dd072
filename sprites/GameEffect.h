#pragma once
// Full-screen game effects: the one current effect of the game takes over the
// shell's callbacks its mask names while it runs (through the sprite host)
// and gives them back when it ends.
//
// The shell calls UpdateGameEffect once per frame and DrawGameEffect after
// the state's drawing; the callbacks it routes to the effect arrive through
// GameEffectMouseDown and GameEffectKeyDown.

#include <cstdint>
#include <memory>

class DXLViewer;

class GameEffect {
  public:
    static constexpr uint32_t kGameClock = 0;
    static constexpr uint32_t kRealClock = 1;
    using Callback = void (*)();

    GameEffect(uint32_t kind, uint32_t length, uint32_t callbackMask);
    virtual ~GameEffect();
    GameEffect(const GameEffect&) = delete;
    GameEffect& operator=(const GameEffect&) = delete;

    // Advances to the clock's time; false once the effect has ended.
    virtual bool Update(uint32_t now);
    virtual void Draw(DXLViewer& viewer);
    virtual void OnMouseDown() {}
    virtual void OnKeyDown(uint32_t virtualKey) { (void)virtualKey; }

    uint32_t Kind() const { return kind_; }
    uint32_t Length() const { return length_; }
    uint32_t CallbackMask() const { return mask_; }
    uint32_t Elapsed() const { return elapsed_; }
    // Runs once the effect has ended and been deleted.
    Callback afterCallback = nullptr;

  protected:
    // Ends the effect at the next update.
    void Finish() { finished_ = true; }

    uint32_t kind_;
    uint32_t length_;
    uint32_t mask_;
    uint32_t start_ = 0;
    bool started_ = false;
    bool finished_ = false;
    uint32_t elapsed_ = 0;
};

// Covers the screen over the fade-out time, holds it covered, and uncovers it
// over the fade-in time, on the real-time clock; the mid-point callback runs
// when the hold begins.
class GEffect_ShowHide : public GameEffect {
  public:
    GEffect_ShowHide(Callback midpoint, uint32_t fadeOut, uint32_t fadeIn, uint32_t hold, uint32_t colour,
                     uint32_t callbackMask);
    bool Update(uint32_t now) override;
    void Draw(DXLViewer& viewer) override;
    // The cover's opacity at the current time, 0..1.
    float Alpha() const;

  protected:
    virtual void OnMidpoint();

    Callback midpoint_;
    uint32_t fadeOut_, fadeIn_, hold_;
    uint32_t colour_;
    bool midpointDone_ = false;
};

// The shell's callback slots a screen fade takes while it runs: the cursor,
// the frame update, every mouse slot and every key slot, so that no click or
// key reaches the screen under the cover; the screen below keeps drawing.
// The bits are the shell's slot bits (the shell checks that they agree).
constexpr uint32_t kFadeTakesInput = 0x1 | 0x10 | 0x1F00 | 0x70000;

// A screen change: fades out, switches the game state at the mid-point,
// fades in. Sounds of the screen category fade out when it is made.
class GEffect_Regime : public GEffect_ShowHide {
  public:
    static constexpr uint32_t kMask = kFadeTakesInput;
    GEffect_Regime(int32_t state, uint32_t fadeOut, uint32_t fadeIn, uint32_t hold, uint32_t colour);

  protected:
    void OnMidpoint() override;

  private:
    int32_t state_;
};

// A game-clock pause that a mouse button or a key other than Ctrl, Shift or
// Alt ends early; its callback runs when it ends either way.
class GEffect_Skip : public GameEffect {
  public:
    GEffect_Skip(Callback callback, uint32_t length, uint32_t callbackMask);
    bool Update(uint32_t now) override;
    void OnMouseDown() override;
    void OnKeyDown(uint32_t virtualKey) override;

  private:
    Callback callback_;
    bool called_ = false;
};

// Makes the effect current: a running one gives back its callbacks and is
// deleted (its after-callback does not run), then the new one takes the
// callbacks of its mask. Null ends the current one the same way.
void StartGameEffect(std::unique_ptr<GameEffect> effect);
GameEffect* CurrentGameEffect();
// Notices' lifetimes stop while this is true.
bool IsGameEffectRunning();
// Once per frame: steps the current effect on its clock; an ended one gives
// back its callbacks, is deleted, and then its after-callback runs.
void UpdateGameEffect();
void DrawGameEffect(DXLViewer& viewer);
void GameEffectMouseDown();
void GameEffectKeyDown(uint32_t virtualKey);
