#pragma once
// Hint and information boxes: a skin box with items (texts and sprites) laid
// out top to bottom, anchored beside a rectangle of the screen. Hints are not
// windows of the stack; the manager draws the hint owner's box on top.

#include "gui/Skin.h"
#include "text/TextLayout.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class DXLViewer;
class GameHint;
class KGETextW;
class Sprite;
class SpriteInstance;
class WindowManager;

constexpr int32_t kHintWidth = 240; // the default width of a hint's text
constexpr int32_t kHintPadding = 8; // inside the box
constexpr int32_t kHintGap = 4;     // between the anchor and the box
constexpr uint32_t kHintFadeTime = 120;

// The text-style record of hint and button texts.
struct TextStyle {
    uint32_t flags;        // KGETextParams flags (wrapping, alignment, colour)
    int32_t maxWidth;      // wrap width in pixels
    uint32_t colour;       // ARGB
    int32_t fontSlot;      // GetFont slot
    uint32_t shadowFlag;   // 1: a shadow is drawn
    uint32_t shadowColour; // ARGB
    int32_t shadowX, shadowY;
    int32_t lineSpacing;
    uint32_t contextKind;    // handed to the text-tag callback
    uintptr_t contextObject; // handed to the text-tag callback
    uint32_t reserved[4];

    // The defaults: the hint font, dark text with its markup wrapped at the
    // width, no shadow.
    void InitDefault(int32_t width = kHintWidth, uint32_t kind = 0, uintptr_t object = 0);
    // Copies the default shadow into this style and sets its flag; null clears the flag.
    void SetShadow(const TextStyle* shadow);
};
TextStyle DefaultTextStyle();

// The text with a line break put into each word that is wider than the width
// in the font of the slot, which the layout would let run past the edge (it
// never breaks a word): after the last '/' or '\\' of the piece that still
// fits, so that a path breaks between its folders, else where the word
// reaches the edge. Words that fit and the text's own breaks stay as they are.
std::u16string BreakWideWords(int32_t fontSlot, std::u16string_view text, int32_t width);

// The text with each word that BreakWideWords would break into more than
// `lines` lines (a long folder) shortened in the middle: its head and its
// tail, which names the file, joined by "…", as long as fits those lines.
std::u16string ShortenWideWords(int32_t fontSlot, std::u16string_view text, int32_t width, int32_t lines);

// An item of a hint box, placed by the box's layout.
class HintItem {
  public:
    virtual ~HintItem() = default;
    virtual int32_t Width() const = 0;
    virtual int32_t Height() const = 0;
    virtual void Draw(DXLViewer& viewer, float alpha) = 0;
    void SetPosition(int32_t x, int32_t y) {
        x_ = x;
        y_ = y;
    }
    // Extends the rectangle so that it also covers this item.
    void UnionBounds(kis::Rect* rect) const;
    int32_t X() const { return x_; }
    int32_t Y() const { return y_; }

  protected:
    int32_t x_ = 0, y_ = 0;
};

// A text item: laid out once and again on Refresh, through the text-tag
// callback with the style's context.
class HIText : public HintItem {
  public:
    HIText(WindowManager& owner, const TextStyle& style, std::u16string text, uint32_t flags,
           TextTagCallback callback);
    ~HIText() override;
    void SetText(std::u16string text);
    void Refresh();
    int32_t Width() const override { return width_; }
    int32_t Height() const override { return height_; }
    void Draw(DXLViewer& viewer, float alpha) override;
    const std::u16string& Text() const { return text_; }

  private:
    WindowManager& owner_;
    TextStyle style_;
    std::u16string text_;
    uint32_t flags_;
    TextTagCallback callback_;
    std::unique_ptr<KGETextW> laidOut_;
    // With markup and a shadow, the shadow is a second copy: recolouring the
    // text for its shadow would lose the markup's own colours.
    std::unique_ptr<KGETextW> shadow_;
    int32_t width_ = 0, height_ = 0;
};

// A sprite item: one frame of a sprite.
class HISprite : public HintItem {
  public:
    HISprite(Sprite* sprite, int32_t frame);
    ~HISprite() override;
    int32_t Width() const override;
    int32_t Height() const override;
    void Draw(DXLViewer& viewer, float alpha) override;

  private:
    std::unique_ptr<SpriteInstance> instance_;
};

class BaseHintWindow {
  public:
    explicit BaseHintWindow(WindowManager& manager);
    // ---- virtual operations, in slot order
    virtual void GetPosition(int32_t* x, int32_t* y) const;
    virtual void SetPosition(int32_t x, int32_t y);
    virtual ~BaseHintWindow();
    virtual void Show();
    virtual void DoLayout() { Layout(); }
    virtual void Update() {}
    virtual void Draw(DXLViewer& viewer);

    // Fades the box and its items.
    void SetAlpha(float alpha) { alpha_ = alpha; }
    // Adds a skin frame over the rectangle (box coordinates).
    void AddFrame(int32_t piece, const kis::Rect& rect);
    // The box around the items, placed beside the anchor and kept on the screen.
    void Layout();
    void Hide() { shown_ = false; }
    bool IsShown() const { return shown_; }
    const kis::Rect& Box() const { return box_; }
    void SetAnchor(const kis::Rect& anchor) { anchor_ = anchor; }
    // Beside the anchor (right of it, else left of it, centred on its
    // height) rather than below it: for a button standing over what it acts
    // on, whose hint would hide that.
    void SetBeside(bool beside) { beside_ = beside; }
    // The box stays inside this rectangle of the screen too (a window's hint
    // within its window); null: the screen alone.
    void SetBounds(const kis::Rect* bounds);

  protected:
    WindowManager& manager_;
    WindowSprites sprites_;
    std::vector<std::unique_ptr<HintItem>> items_;
    kis::Rect anchor_{0, 0, 0, 0};
    kis::Rect box_{0, 0, 0, 0}; // screen
    kis::Rect bounds_{0, 0, 0, 0};
    bool bounded_ = false;
    bool beside_ = false;
    float alpha_ = 1.0f;
    bool shown_ = false;
    uint32_t shownAt_ = 0;
};

class HintWindow : public BaseHintWindow {
  public:
    using BaseHintWindow::BaseHintWindow;
    HIText* AddText(const std::u16string& text, const TextStyle& style);
    // Replaces the text of the last text item.
    void SetText(const std::u16string& text);
    void AddSprite(Sprite* sprite, int32_t frame);
    int32_t ItemCount() const { return int32_t(items_.size()); }

  protected:
    HIText* body_ = nullptr; // in items_
};

// The hint of a control: a caption with a separator line and a body text.
class CaptionHintWindow : public HintWindow {
  public:
    // anchor null: the owner's rectangle.
    CaptionHintWindow(WindowManager& manager, GameHint* owner, const char16_t* caption, const char16_t* body,
                      const kis::Rect* anchor, int32_t width, uint32_t contextKind = 0,
                      uintptr_t contextObject = 0);
    // Without texts.
    CaptionHintWindow(WindowManager& manager, GameHint* owner);
    void AddCaption(const std::u16string& caption);
    void SetText(const std::u16string& text);
    void SetRect(const kis::Rect& anchor);
    void SetCaptionRect(const kis::Rect& anchor) { SetRect(anchor); }

  private:
    void AddBody(const std::u16string& text);

    GameHint* owner_;
    TextStyle style_;
    bool captioned_ = false;
};
