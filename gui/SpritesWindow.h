#pragma once
// Windows drawn from the skin, and the dialogs built on them.

#include "gui/Hint.h"
#include "gui/ImageButton.h"
#include "gui/Skin.h"
#include "gui/Window.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

constexpr uint32_t kSlideInTime = 200; // ms of game clock
constexpr uint32_t kSlideInDelay = 50; // added to the caller's delay
constexpr int32_t kCaptionHeight = 36;
constexpr int32_t kContentMargin = 20;
constexpr int32_t kBottomButtonWidth = 120;
constexpr int32_t kBottomRowMargin = 16;
constexpr int32_t kCaptionFont = 6;

// How a sprite window opens.
struct SpritesWindowOptions {
    bool hold = false;  // puts the most recently opened sprite window on hold
    bool modal = false; // takes every input while it is open
};

class SpritesWindow : public DragWindow {
  public:
    SpritesWindow(WindowManager& manager, uint32_t windowId, SpritesWindowOptions options);
    ~SpritesWindow() override;

    void Draw(DXLViewer& viewer) override;
    void Close() override;
    // A new screen size lays the window out again where it opens: it is
    // centred again (Recentre), as its own GetCenteredPosition places it.
    void OnScreenResize(int32_t width, int32_t height) override;
    // ---- added, in slot order
    // Centres the window; animated, it slides in from above the screen in
    // 200 ms, starting after delay + 50 ms.
    virtual void Show(uint32_t delay, bool animated);
    virtual void DrawBackground(DXLViewer& viewer);
    virtual void DrawChildren(DXLViewer& viewer);
    // Centres the window again at once (the screen's size changed).
    void Recentre();

    // ---- builders
    // The window's size and its frame.
    void AddBackground(int32_t width, int32_t height);
    // The caption bar, centred at the top; the text is drawn in it.
    void AddCaptionFrame(int32_t width);
    void SetCaptionText(const std::u16string& text) { caption_.Set(kCaptionFont, text); }
    // A button in the bottom row (the row is laid out again, centred).
    ImageButton* AddBottomButton(uint32_t command, const char16_t* text, int32_t width = kBottomButtonWidth);

    WindowSprites& Sprites() { return sprites_; }
    int32_t captionTop = 0;
    int32_t contentTop = 0;
    bool IsOnHold() const { return onHold_; }
    uint32_t HoldTime() const { return holdStart_; }

  protected:
    void LayoutBottomRow();

    WindowSprites sprites_;
    SkinText caption_;
    kis::Rect captionRect_{0, 0, 0, 0};
    std::vector<ImageButton*> bottomRow_; // in the own group
    SpritesWindow* held_ = nullptr;       // the window this one put on hold
    bool onHold_ = false;
    uint32_t holdStart_ = 0;
};

// ---------------------------------------------------------------- dialogs

constexpr uint32_t kDialogOk = 0x40000001;
constexpr uint32_t kDialogCancel = 0x40000002;
constexpr uint32_t kDialogYes = 0x40000003;
constexpr uint32_t kDialogNo = 0x40000004;
constexpr uint32_t kDialogTag = MakeWindowTag('D', 'l', 'g', ' ');
constexpr uint32_t kKeyReturn = 13;
constexpr uint32_t kKeyEscape = 27;

struct DialogParams {
    uint32_t commands[2] = {0, 0}; // 0: no button
    std::u16string texts[2];       // empty: the command's default text
    // A null text gives the button its default text.
    static DialogParams Make(uint32_t first, uint32_t second, const char16_t* firstText,
                             const char16_t* secondText);
};

// The answer to a pressed dialog button: 0 keeps the dialog open.
using DialogResultCallback = uint32_t (*)(uintptr_t user1, uintptr_t user2, uint32_t command);

class BaseDialogWindow : public SpritesWindow {
  public:
    BaseDialogWindow(WindowManager& manager, const DialogParams& params, DialogResultCallback callback,
                     uintptr_t user1, uintptr_t user2);
    // One row of buttons from the parameters.
    void CreateButtons(const DialogParams& params);
    // Enter presses the confirming button, Escape the cancelling one (or the
    // confirming one without it).
    bool OnKeyDown(uint32_t key, uint32_t flags) override;
    uint32_t OnButtonClick(GameButton* button) override;
    // Calls the result callback and closes unless it answers 0.
    void Press(uint32_t command);
    ImageButton* FindButton(uint32_t command) const;
    // The default text of a dialog command.
    const char16_t* DefaultText(uint32_t command) const;

  protected:
    DialogResultCallback callback_;
    uintptr_t user1_, user2_;
};

// A dialog's own texts, shown as they stand (a message put together by the
// program, or texts of another group).
struct DialogTexts {
    std::u16string text;
    std::u16string caption; // empty: no caption
    // The lists in the text, each as its first line (counted from 0) and its
    // number of lines: a dialog that would be taller than the screen shows
    // the first items of each and how many more there are.
    std::vector<std::pair<size_t, size_t>> lists{};

    // Puts the items after the text, each on a line of its own, as a list.
    void AddList(const std::vector<std::u16string>& items);
};

class DialogWindow : public BaseDialogWindow {
  public:
    // The text and caption are keys of the "dialogs" group.
    DialogWindow(WindowManager& manager, const DialogParams& params, const char16_t* textKey,
                 const char16_t* captionKey, DialogResultCallback callback, uintptr_t user1, uintptr_t user2);
    DialogWindow(WindowManager& manager, const DialogParams& params, const DialogTexts& texts,
                 DialogResultCallback callback, uintptr_t user1, uintptr_t user2);
    void DrawBackground(DXLViewer& viewer) override;
    // A new screen size fits the text to it again.
    void OnScreenResize(int32_t width, int32_t height) override;
    const HIText* Body() const { return body_.get(); }

  protected:
    std::unique_ptr<HIText> body_;

  private:
    void Build(const DialogParams& params, DialogTexts texts);
    // The body, the window's size and its frames, for the screen's height.
    void Fit();

    DialogTexts texts_;
};
