#pragma once
// Notices: short-lived windows that slide into a bottom corner and stack.
// Message notices (bottom left) tell the player things such as a full
// warehouse; award notices (bottom right) announce a reached award tier, a
// reached goal or the final award. The window manager owns one stack of
// each for the whole run; the notices themselves are windows in the
// manager's stack (which owns them), each removing itself from its notice
// stack when it goes. The game states re-anchor the stacks as they change.

#include "gui/Skin.h"
#include "gui/Window.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class Sprite;

constexpr uint32_t kMessageWindowTag = MakeWindowTag('M', 'e', 's', 'g');
constexpr uint32_t kNewAwardWindowTag = MakeWindowTag('N', 'w', 'A', 'w');
constexpr uint32_t kNoticeForever = 0xFFFFFFFF;
constexpr uint32_t kNoticeEffectMs = 150;
constexpr uint32_t kNoticeSlideMs = 150;
constexpr uint32_t kAwardNoticeLifetime = 8000;
constexpr int32_t kNoticeMargin = 4;
constexpr int32_t kNoticeMaxWidth = 320;
constexpr int32_t kNoticeIconGap = 8;
// Where a message may live: its id carries these bits.
constexpr uint32_t kNoticeMainScreen = 0x1000000;
constexpr uint32_t kNoticeMap = 0x2000000;
constexpr uint32_t kNoticeLevel = 0x4000000;
constexpr uint32_t kNoticeWarehouseFull = 0x4001000; // plus the product's number
// The bottom offsets of the three states.
constexpr int32_t kNoticeOffsetLevel = 120;
constexpr int32_t kNoticeOffsetMap = 76;
constexpr int32_t kNoticeOffsetMainScreen = 16;

class NoticeStack;

// The content panel: a hint-skin box with an optional icon and a text,
// drawn around its centre.
class NoticeContent {
  public:
    void Build(Sprite* icon, int32_t frame, const std::u16string& text);
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    // The panel's own offset: its origin is the centre.
    int32_t OffsetX() const { return -width_ / 2; }
    int32_t OffsetY() const { return -height_ / 2; }
    const std::u16string& Text() const { return text_; }
    void Draw(DXLViewer& viewer, float alpha);

  private:
    WindowSprites frame_;
    SkinText shown_;
    std::u16string text_;
    Sprite* icon_ = nullptr;
    int32_t iconFrame_ = 0;
    int32_t width_ = 0, height_ = 0;
    int32_t iconX_ = 0, iconY_ = 0, textX_ = 0, textY_ = 0;
};

// A notice window of either stack.
class NoticeWindow : public GameWindow {
  public:
    NoticeWindow(WindowManager& manager, uint32_t tag, NoticeStack* stack);
    ~NoticeWindow() override;

    void OnScreenResize(int32_t width, int32_t height) override;
    bool IsAnimating(DXLViewer* viewer) override;
    // Counts the lifetime by the stack's frame time.
    bool Update() override;
    void Draw(DXLViewer& viewer) override;

    // The opening effect: grows to its size and fades in.
    void Open();
    // The hide effect; the manager deletes the window when it has run.
    void Close();
    // Restarts the timer (0 closes at once); pop: grows to 1.2 and back.
    void SetLifetime(uint32_t ms, bool pop);
    // Where the content's centre goes, from the stack's bottom offset.
    void Place();
    void Place(int32_t screenWidth, int32_t screenHeight);
    // Moves to a new stack position, sliding from the old one in 150 ms.
    void SlideTo(int32_t target);
    // The remaining slide offset at now.
    float SlideOffset() const;
    // A point of the window's own coordinates on the notice.
    bool Inside(int32_t x, int32_t y) const;
    // Whether an open modal window above the notice covers part of it (the
    // result window of a win over the goals the win reached at 800 x 600),
    // or it would cover a shown tutorial box: the notice then
    // waits unseen, its time standing still.
    bool Covered() const;

    NoticeStack* stack;
    int32_t stackY = 0; // 0 for the newest, negative above
    float posX = 0, posY = 0;
    uint32_t lifetime = kNoticeForever;
    uint32_t elapsed = 0;
    float slideFrom = 0;
    uint32_t slideStart = 0; // 0: not sliding
    bool pop = false;
    uint32_t soundId = 0;
    NoticeContent content;

  protected:
    // The x of the content's centre on a screen of that width.
    virtual float PlaceX(int32_t screenWidth) const = 0;

  private:
    bool waiting_ = false; // covered by a modal window, drawn again when it goes
};

class MessageWindow : public NoticeWindow {
  public:
    // Answers whether the notice closes; called with the tag context and the button.
    using ClickCallback = std::function<bool(uint32_t kind, const void* object, uint32_t button)>;
    MessageWindow(WindowManager& manager, NoticeStack* stack, uint32_t id);
    bool OnMouseDown(int32_t x, int32_t y, uint32_t button) override;

