#pragma once
// The interface skin: the pieces of the "dialogs" sprite of library 1, the
// textured-quad records filled from them, and the element lists that make
// the backgrounds of windows and panels.

#include "engine/Viewer.h"
#include "foundation/Helpers.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class DXLTexture;
class KGECustomText;
class KGEFont;
class Sprite;

// Frames of the "dialogs" sprite, in the order the art lays them out.
enum SkinPiece : int32_t {
    kSkinFrame = 0,        // window frame (nine-patch)
    kSkinCaption = 1,      // caption bar (nine-patch)
    kSkinButton = 2,       // bottom-row button, states normal, hover, pressed, disabled: 2-5
    kSkinListButton = 6,   // list button (nine-patch, tinted by state colours)
    kSkinCheckOff = 7,     // check box
    kSkinCheckOn = 8,      // ticked check box
    kSkinScrollTrack = 9,  // scroll bar track (nine-patch)
    kSkinScrollThumb = 10, // scroll bar thumb (nine-patch)
    kSkinScrollUp = 11,
    kSkinScrollDown = 12,
    kSkinHintBox = 13,   // hint box (nine-patch)
    kSkinEditField = 14, // edit field (nine-patch)
    kSkinSeparator = 15, // the line under a hint caption
    kSkinPieceCount = 16
};

// The border widths of each nine-patch piece.
struct SkinBorders {
    int32_t left, top, right, bottom;
};
SkinBorders GetSkinBorders(int32_t piece);

// The skin sprite (null before library 1 is loaded or without the sprite).
Sprite* GetSkinSprite();
// The rectangle of a piece on the skin texture; false without it.
bool GetSkinRect(int32_t piece, kis::Rect* out);

// Up to nine textured quads on one texture: a stretched skin region.
struct SkinQuads {
    DXLTexture* texture = nullptr; // owned by its library; null draws flat colour
    int32_t count = 0;
    int32_t opaque = -1; // the quad drawn without blending (an opaque middle), -1 none
    TexturedQuad quads[9] = {};
};

// The interface texture stands for a texture argument of -1.
inline DXLTexture* const kInterfaceTexture = reinterpret_cast<DXLTexture*>(intptr_t(-1));

// Fills nine quads so that the region's borders keep their size and its
// middle stretches over (x, y, width, height). A texture of
// kInterfaceTexture is the skin's; flag 1 leaves the middle out, flag 2 says
// the middle is opaque (it is then drawn without blending, while the colour
// is opaque too).
void InitNinePatch(SkinQuads* record, int32_t x, int32_t y, int32_t width, int32_t height, int32_t left,
                   int32_t top, int32_t right, int32_t bottom, uint32_t colour, uint32_t flags,
                   DXLTexture* texture, const kis::Rect& source);
// One quad: the whole region stretched over the rectangle.
void InitQuad(SkinQuads* record, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t colour,
              DXLTexture* texture, const kis::Rect& source);
// A skin piece over a rectangle: nine-patch with the piece's borders.
void InitSkinPiece(SkinQuads* record, int32_t piece, const kis::Rect& rect, uint32_t colour);
// Draws the record with its colours' alpha multiplied by alpha.
void DrawSkinQuads(DXLViewer& viewer, SkinQuads& record, float alpha);
// Channel by channel product of two ARGB colours.
uint32_t ModulateColour(uint32_t a, uint32_t b);
// The colour with its alpha multiplied.
uint32_t ScaleAlpha(uint32_t colour, float alpha);

// A text in a font slot, laid out once (again only when it changes) and
// drawn in any colour. Without the font it draws nothing and measures 0.
class SkinText {
  public:
    SkinText();
    ~SkinText();
    SkinText(SkinText&&) noexcept;
    SkinText& operator=(SkinText&&) noexcept;
    // flags: KGETextParams flags (alignment, wrapping at width, markup).
    void Set(int32_t fontSlot, std::u16string_view text, uint32_t flags = 0, int32_t width = 0);
    // A text with markup is laid out in the colour's ink and keeps the colours
    // its markup gives; the draw only fades it.
    void Draw(DXLViewer& viewer, float x, float y, uint32_t colour);
    int32_t Width();
    int32_t Height();
    const std::u16string& Text() const { return text_; }
    // An outline of the width (0: none) round the glyphs, and a shadow offset
    // by (dx, dy) (a colour of 0: none). With either the text is rendered
    // once into a picture of its own in the colour it is drawn in (again
    // when that colour changes); the draw then only fades it.
    void SetOutline(float width, uint32_t colour);
    void SetShadow(int32_t dx, int32_t dy, uint32_t colour);
    // Lines this many pixels apart, baseline to baseline (0: the font's own spacing).
    void SetLinePitch(int32_t pitch);
    float OutlineWidth() const { return outline_; }
    uint32_t OutlineColour() const { return outlineColour_; }
    uint32_t ShadowColour() const { return shadowColour_; }

  private:
    bool Ready();
    // The colour is part of the laid-out text (markup or glyph effects).
    bool Baked() const;

    int32_t slot_ = -1;
    std::u16string text_;
    uint32_t flags_ = 0;
    int32_t width_ = 0;
    int32_t linePitch_ = 0;
    uint32_t ink_ = 0xFF000000; // the base colour of a text with markup or effects
    float outline_ = 0.0f;
    uint32_t outlineColour_ = 0;
    int32_t shadowDx_ = 0, shadowDy_ = 0;
    uint32_t shadowColour_ = 0;
    std::unique_ptr<KGECustomText> laidOut_;
    bool stale_ = true;
};

// A list of skin elements drawn in order: the background of a window or panel.
class WindowSprites {
  public:
    WindowSprites();
    ~WindowSprites();
    // A skin piece stretched over the rectangle.
    void AddFrame(int32_t piece, const kis::Rect& rect, uint32_t colour = 0xFFFFFFFF);
    // A region of the skin texture as a nine-patch with the given borders.
    void AddSkinFrame(const kis::Rect& source, const SkinBorders& borders, const kis::Rect& rect,
                      uint32_t colour = 0xFFFFFFFF);
    // Lines of text in a font slot, each line centred in the rectangle when centre is set.
    void AddTextLines(int32_t fontSlot, const std::u16string& text, const kis::Rect& rect, uint32_t colour,
                      bool centre);
    void ClearElements();
    void Draw(DXLViewer& viewer, float alpha);
    int32_t Count() const { return int32_t(elements_.size()); }

  private:
    struct Element {
        SkinQuads quads;
        bool isText = false;
        SkinText text;
        kis::Rect rect{0, 0, 0, 0};
        uint32_t colour = 0xFFFFFFFF;
    };
    std::vector<Element> elements_;
};

// The size of a line of text in a font slot (0, 0 without the font).
kis::Rect MeasureSkinText(int32_t fontSlot, const char16_t* text);
