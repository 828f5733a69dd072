#pragma once
#include "engine/Texture.h"
#include "engine/Viewer.h"
#include "foundation/Helpers.h"

#include <cstdint>
#include <memory>

// Fonts of the text layer: every glyph is a rectangle (its image) on one
// texture, with an advance, a drawing offset and kerning pairs. A font turns
// text into textured quads. The two kinds (KGEWinFont, rasterised through the
// glyph face; KGEBitmapFont, cut from an image file) share everything here.

namespace kis {
class BaseDataFile;
}

// ---------------------------------------------------------------- result codes

constexpr HResult kKgeOutOfMemory = MakeResult(0x89C50001);
constexpr HResult kKgeMissingImages = MakeResult(0x89C50066);
constexpr HResult kKgeMissingChars = MakeResult(0x89C5006C);
constexpr HResult kKgeMissingGlyphImages = MakeResult(0x89C5006E);
constexpr HResult kKgeMissingWidths = MakeResult(0x89C5006F);
constexpr HResult kKgeMissingOffsets = MakeResult(0x89C50070);
constexpr HResult kKgeTooManyKerningPairs = MakeResult(0x89C50071);
constexpr HResult kKgeBadDescription = MakeResult(0x89C50073);
constexpr HResult kKgeNoTexture = MakeResult(0x89C50078);
constexpr HResult kKgeMissingOutline = MakeResult(0x89C50096);
constexpr HResult kKgeMissingShadow = MakeResult(0x89C50097);
constexpr HResult kKgeFontNotCreated = MakeResult(0x89C5009B);
constexpr HResult kKgeRasterizeFailed = MakeResult(0x89C5009C);
constexpr HResult kKgeFail = MakeResult(0x80004005);

// ---------------------------------------------------------------- limits and markers

constexpr uint32_t kKgeMaxImages = 4096;
constexpr uint32_t kKgeMaxGlyphs = 4096;
constexpr uint32_t kKgeMaxDrawnChars = 8192;
// A text length meaning "up to the terminator".
constexpr uint32_t kKgeToTerminator = 0x80000000u;
// A metric, space width or advance meaning "the default one".
constexpr int32_t kKgeDefault = INT32_MIN;
constexpr uint16_t kKgeNoGlyph = 0xFFFF;

// The class magic of each font kind: the two words a font carries and its
// stream begins with (little-endian).
inline constexpr uint32_t kWinFontMagic[2] = {0x9756B8CC, 0x3EFE8585};
inline constexpr uint32_t kBitmapFontMagic[2] = {0xB0E1FDFD, 0x40E90DB4};

// Charsets with a meaning of their own.
constexpr uint32_t kCharsetAnsi = 0;
constexpr uint32_t kCharsetDefault = 1; // the charset of the active code page

// ---------------------------------------------------------------- records

struct KGEImageRecord {
    int32_t x;
    int32_t y;
    int32_t width;
    uint8_t visible; // the area lies at least partly on the texture
    uint8_t spare[3];
};
static_assert(sizeof(KGEImageRecord) == 16);

struct KGEGlyph {
    uint16_t character;
    uint16_t index;    // of this record
    uint32_t image;    // image record index
    uint32_t drawable; // the image exists and is visible
    int32_t advance;
    int32_t offsetX; // where the image is drawn relative to the pen
    int32_t offsetY;
    uint32_t kerningCount;
    uint32_t kerningFirst;
};
static_assert(sizeof(KGEGlyph) == 32);

struct KGEKerningPair {
    uint32_t second; // glyph index
    int32_t amount;  // pixels
};
static_assert(sizeof(KGEKerningPair) == 8);

// Grid flags.
constexpr uint32_t kGridOn = 1;
constexpr uint32_t kGridWidthList = 2;
constexpr uint32_t kGridSkip = 16;
constexpr uint32_t kGridBorders = 32;
constexpr uint32_t kGridRect = 64;

struct KGEGridRecord {
    uint32_t flags;
    int32_t skipX;
    int32_t skipY;
    kis::Rect rect;
    kis::Rect borders; // taken off left, top, right, bottom
};
static_assert(sizeof(KGEGridRecord) == 44);

