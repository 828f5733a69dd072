#pragma once
// The interface skin: the pieces of the "dialogs" sprite of library 1, the
// textured-quad records filled from them, and the element lists that make
// the backgrounds of windows and panels.

#include "engine/Viewer.h"
#include "foundation/Helpers.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class DXLTexture;
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
    TexturedQuad quads[9] = {};
};

// The interface texture stands for a texture argument of -1.
inline DXLTexture* const kInterfaceTexture = reinterpret_cast<DXLTexture*>(intptr_t(-1));

// Fills nine quads so that the region's borders keep their size and its
// middle stretches over (x, y, width, height). A texture of
// kInterfaceTexture is the skin's; flag 1 leaves the middle out.
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
        int32_t fontSlot = -1;
        std::u16string text;
        kis::Rect rect{0, 0, 0, 0};
        uint32_t colour = 0xFFFFFFFF;
        bool centre = false;
    };
    std::vector<Element> elements_;
};

// Draws a line of text in a font slot at (x, y) with the colour (nothing without the font).
void DrawSkinText(DXLViewer& viewer, int32_t fontSlot, const char16_t* text, float x, float y,
                  uint32_t colour);
// The size of a line of text in a font slot (0, 0 without the font).
kis::Rect MeasureSkinText(int32_t fontSlot, const char16_t* text);
