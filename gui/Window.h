#pragma once
// Windows and the window manager.
//
// The manager owns every open window in a stack (bottom to top). Input goes
// top-down and stops at the first window that takes it or is modal; drawing
// goes bottom-up, then the hint. A window is never deleted while input or a
// callback may still run on it: closing marks it, and the manager deletes it
// at the end of the frame once its hide effect has ended.

#include "foundation/List.h"
#include "gui/Controls.h"
#include "gui/TutorialMessages.h"
#include "gui/TutorialObject.h"
#include "sprites/SpriteEffect.h"
#include "text/TextLayout.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

class DigitalFont;
class DXLLanguage;
class GameScrollbar;
class MessageWindowStack;
class NewAwardWindowStack;
class SpritesWindow;

constexpr uint32_t MakeWindowTag(char a, char b, char c, char d) {
    return uint32_t(uint8_t(a)) << 24 | uint32_t(uint8_t(b)) << 16 | uint32_t(uint8_t(c)) << 8 | uint8_t(d);
}
constexpr uint32_t kWarehouseWindowTag = MakeWindowTag('W', 'r', 'h', 's');
// Why a window paused the running level.
constexpr uint32_t kPauseWindow = 2;
constexpr uint32_t kPauseWarehouse = 8;

// The running level as windows see it; the level installs itself on the
// manager while it is played and removes itself before it goes.
class WindowLevel {
  public:
    virtual ~WindowLevel() = default;
    virtual void OnWindowOpened(uint32_t tag, uint32_t reason) = 0;
    virtual void OnWindowClosed(uint32_t tag, uint32_t reason) = 0;
};

// The running tutorial: what the player may do (Drag, Control, Key, Message),
// and what happened (Button).
class WindowTutorial {
  public:
    virtual ~WindowTutorial() = default;
    virtual bool Allows(TutorialAction action, uint32_t tag, TutorialObject data) = 0;
    virtual void Notify(TutorialEvent event, uint32_t a, TutorialObject b) = 0;
};

// ---------------------------------------------------------------- window

class GameWindow {
  public:
    GameWindow(WindowManager& manager, uint32_t tag, bool modal);
    GameWindow(const GameWindow&) = delete;
    GameWindow& operator=(const GameWindow&) = delete;

    // ---- virtual operations, in slot order (coordinates: the window's own)
    virtual bool OnMouseDown(int32_t x, int32_t y, uint32_t button);
    virtual bool OnMouseMove(int32_t x, int32_t y, uint32_t buttons);
    virtual bool OnMouseUp(int32_t x, int32_t y, uint32_t button);
    virtual bool OnMouseDblClick(int32_t x, int32_t y);
    // To the window's scroll bar.
    virtual bool OnMouseWheel(int32_t x, int32_t y, int32_t delta);
    // The base answers the modal flag: a modal window takes every key.
    virtual bool OnKeyDown(uint32_t key, uint32_t flags);
    virtual bool OnKeyUp(uint32_t key, uint32_t flags);
    virtual bool OnKeyPress(char16_t ch);
    virtual ~GameWindow();
    // An effect runs or the window is closing.
    virtual bool IsInputBlocked() const;
    // Steps the effects (changing the viewer's transform when given); true
    // while one runs; the list goes when all have ended.
    virtual bool IsAnimating(DXLViewer* viewer);
    virtual void SetState(uint32_t state);
    virtual void OnScreenResize(int32_t width, int32_t height);
    // Steps the states of the scroll bar and controls; answers the modal flag.
    virtual bool Update();
    virtual void Draw(DXLViewer& viewer);
    // Screen coordinates.
    virtual bool HitTest(int32_t x, int32_t y) const;
    virtual void LocalToScreen(int32_t* x, int32_t* y) const;
    virtual void ScreenToLocal(int32_t* x, int32_t* y) const;
    virtual uint32_t GetCursor() { return cursor; }
    virtual bool OnScreenMouseDown(int32_t x, int32_t y, uint32_t button);
    virtual bool OnScreenMouseMove(int32_t x, int32_t y, uint32_t buttons);
    virtual bool OnScreenMouseUp(int32_t x, int32_t y, uint32_t button);
    virtual bool OnScreenMouseDblClick(int32_t x, int32_t y);
    virtual bool OnScreenMouseWheel(int32_t x, int32_t y, int32_t delta);
    // The click result (see Controls.h); 0 by default.
    virtual uint32_t OnButtonClick(GameButton* button);
    virtual void OnButtonDblClick(GameButton* button) { (void)button; }
    virtual void OnControlPressed(GameButton* button) { (void)button; }
    virtual void OnControlReleased(GameButton* button) { (void)button; }
    // Whether a hint box (screen) would cover something of this window that
    // must stay readable, so the hint gives way; no by default.
    virtual bool KeepsHintsOff(const kis::Rect& box) const {
        (void)box;
        return false;
    }
    // Whether a notice (screen) would cover something of this window that
    // must stay readable, so the notice waits; no by default.
    virtual bool KeepsNoticesOff(const kis::Rect& notice) const {
        (void)notice;
        return false;
    }

