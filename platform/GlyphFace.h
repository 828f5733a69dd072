#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A rasterised font face: the glyph services the fonts of the text layer use
// to measure characters and to draw them into glyph sheets.
//
// Lengths are pixels. The vertical convention is the one of a Windows logical
// font: a character cell is `height` pixels tall, its top at the y given to
// DrawChar, the baseline `ascent` pixels below that top.

// Logical pixels per inch. Callers turn point sizes into pixel heights with
// it: height = -(points * kGlyphDpi / 72).
constexpr int kGlyphDpi = 96;

// Weights as the fonts store them; 0 asks for the normal weight. From
// kGlyphWeightSemiBold upwards the bold face is used.
constexpr int32_t kGlyphWeightNormal = 400;
constexpr int32_t kGlyphWeightSemiBold = 600;
constexpr int32_t kGlyphWeightBold = 700;

// Output qualities, with the numbers the font descriptions store. Only
// kGlyphQualityNonAntialiased changes the output: it gives hard-edged glyphs.
// Every other quality, ClearType included, gives grey-level coverage.
constexpr uint8_t kGlyphQualityDefault = 0;
constexpr uint8_t kGlyphQualityDraft = 1;
constexpr uint8_t kGlyphQualityProof = 2;
constexpr uint8_t kGlyphQualityNonAntialiased = 3;
constexpr uint8_t kGlyphQualityAntialiased = 4;
constexpr uint8_t kGlyphQualityClearType = 5;
constexpr uint8_t kGlyphQualityClearTypeNatural = 6;

struct GlyphFaceRequest {
    // Face name as the font asks for it; only the part before a NUL counts.
    std::u16string faceName;
    // Negative: the character height (the em size) is -height, and the cell
    // comes out taller by the internal leading. Positive: the cell height is
    // exactly height. 0: a character height of 16. Magnitudes above 2048
    // are drawn at 2048.
    int32_t height = 0;
    int32_t weight = 0;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    uint8_t quality = kGlyphQualityDefault;
};

struct GlyphFaceMetrics {
    int32_t height = 0;          // cell height = ascent + descent
    int32_t ascent = 0;          // cell top to baseline
    int32_t descent = 0;         // baseline to cell bottom
    int32_t internalLeading = 0; // height - character height (accent room)
    // Lines drawn for underline and strike-out, as offsets from the baseline
    // (positive downwards) of their top row, and their thickness (>= 1).
    int32_t underlineOffset = 0;
    int32_t underlineThickness = 1;
    int32_t strikeOutOffset = 0;
    int32_t strikeOutThickness = 1;
};

// Where one character's ink lies relative to its pen position on the
// baseline. An inkless character (the space) has a 0 x 0 box.
struct GlyphBox {
    int32_t advance = 0; // pen movement, what a character-width query gives
    int32_t width = 0;   // black box
    int32_t height = 0;
    int32_t originX = 0; // left column of the black box, right of the pen
    int32_t originY = 0; // top row of the black box, above the baseline

    // The three widths A (space before the ink), B (ink) and C (space after).
    int32_t AbcA() const { return originX; }
    int32_t AbcB() const { return width; }
    int32_t AbcC() const { return advance - originX - width; }
};

// Coverage bitmaps come in the two scales the fonts consume.
enum class GlyphLevels {
    k65,  // 0..64
    k256, // 0..255
};

struct GlyphCoverage {
    GlyphBox box;
    GlyphLevels levels = GlyphLevels::k256;
    // box.width x box.height values, rows top to bottom, no row padding.
    std::vector<uint8_t> values;

    uint8_t At(int32_t x, int32_t y) const { return values[size_t(y) * size_t(box.width) + size_t(x)]; }
    uint8_t Full() const { return levels == GlyphLevels::k65 ? 64 : 255; }
};

struct KerningPair {
    char16_t first = 0;
    char16_t second = 0;
    int32_t amount = 0; // pixels added to the pen between the two
};

struct TextExtent {
    int32_t width = 0;
    int32_t height = 0;
};

// A 32-bit A8R8G8B8 pixel block owned by the caller; pitch in pixels.
struct GlyphSurface {
    uint32_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t pitch = 0;
};

// How DrawChar paints. Colours are ARGB; all four channels are blended by the
// coverage, so a white foreground over a transparent black background leaves
// the coverage in the alpha channel.
struct GlyphPaint {
    uint32_t foreground = 0xFFFFFFFF;
    uint32_t background = 0x00000000;
    // Fill the character cell (advance x cell height) with the background
    // before drawing the ink; otherwise the ink is blended over the surface.
    // A caller that wants a whole rectangle filled fills it first.
    bool opaque = false;
    // With clipped set, nothing is drawn outside this rectangle (right and
    // bottom exclusive); the surface bounds always clip.
    bool clipped = false;
    int32_t clipLeft = 0;
    int32_t clipTop = 0;
    int32_t clipRight = 0;
    int32_t clipBottom = 0;
};

class GlyphFace {
  public:
    explicit GlyphFace(GlyphFaceRequest request) : request_(std::move(request)) {}
    virtual ~GlyphFace() = default;
    GlyphFace(const GlyphFace&) = delete;
    GlyphFace& operator=(const GlyphFace&) = delete;

    // The request the face was opened with, unchanged.
    const GlyphFaceRequest& Request() const { return request_; }

    // The family actually used, e.g. u"DejaVu Sans" for a request of u"Arial".
    virtual std::u16string FaceName() const = 0;
    virtual GlyphFaceMetrics Metrics() const = 0;
    virtual GlyphBox Box(char16_t ch) = 0;
    virtual GlyphCoverage Coverage(char16_t ch, GlyphLevels levels) = 0;
    // Every kerning pair of the face at this size, sorted by first then second
    // character. Pairs whose amount rounds to 0 are kept.
    virtual std::vector<KerningPair> KerningPairs() = 0;

    int32_t Advance(char16_t ch) { return Box(ch).advance; }
    // Sum of the advances (no kerning) by the cell height.
    TextExtent MeasureText(std::u16string_view text);
    // Draws one character with its cell's top-left corner at (x, y), with the
    // underline and strike-out lines the request asks for. Returns the advance.
    int32_t DrawChar(GlyphSurface& surface, int32_t x, int32_t y, char16_t ch, const GlyphPaint& paint);

  private:
    GlyphFaceRequest request_;
};

// Opens a face through the current opener: FreeType with the DejaVu fonts,
// unless a test has installed another. Null with a message in *error when no
// face can be made.
std::unique_ptr<GlyphFace> OpenGlyphFace(const GlyphFaceRequest& request, std::string* error = nullptr);

// The FreeType face itself, reading its font files from the given folder.
constexpr const char* kDejaVuFolder = "/usr/share/fonts/truetype/dejavu";
std::unique_ptr<GlyphFace> OpenFreeTypeFace(const GlyphFaceRequest& request, const std::string& fontFolder,
                                            std::string* error = nullptr);

// Replaces what OpenGlyphFace does, so that tests above this layer can give
// fonts a synthetic face; an empty function restores FreeType. Returns the
// opener in place before.
using GlyphFaceOpener =
    std::function<std::unique_ptr<GlyphFace>(const GlyphFaceRequest&, std::string* error)>;
GlyphFaceOpener SetGlyphFaceOpener(GlyphFaceOpener opener);

} // namespace platform
