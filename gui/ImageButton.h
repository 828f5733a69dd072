#pragma once
// Buttons drawn from skin pieces: the bottom-row button, narrow buttons, list
// buttons and check boxes. Each of the eight looks (ControlState's kHidden to
// kPressed, in the first bank and with kSecondBank) has a skin piece, a tint
// and a text colour; a change of look cross-fades from the previous one.

#include "gui/Controls.h"
#include "gui/Skin.h"

#include <cstdint>
#include <memory>
#include <string>

class Sprite;
class SpriteInstance;

constexpr int32_t kButtonFont = 6;
constexpr int32_t kButtonHeight = 32;
constexpr int32_t kNarrowButtonWidth = 80;
constexpr int32_t kListButtonHeight = 44;
constexpr int32_t kCheckBoxSize = 24;

// A skin button clicks when clicked (clickSound); a window clears that for
// the ones that are silent.
class ImageButton : public ActiveButton {
  public:
    // pieces: the skin piece of each of the eight looks (-1: nothing).
    ImageButton(GameWindow* window, GameControls* group, uint32_t command, const int32_t (&pieces)[8],
                const char16_t* text, Sprite* icon);
    // A bottom-row button at a position.
    ImageButton(GameWindow* window, GameControls* group, uint32_t command, int32_t x, int32_t y,
                int32_t width, const char16_t* text);
    ~ImageButton() override;

    void Draw(DXLViewer& viewer, float alpha) override;
    // ---- further virtual operations, in slot order
    virtual void SetIcon(Sprite* icon, int32_t frame);
    virtual void DrawText(DXLViewer& viewer, uint32_t look, float alpha);
    // Moves the button and its rectangle.
    virtual void SetPosition(int32_t x, int32_t y);
    // The previous look's text fading out while the current one fades in.
    virtual void DrawStateText(DXLViewer& viewer, float alpha);

    void SetStateSprites(const int32_t (&pieces)[8]);
    // Tints of the looks kNormal, kHover and kPressed, and the second bank's.
    void SetStateColors(uint32_t normal, uint32_t hover, uint32_t pressed, uint32_t second);
    void SetColors(uint32_t normal, uint32_t hover);
    void SetColorsV(const uint32_t (&colours)[8]);
    void SetTextColorsV(const uint32_t (&colours)[8]);
    // Overrides the border widths of the nine-patch pieces.
    void SetFrameGrid(const SkinBorders& borders);
    // Draws the looks from a sprite's picture instead of the skin: the quad
    // (on the sprite's texture) holds faces of faceHeight pixels one under
    // another, and each look's piece is the index of its face. The button
    // takes the face's size. Without the sprite's picture the looks fall
    // back to the bottom-row button's skin.
    void SetImageQuad(Sprite* sheet, const kis::Rect& quad, int32_t faceHeight);
    // Font slot, alignment (0 left, 1 centre, 2 right) and the text's offset.
    void SetTextLayout(int32_t fontSlot, int32_t align, int32_t dx, int32_t dy);
    // Sets the text only when it differs (compared without regard to case), then lays it out.
    void SetCaption(const char16_t* text);
    const std::u16string& Caption() const { return text_; }
    // An outline round the text's glyphs (width 0: none).
    void SetTextOutline(float width, uint32_t colour) { shown_.SetOutline(width, colour); }
    const SkinText& ShownText() const { return shown_; }
    uint32_t TextColour(uint32_t look) const { return textColours_[look & 7]; }
    uint32_t Tint(uint32_t look) const { return colours_[look & 7]; }

  protected:
    // Called by the caption's drawing with its left edge: a caption that
    // runs past the button's sides is told in the log, once per button.
    void TellCaptionPastSides(int32_t x);
    void DrawLook(DXLViewer& viewer, uint32_t look, float alpha);
    void Invalidate();
    // The face of the image quad over the button; false without the picture or the face.
    bool InitImageFace(SkinQuads* record, int32_t face, uint32_t colour);

    int32_t pieces_[8];
    uint32_t colours_[8];
    uint32_t textColours_[8];
    SkinQuads cache_[8];
    bool cached_[8] = {};
    bool customGrid_ = false;
    Sprite* sheet_ = nullptr; // owned by its sprite library; null: the skin's pieces
    kis::Rect sheetQuad_{0, 0, 0, 0};
    int32_t faceHeight_ = 0;
    SkinBorders grid_{0, 0, 0, 0};
    std::u16string text_;
    SkinText shown_;
    int32_t textWidth_ = 0, textHeight_ = 0;
    int32_t fontSlot_ = kButtonFont;
    int32_t align_ = 1;
    int32_t textDx_ = 0, textDy_ = 0;
    std::unique_ptr<SpriteInstance> icon_;
    PastBoundsNote overflow_; // the caption runs past the button's sides
};

// A narrow bottom-row button.
class NarrowButton : public ImageButton {
  public:
    NarrowButton(GameWindow* window, GameControls* group, uint32_t command, int32_t width,
                 const char16_t* text);
};

// A list button: the list-button skin with state colours.
ImageButton* CreateListButton(GameWindow* window, GameControls* group, uint32_t command, int32_t x, int32_t y,
                              int32_t width, const char16_t* text);
// A check box with its text to the right; the tick is the second bank.
ImageButton* CreateCheckBox(GameWindow* window, GameControls* group, uint32_t command, int32_t x, int32_t y,
                            const char16_t* text);