// A kerning pair by characters, as descriptions and the glyph face give them.
struct KGECharKerning {
    char16_t first;
    char16_t second;
    int32_t amount;
};
static_assert(sizeof(KGECharKerning) == 8);

struct KGESize {
    int32_t width;
    int32_t height;
};

// The charset a font stores, resolved: charset 1 becomes the charset of the
// active code page, unknown charsets become the ANSI one.
struct KGECharset {
    uint32_t charset;
    uint32_t codePage;
};
KGECharset ResolveCharset(uint32_t charset);

class KGEFont;

// ---------------------------------------------------------------- text cursor

// The state that walks a text with a font: classifies characters, places
// glyphs and spaces on the pen line and moves to new lines. Layout, drawing
// and measuring all walk text with it.
struct KGETextCursor {
    enum Class : int { kSkip = 0, kLineBreak = 1, kSpace = 2, kGlyph = 3 };

    KGETextCursor(const KGEFont* font, bool wide);

    // The class of the next character (a UTF-16 unit, or a byte of 8-bit
    // text); a glyph character leaves its glyph in `glyph`.
    int Classify(uint32_t ch);
    // Places `glyph` at the pen; returns its x.
    int32_t PlaceGlyph();
    // Advances by the width (kKgeDefault: the current space width).
    void PlaceSpace(int32_t width = kKgeDefault);
    // Moves y to the next line and starts the line.
    void NewLine(int32_t* y);

    bool wide;
    const KGEFont* font;
    bool hasFont;
    const uint16_t* charMap;
    int32_t spaceWidth;
    const KGEGlyph* glyphs;
    const KGEGlyph* defaultGlyph;
    const KGEKerningPair* kerning;
    uint32_t lastBreak = 0;
    int32_t currentSpace = 0;
    const KGEGlyph* glyph = nullptr;
    const KGEGlyph* previous = nullptr;
    int32_t lastX = 0;
    int32_t tracking;
    int32_t penX = 0;
    int32_t extent = 0;
};

// ---------------------------------------------------------------- the font

class KGEFont {
  public:
    KGEFont(const KGEFont&) = delete;
    KGEFont& operator=(const KGEFont&) = delete;

    // Builds the glyph quads.
    virtual HResult Restore();
    // Releases them.
    virtual void Invalidate();
    // Writes the font as a stream into the open chunk.
    virtual HResult WriteBinary(kis::BaseDataFile* writer) = 0;
    virtual ~KGEFont();
    // Rebuilds after a device reset.
    virtual HResult OnReset() = 0;

    // The first user builds the quads.
    HResult AddRef();
    // The last user (or force) releases them.
    void Release(bool force = false);
    // True when the font is built and the texture has the sizes recorded at
    // the last build; with update the current sizes are recorded.
    bool CheckTexture(bool update);

    // Draws the text with the matrix (null: the viewer's current one); the
    // length kKgeToTerminator runs to the terminator.
    void DrawText(const char16_t* text, uint32_t length, const DXLMatrix* matrix = nullptr);
    void DrawTextAt(float x, float y, const char16_t* text);
    KGESize MeasureText(const char16_t* text, uint32_t length) const;
    // The number of characters of the first line before the one under x.
    int32_t GetCharIndexAt(int32_t x, const char16_t* text, uint32_t length) const;

    // ---- building (in this order: glyphs, characters, metrics, maps, kerning)
    // Resolves the charset, clears both maps and allocates at most 4096 glyphs.
    void AllocGlyphs(uint32_t charset, uint32_t count);
    // Every character above U+0020 becomes the next glyph; the glyph count
    // shrinks by the characters dropped.
    void SetChars(const char16_t* chars, uint32_t count);
    void SetCharsA(const char* chars, uint32_t count);
    void AllocImages(uint32_t count);
    void SetMetrics(int32_t height, int32_t ascent, int32_t space, char16_t defaultChar);
    void BuildCharMap();
    HResult SetKerning(const KGECharKerning* pairs, uint32_t count);
    // Places the image records in rows; true when every one was placed.
    bool LayoutImages(bool limit, const KGEGridRecord* grid, int32_t* outHeight);

