#pragma once
#include "engine/GlyphEffects.h"
#include "text/KGEFont.h"

#include <memory>

namespace platform {
class GlyphFace;
}

// Style bits of the description.
constexpr uint8_t kFontStyleBold = 1;
constexpr uint8_t kFontStyleItalic = 2;
constexpr uint8_t kFontStyleStrikeOut = 4;
constexpr uint8_t kFontStyleUnderline = 8;

// Effect flags.
constexpr uint32_t kFontEffectKerning = 1;
constexpr uint32_t kFontEffectOutline = 2;
constexpr uint32_t kFontEffectShadow = 4;

// The space setting meaning "the width of the space character".
constexpr uint32_t kSpaceFromFont = 0x80000000u;

// The largest point size a font is built with: 2048 pixels at 96 dpi, the
// largest height the glyph face draws.
constexpr int32_t kMaxPointSize = 1536;

// The font description a rasterised font is built from, as font streams keep
// it (23 words).
struct KGEWinFontDesc {
    int32_t pointSize;
    int32_t weight; // 0..1000, a multiple of 100
    uint32_t charset;
    uint8_t style; // low 4 bits
    uint8_t pitchAndFamily;
    uint8_t quality;
    uint8_t spare;
    uint32_t colour; // RGB of the glyph pixels
    char16_t faceName[32];
    uint32_t effectFlags;
    uint32_t spaceSetting;
};
static_assert(sizeof(KGEWinFontDesc) == 92);

// A font whose glyphs are rasterised through the glyph face into a texture of
// its own, with optional outline and drop shadow.
class KGEWinFont : public KGEFont {
  public:
    explicit KGEWinFont(DXLViewer* viewer);
    ~KGEWinFont() override;

    HResult Restore() override;
    void Invalidate() override;
    HResult WriteBinary(kis::BaseDataFile* writer) override;
    HResult OnReset() override;

    // Measures every glyph through the glyph face and packs the images. The
    // characters are UTF-16 when wide, else 8-bit text of the charset.
    HResult Build(bool wide, uint32_t effectFlags, const KGEWinFontDesc* desc, uint32_t spaceSetting,
                  uint32_t defaultChar, uint32_t glyphCount, const void* chars, const GlyphEffect* outline,
                  const GlyphShadow* shadow);
    // Reads the body of a font stream (after the class magic) and builds.
    HResult ReadBinary(kis::BaseDataFile* reader);

    const KGEWinFontDesc& GetDesc() const { return desc_; }
    const GlyphEffect* GetOutline() const { return outline_.get(); }
    const GlyphShadow* GetShadow() const { return shadow_.get(); }
    kis::Rect GetMargins() const { return margins_; }
    int32_t GetPackedWidth() const { return packedWidth_; }
    int32_t GetPackedHeight() const { return packedHeight_; }

  private:
    HResult CreateGlyphFace();
    void LoadKerningPairs();
    void PackImages();
    HResult Rasterize();

    KGEWinFontDesc desc_{};
    std::unique_ptr<GlyphEffect> outline_;
    std::unique_ptr<GlyphShadow> shadow_;
    std::unique_ptr<platform::GlyphFace> face_;
    kis::Rect margins_{0, 0, 0, 0};
    int32_t adjustX_ = 0, adjustY_ = 0;
    int32_t extraX_ = 0, extraY_ = 0;
    int32_t packedWidth_ = 0, packedHeight_ = 0;
};

// Creates a built font (no users yet); 0 and the font, or the error with null.
HResult KGECreateWinFont(DXLViewer* viewer, uint32_t effectFlags, int32_t pointSize, int32_t weight,
                         uint32_t charset, uint8_t style, uint8_t pitchAndFamily, uint8_t quality,
                         uint32_t colour, const char16_t* faceName, uint32_t spaceSetting,
                         uint32_t glyphCount, const char16_t* chars, char16_t defaultChar,
                         const GlyphEffect* outline, const GlyphShadow* shadow, int32_t tracking,
                         int32_t leading, uint32_t quadColour, KGEWinFont** out);
// A glyph count of 0x80000000 or -1 means the length of the characters.
HResult KGECreateWinFontIndirect(DXLViewer* viewer, uint32_t effectFlags, const KGEWinFontDesc* desc,
                                 uint32_t spaceSetting, uint32_t glyphCount, const char16_t* chars,
                                 char16_t defaultChar, const GlyphEffect* outline, const GlyphShadow* shadow,
                                 int32_t tracking, int32_t leading, uint32_t quadColour, KGEWinFont** out);

// The debug overlay's three fonts, each with its first user reference: bold
// "Arial" (weight 0, charset 1, pitch 0, quality 5) over the Latin letters,
// the digits, the ASCII punctuation and the Russian alphabet.
//   [0] 10 points, GDI kerning, quad colour 0xFFFFFF00;
//   [1] 10 points, kerning, outline and shadow, tracking -2, white;
//   [2] 8 points, kerning and outline, tracking -2, white, glyph pixels 0xFFFF00.
// The outline is mode 1, size 1.0, colour 0xFF000000, threshold 1, hard; the
// shadow is mode 1 at (2, 2) in 0x80000000. 0 and the fonts, or the error of
// the font that failed with every entry null.
constexpr int kDebugFontCount = 3;
HResult KGECreateDebugFonts(DXLViewer* viewer, KGEWinFont* out[kDebugFontCount]);