    // ---- groups and effects
    void AddControls(GameControls* group);
    void RemoveControls(GameControls* group);
    void DrawChildren(DXLViewer& viewer);
    // The list takes the effect.
    void AddEffect(SpriteEffect* effect);
    void DropEffects() { effects_.reset(); }
    // Marks the window closing; the manager deletes it at the end of the frame.
    void MarkClosing() { closing = true; }

    WindowManager& Manager() const { return manager_; }
    GameControls& Controls() { return controls_; }
    const std::vector<GameControls*>& Groups() const { return groups_; }
    SpriteEffectQueue* Effects() const { return effects_.get(); }
    // The alpha the effects give the window at this frame (1 without them).
    float EffectAlpha() const;

    uint32_t tag;
    kis::Rect rect{0, 0, 0, 0}; // screen
    bool modal;
    bool closing = false;
    ControlState state;
    uint32_t cursor = kDefaultCursor;
    GameScrollbar* scrollbar = nullptr; // in one of the window's groups

  protected:
    // Offers a mouse event to the controls: groups last first, buttons last first.
    template <class Fn> GameButton* OfferToControls(int32_t x, int32_t y, Fn fn);
    bool ControlAllowed(GameButton* button) const;

    WindowManager& manager_;
    std::unique_ptr<SpriteEffectQueue> effects_;
    GameControls controls_;
    std::vector<GameControls*> groups_; // owned by the window's subclass; the own group is first

  private:
    friend class WindowManager;
    PastBoundsNote outside_; // it stands past the screen's edges
};

// A window that the player can drag; pauses the running level while open.
class DragWindow : public GameWindow {
  public:
    DragWindow(WindowManager& manager, uint32_t tag, bool modal);
    ~DragWindow() override;

    // ---- after the window operations, in slot order
    virtual void GetCenteredPosition(int32_t* x, int32_t* y) const;
    // The hide effect; then the manager deletes the window.
    virtual void Close();

    void ClampToScreen();
    bool OnMouseDown(int32_t x, int32_t y, uint32_t button) override;
    bool OnMouseUp(int32_t x, int32_t y, uint32_t button) override;
    bool OnMouseMove(int32_t x, int32_t y, uint32_t buttons) override;
    bool OnMouseDblClick(int32_t x, int32_t y) override;
    void MoveTo(int32_t x, int32_t y);
    bool IsDragging() const { return dragging_; }
    bool draggable = true;

  private:
    bool dragging_ = false;
    int32_t grabX_ = 0, grabY_ = 0;
    uint32_t pauseReason_ = 0; // the reason this window paused the level with, 0: none
};

// ---------------------------------------------------------------- manager

class WindowManager {
  public:
    static constexpr uint32_t kHintDelay = 400; // ms of game clock
    static constexpr int32_t kHintMoveSlack = 2;

    // The viewer draws the windows (null: nothing is drawn); the language
    // gives the toolkit's texts (null: the keys stand).
    WindowManager(DXLViewer* viewer, const DXLLanguage* language);
    ~WindowManager();
    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;

    // Opens a window of type W on top of the stack; the manager owns it.
    template <class W, class... A> W* Open(A&&... args) {
        auto made = std::make_unique<W>(*this, std::forward<A>(args)...);
        W* raw = made.get();
        Push(std::move(made));
        return raw;
    }