    // ---- properties
    DXLViewer* GetViewer() const { return viewer_; }
    DXLTexture* GetTexture() const { return texture_; }
    bool IsBuilt() const { return built_; }
    uint32_t GetUserCount() const { return users_; }
    int32_t GetCellHeight() const { return cellHeight_; }
    void SetCellHeight(int32_t height) { cellHeight_ = height < 0 ? 0 : height; }
    uint32_t GetImageCount() const { return imageCount_; }
    KGEImageRecord* GetImages() const { return images_.get(); }
    uint32_t GetGlyphCount() const { return glyphCount_; }
    KGEGlyph* GetGlyphs() const { return glyphs_.get(); }
    uint32_t GetKerningCount() const { return kerningCount_; }
    const KGEKerningPair* GetKerning() const { return kerning_.get(); }
    const TexturedQuad* GetQuads() const { return quads_.get(); }
    uint32_t GetCharset() const { return charset_; }
    uint32_t GetCodePage() const { return codePage_; }
    int32_t GetHeight() const { return height_; }
    int32_t GetAscent() const { return ascent_; }
    int32_t GetDescent() const { return descent_; }
    int32_t GetSpaceWidth() const { return spaceWidth_; }
    char16_t GetDefaultChar() const { return defaultChar_; }
    const KGEGlyph* GetDefaultGlyph() const { return defaultGlyph_; }
    // The glyph of a UTF-16 character or of a byte of 8-bit text; null when none.
    const KGEGlyph* FindGlyph(char16_t ch) const;
    const KGEGlyph* FindGlyphA(uint8_t byte) const;
    const uint16_t* GetCharMap() const { return charMap_.get(); }
    const uint16_t* GetByteMap() const { return byteMap_; }
    uint32_t GetColour() const { return colour_; }
    void SetColour(uint32_t colour) { colour_ = colour; }
    int32_t GetTracking() const { return tracking_; }
    void SetTracking(int32_t tracking) { tracking_ = tracking; }
    int32_t GetLeading() const { return leading_; }
    void SetLeading(int32_t leading) { leading_ = leading; }
    uint32_t GetMagic(int i) const { return magic_[i]; }

  protected:
    KGEFont(uint32_t magic0, uint32_t magic1, DXLViewer* viewer);

    // Frees glyphs, kerning pairs and maps' contents (the maps go back to empty).
    void FreeGlyphs();
    // Stores a kerning table of count pairs (checked against glyph count squared).
    HResult AllocKerning(uint64_t count);
    // Builds the quads again after a device reset; a failure leaves the font
    // released and not built.
    HResult Rebuild();

    uint32_t magic_[2];
    DXLViewer* viewer_;
    bool built_ = false;
    uint32_t users_ = 0;
    int32_t lastImageWidth_ = 0;
    int32_t lastImageHeight_ = 0;
    int32_t lastTextureWidth_ = 0;
    int32_t lastTextureHeight_ = 0;
    DXLTexture* texture_ = nullptr;
    int32_t cellHeight_ = 0;
    uint32_t imageCount_ = 0;
    std::unique_ptr<KGEImageRecord[]> images_;
    uint32_t colour_ = 0xFFFFFFFFu;
    std::unique_ptr<TexturedQuad[]> quads_;
    uint32_t charset_ = kCharsetAnsi;
    uint32_t codePage_ = 1252;
    int32_t height_ = 0;
    int32_t ascent_ = 0;
    int32_t descent_ = 0;
    int32_t spaceWidth_ = 0;
    char16_t defaultChar_ = 0;
    uint32_t glyphCount_ = 0;
    std::unique_ptr<KGEGlyph[]> glyphs_;
    std::unique_ptr<uint16_t[]> charMap_; // 65,536 entries
    uint16_t byteMap_[256] = {};
    const KGEGlyph* defaultGlyph_ = nullptr;
    uint32_t kerningCount_ = 0;
    std::unique_ptr<KGEKerningPair[]> kerning_;
    int32_t tracking_ = 0;
    int32_t leading_ = 0;
};