    uint32_t messageId;
    uint32_t contextKind = 0;
    const void* contextObject = nullptr;
    ClickCallback onClick;

  protected:
    float PlaceX(int32_t screenWidth) const override;
};

class NewAwardWindow : public NoticeWindow {
  public:
    NewAwardWindow(WindowManager& manager, NoticeStack* stack, uint32_t kind, uint32_t index, uint32_t tier);
    // Button 1 opens the awards window, button 4 closes the notice.
    bool OnMouseDown(int32_t x, int32_t y, uint32_t button) override;

    uint32_t kind, index, tier;

  protected:
    float PlaceX(int32_t screenWidth) const override;
};

// What both stacks share: the list, the anchor, the frame time, the hold.
class NoticeStack {
  public:
    explicit NoticeStack(WindowManager& manager) : manager_(manager) {}
    virtual ~NoticeStack();
    NoticeStack(const NoticeStack&) = delete;
    NoticeStack& operator=(const NoticeStack&) = delete;

    // Once a frame: the frame time (0 while a modal window is open or a
    // full-screen effect runs), and the window order when it changed.
    void Update();
    // Deletes every notice at once.
    void DeleteAll();
    // Closes every notice with its effect.
    void CloseAll();
    // Re-lays out unless held; the hold's last release re-lays out at once.
    void Relayout();
    void Hold() { ++hold_; }
    void Release();
    void MarkOrderDirty() { orderDirty_ = true; }
    void FixOrder();

    const std::vector<NoticeWindow*>& Notices() const { return notices_; }
    int32_t OpenCount() const;
    uint32_t FrameTime() const { return frameTime_; }
    int32_t BottomOffset() const { return bottomOffset_; }
    GameWindow* Anchor() const { return anchor_; }
    WindowManager& Manager() const { return manager_; }
    void PlaySound(uint32_t soundId) const {
        if (soundId && playSound) playSound(soundId);
    }
    void Remove(NoticeWindow* notice);

    // Set by the game: the sound player.
    std::function<void(uint32_t soundId)> playSound;

  protected:
    // At most two older open notices stay when a new one comes.
    void MakeRoom();
    // Opens the new notice above the newest one and lays the stack out.
    void Add(NoticeWindow* notice);
    void SetAnchor(GameWindow* anchor, int32_t bottomOffset);

    WindowManager& manager_;
    std::vector<NoticeWindow*> notices_; // in the manager's stack; oldest first
    GameWindow* anchor_ = nullptr;       // in the manager's stack; null: the top
    uint32_t frameTime_ = 0;
    uint32_t lastClock_ = 0;
    bool clockStarted_ = false;
    int32_t bottomOffset_ = kNoticeOffsetLevel;
    int32_t hold_ = 0;
    bool orderDirty_ = false;
};

class NewAwardWindowStack : public NoticeStack {
  public:
    // The icon and the text (tags expanded) of a notice; the game's awards
    // supply it. Kind 0 award tier, 1 goal reached, 2 final award.
    struct Content {
        Sprite* icon = nullptr;
        std::u16string text;
    };
    using ContentSource =
        std::function<Content(uint32_t kind, uint32_t index, uint32_t tier, const char16_t* key)>;

    using NoticeStack::NoticeStack;
    NewAwardWindow* Show(uint32_t kind, uint32_t index, uint32_t tier);
    void Relayout(GameWindow* anchor, int32_t bottomOffset);
    using NoticeStack::Relayout;
    // The text key of the "awards" group for a notice.
    static const char16_t* TextKey(uint32_t kind, uint32_t tier);

    ContentSource contentSource;
    uint32_t awardSound = 0;
    std::function<void()> openAwardsWindow; // null until the awards window exists
};

class MessageWindowStack : public NoticeStack {
  public:
    using NoticeStack::NoticeStack;
    MessageWindow* Show(uint32_t id, Sprite* icon, int32_t frame, const std::u16string& text,
                        uint32_t contextKind, const void* contextObject, uint32_t lifetime,
                        MessageWindow::ClickCallback onClick, uint32_t soundId);
    // The newest notice with the id that is not closing.
    MessageWindow* FindById(uint32_t id) const;
    // Deletes the notices whose id lacks a bit of the keep mask, then re-anchors.
    void Relayout(GameWindow* anchor, int32_t bottomOffset, uint32_t keepMask);
    using NoticeStack::Relayout;
    // Closes the notices whose id has every bit of the mask (all for 0).
    void CloseMatching(uint32_t mask);
    // Deletes the notices whose id lacks a bit of the mask (all for 0).
    void DeleteExcept(uint32_t mask);
    void OnScreenResize(int32_t width, int32_t height);
};