    // ---- input (screen coordinates); true when a window took it or a modal one stopped it
    bool OnMouseDown(int32_t x, int32_t y, uint32_t button);
    bool OnMouseUp(int32_t x, int32_t y, uint32_t button);
    // While set, the releases delivered are ones no player made (the input
    // let go of a held button as the focus went, the game state changed or
    // the program ended): what the press held lets go, nothing is clicked.
    // The level's screen sprites, which hear releases past the windows, ask too.
    void SetLettingGo(bool on) { lettingGo_ = on; }
    bool IsLettingGo() const { return lettingGo_; }
    // Non-zero while the pointer is over a window.
    bool OnMouseMove(int32_t x, int32_t y, uint32_t buttons);
    bool OnMouseDblClick(int32_t x, int32_t y);
    bool OnMouseWheel(int32_t x, int32_t y, int32_t delta);
    bool OnKeyDown(uint32_t key, uint32_t flags);
    bool OnKeyUp(uint32_t key, uint32_t flags);
    bool OnKeyPress(char16_t ch);

    // Once per frame before drawing: window updates, the hint's time, deletions.
    void Update();
    // The stack bottom-up, then the hint; then deletes the windows that closed.
    void Draw();
    void OnScreenResize(int32_t width, int32_t height);

    // ---- the stack
    int32_t Count() const { return int32_t(stack_.size()); }
    GameWindow* Get(int32_t i) const { return stack_[size_t(i)].get(); }
    int32_t IndexOf(const GameWindow* window) const;
    int32_t ModalCount() const { return modalCount_; }
    GameWindow* FindWindowByLayer(uint32_t tag) const;
    // Directly above other; null: to the top.
    void MoveAbove(GameWindow* window, GameWindow* other);
    // Below every other window (a screen's overlay under the windows open before it).
    void MoveToBottom(GameWindow* window);
    // Directly above the bottom-most window tagged anchor, past the windows
    // tagged same just above it; the top without one; nothing when the
    // window's tag is the anchor.
    void SetWindowLayer(GameWindow* window, uint32_t anchor, uint32_t same);
    // Marks the window closing at once (no effect); it goes at the end of the frame.
    void Destroy(GameWindow* window);
    // Deletes the closing windows whose effects have ended (not during input).
    void DeleteClosedWindows();
    // True while input, an update or drawing runs through the windows.
    bool IsDispatching() const { return dispatchDepth_ > 0; }
    // Deletes every window now, the top first (at shut-down, before the fonts
    // and textures the windows draw with go).
    void DeleteAllWindows();

    // ---- hover, capture, hint
    GameWindow* HoveredWindow() const { return hovered_; }
    GameButton* CapturedControl() const { return captured_; }
    void SetCapture(GameButton* control) { captured_ = control; }
    GameHint* HintOwner() const { return hintOwner_; }
    bool IsHintShown() const { return hintShown_; }
    void SetHintOwner(GameHint* owner);
    // Called by a control the mouse moves over; keeps the owner of this move.
    void TouchHint(GameHint* owner) { hintTouched_ = owner; }
    // Whether the window opened under the pointer, which has not moved since.
    bool OpenedUnderPointer(const GameWindow* window) const {
        return window && std::find(openedUnder_.begin(), openedUnder_.end(), window) != openedUnder_.end();
    }
    // A control or window that goes away is forgotten first.
    void Forget(GameHint* control);
    // The hint owner's cursor, else the cursor of the window under the mouse.
    bool GetCursor(uint32_t* cursor);
    int32_t MouseX() const { return mouseX_; }
    int32_t MouseY() const { return mouseY_; }

    // ---- services
    DXLViewer* Viewer() const { return viewer_; }
    const DXLLanguage* Language() const { return language_; }
    // The text of a key in a language group, else the key itself.
    const char16_t* Text(const char16_t* group, const char16_t* key) const;
    void SetLevel(WindowLevel* level) { level_ = level; }
    WindowLevel* Level() const { return level_; }
    void SetTutorial(WindowTutorial* tutorial) { tutorial_ = tutorial; }
    bool TutorialAllows(TutorialAction action, uint32_t tag, TutorialObject data) const;
    void TutorialNotify(TutorialEvent event, uint32_t a, TutorialObject b) const;
    // The custom text tags of hint texts; null leaves the keys as they are.
    void SetTextTagCallback(TextTagCallback callback) { tagCallback_ = callback; }
    TextTagCallback GetTextTagCallback() const { return tagCallback_; }
    uint32_t Now() const;
    int32_t ScreenWidth() const;
    int32_t ScreenHeight() const;

    // ---- digit fonts: the list owns them (deleted with the manager), in load
    // order; LoadDigitalFonts appends to it.
    kis::list<DigitalFont>& DigitalFonts() { return digitFonts_; }
    DigitalFont* FindDigitalFont(uint32_t id) const;

    // ---- sprite windows: the most recently opened is last
    void AddSpritesWindow(SpritesWindow* window);
    void RemoveSpritesWindow(SpritesWindow* window);
    bool HasSpritesWindow(const SpritesWindow* window) const;
    SpritesWindow* TopSpritesWindow() const {
        return spriteWindows_.empty() ? nullptr : spriteWindows_.back();
    }

    // ---- the notice stacks, made and deleted with the manager
    MessageWindowStack& Messages() { return *messages_; }
    NewAwardWindowStack& Awards() { return *awards_; }

    // ---- single windows (in the stack, which owns them): each sets its
    // pointer and clears it when it goes; the manager clears it too
    GameWindow* menuWindow = nullptr;
    GameWindow* infoWindow = nullptr;
    GameWindow* warehouseWindow = nullptr;
    GameWindow* levelWindow = nullptr;
    GameWindow* levelResultWindow = nullptr;
    GameWindow* awardsWindow = nullptr;
    GameWindow* optionsWindow = nullptr;
    GameWindow* profilesWindow = nullptr;
    GameWindow* mapInterface = nullptr;
    GameWindow* mapWindow = nullptr;

  private:
    void ReportOutsideScreen(GameWindow& w) const;
    // A hint box is not drawn where a window keeps hints off (a tutorial's box).
    bool HintGivesWay(const kis::Rect& box) const;
    void Push(std::unique_ptr<GameWindow> window);
    // Offers an event from the top; fn answers whether the window took it.
    template <class Fn> bool Offer(Fn fn);
    void UpdateHover(int32_t x, int32_t y);
    void ClearPointersTo(GameWindow* window);

    // Not owned: the program's viewer and language outlive the manager.
    DXLViewer* viewer_;
    const DXLLanguage* language_;
    // Before the window stack: the notices going with it still find their stacks.
    std::unique_ptr<MessageWindowStack> messages_;
    std::unique_ptr<NewAwardWindowStack> awards_;
    std::vector<std::unique_ptr<GameWindow>> stack_;
    std::vector<GameWindow*> offer_; // the stack as an event started, reused
    int32_t modalCount_ = 0;
    int32_t dispatchDepth_ = 0;
    bool lettingGo_ = false;
    // Windows and controls of the stack (owned there); cleared before they go.
    GameWindow* hovered_ = nullptr;
    GameButton* captured_ = nullptr;
    GameHint* hintOwner_ = nullptr;
    GameHint* hintTouched_ = nullptr;
    bool hintShown_ = false;
    uint32_t hintStart_ = 0;
    int32_t restX_ = 0, restY_ = 0;
    std::vector<GameWindow*> openedUnder_; // opened under the pointer, from (openX_, openY_)
    int32_t openX_ = 0, openY_ = 0;
    int32_t mouseX_ = -1, mouseY_ = -1;
    // Not owned: each installs itself and removes itself before it goes.
    WindowLevel* level_ = nullptr;
    WindowTutorial* tutorial_ = nullptr;
    TextTagCallback tagCallback_ = nullptr;
    kis::list<DigitalFont> digitFonts_;         // owned
    std::vector<SpritesWindow*> spriteWindows_; // in the stack; each removes itself when it goes
};

// The program's manager (not owned; installed at start-up, removed before it goes).
void SetWindowManager(WindowManager* manager);
WindowManager* GetWindowManager();
// The cursor of the control or window under the mouse: the default cursor
// without one (or without a manager).
uint32_t WindowsCursor();
