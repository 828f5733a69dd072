#pragma once
#include "engine/NotifyObject.h"
#include "engine/Texture.h"
#include "foundation/IniFile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {
class GlyphFace;
}

// The engine's own fonts: glyphs are textured quads cut from one glyph sheet.
// DXLFont is the base (tables, metrics, placement on the sheet, quads);
// DXLWinFont draws its sheet itself from a system font through the glyph
// face. Every class is one template over the character type: the W forms
// work on UTF-16 codes (65,536 of them), the A forms on 8-bit codes.

// Notify code a font sends its texts after its glyphs were rebuilt.
constexpr uint32_t kNotifyFontChanged = 6;

// Style bits of the font properties.
constexpr uint8_t kDXLFontBold = 0x01;
constexpr uint8_t kDXLFontItalic = 0x02;
constexpr uint8_t kDXLFontStrikeOut = 0x04;
constexpr uint8_t kDXLFontUnderline = 0x08;

// Font types given by GetFontType.
constexpr uint32_t kDXLFontTypeBase = 0;
constexpr uint32_t kDXLFontTypeBitmap = 1;
constexpr uint32_t kDXLFontTypeWin = 2;

// Cell sizes are kept in bytes; larger values are refused, not wrapped.
constexpr int32_t kDXLMaxCellSize = 255;

template <typename Ch> struct DXLFontTraits;
template <> struct DXLFontTraits<char16_t> {
    static constexpr uint32_t kCharCount = 65536;
    static constexpr const char* kFontName = "DXLFontW";
    static constexpr const char* kWinFontName = "DXLWinFontW";
};
template <> struct DXLFontTraits<char> {
    static constexpr uint32_t kCharCount = 256;
    static constexpr const char* kFontName = "DXLFontA";
    static constexpr const char* kWinFontName = "DXLWinFontA";
};

// An ASCII text (key and section names) in the character type.
template <typename Ch> std::basic_string<Ch> DXLLiteral(const char* text) {
    std::basic_string<Ch> out;
    while (*text)
        out.push_back(Ch(*text++));
    return out;
}

// The code of a character as a table index.
inline uint32_t CharCode(char16_t ch) {
    return ch;
}
inline uint32_t CharCode(char ch) {
    return uint8_t(ch);
}

// ---------------------------------------------------------------- properties

// What a system font is made from: face name, size, style and colour.
template <typename Ch> class DXLFontProps : public DXLUpdateableObject {
  public:
    static constexpr int kFaceNameSize = 32;

    // Copies every value of the other inside one update.
    virtual void Assign(const DXLFontProps& other);
    bool SameAs(const DXLFontProps& other) const;

    // Each stores the value and calls Update when it changed.
    void SetFaceName(const Ch* name);
    void SetSize(uint16_t points);
    void SetStyle(uint8_t style);
    void SetColor(uint32_t argb);
    void SetCharSet(uint32_t charSet);
    void SetPitchAndFamily(uint8_t value);
    void SetQuality(uint8_t quality);

    const Ch* GetFaceName() const { return faceName_; }
    uint16_t GetSize() const { return size_; }
    uint8_t GetStyle() const { return style_; }
    uint32_t GetColor() const { return colour_; }
    uint32_t GetCharSet() const { return charSet_; }
    uint8_t GetPitchAndFamily() const { return pitchAndFamily_; }
    uint8_t GetQuality() const { return quality_; }

  private:
    Ch faceName_[kFaceNameSize] = {};
    uint16_t size_ = 0;
    uint8_t style_ = 0;
    uint32_t colour_ = 0xFFFFFFFFu;
    uint32_t charSet_ = 0;
    uint8_t pitchAndFamily_ = 0;
    uint8_t quality_ = 0;
};

// ---------------------------------------------------------------- glyphs

struct DXLGlyph {
    uint16_t number = 0; // place on the sheet
    uint8_t cellWidth = 0;
    int16_t leftBearing = 0; // at most the cell width
    int16_t rightBearing = 0;
    kis::Rect sheet{0, 0, 0, 0};
    // Built once the glyph has a place on the sheet: [0] at (-left inset -
    // left bearing + 0.5, 0.5), [1] at (-left inset - left bearing, 0); the
    // rich text copies [1].
    std::unique_ptr<TexturedQuad[]> quads;
};

// ---------------------------------------------------------------- font

template <typename Ch> class DXLFont : public DXLUpdateableObject {
  public:
    using Traits = DXLFontTraits<Ch>;
    using IniFile = kis::IniFile<Ch>;
    static constexpr uint32_t kCharCount = Traits::kCharCount;
    // Glyph numbers are 16-bit for both twins: the 8-bit font may number its
    // 255 glyphs beyond 255 too, and still finds each by its number.
    static constexpr uint32_t kNumberCount = 65536;
    static constexpr int kFaceNameSize = 32;

    DXLFont();
    // Deletes every glyph.
    ~DXLFont() override;

    // ---- virtual operations
    // Rebuilds the glyph-by-number table and the quads, passes the change on
    // and tells the texts (code 6).
    void Changed(DXLNotifyObject* sender) override;
    // Copies the metrics of another font inside one update.
    virtual void Assign(const DXLFont& other);
    virtual void SetImage(DXLTexture* texture) = 0;
    // Stores the cell height (refused above 255), clamps the descent to it.
    virtual void SetHeight(int32_t height);
    virtual uint32_t GetFontType() const { return kDXLFontTypeBase; }
    virtual void LoadDescription(IniFile* ini, DXLTextures* textures, bool restore) = 0;
    // Copies everything of another font of the same class.
    virtual void CopyFrom(const DXLFont& other) = 0;

    // ---- metrics
    void SetVSkip(uint8_t value);
    void SetHSkip(uint8_t value);
    void SetEmptyCharWidth(uint8_t value);
    void SetDescent(int32_t value);
    void SetAscent(int32_t value);
    void SetSpaceWidth(uint16_t value) { spaceWidth_ = value; }
    void SetVSpacing(int16_t value) { vSpacing_ = value; }
    void SetHSpacing(int16_t value) { hSpacing_ = value; }
    // Writes the colour into every glyph quad unless an update is pending.
    void SetColor(uint32_t argb);
    void SetFaceName(const Ch* name);

    // ---- glyphs
    // With create, a zeroed glyph for each listed character that has none;
    // then the listed characters are numbered from firstNumber on.
    void AddGlyphs(const Ch* chars, int32_t count, uint32_t firstNumber, bool create);
    // Deletes the glyphs of codes max(from, 1)..to.
    void RemoveGlyphRange(uint32_t from, uint32_t to);
    // Every glyph gets that cell width (refused above 255).
    void SetAllCellWidths(int32_t width);
    // For an existing glyph: the width (refused above 255), then both
    // bearings clamped to it.
    void SetCellWidth(Ch ch, int32_t width);
    // For an existing glyph: each bearing clamped to its cell width.
    void SetBearings(Ch ch, int32_t left, int32_t right);
    // The codes that have glyphs, ascending, at most size - 1, terminated.
    // Returns how many were written.
    int32_t ListChars(Ch* buffer, int32_t size) const;
    // Each listed character gets its position as glyph number; returns the
    // last character of the list (0 for an empty one).
    Ch NumberInOrder(const Ch* list);
    // Where the glyph of ch lies on a sheet of that size; false when it does
    // not fit (or ch has no glyph).
    bool PackGlyph(Ch ch, int32_t sheetWidth, int32_t sheetHeight, int32_t* x, int32_t* y) const;

    // ---- getters
    const DXLGlyph* GetGlyph(Ch ch) const { return byChar_[CharCode(ch)].get(); }
    const DXLGlyph* GetGlyphByNumber(uint32_t number) const {
        return number < kNumberCount ? byNumber_[number] : nullptr;
    }
    // The second quad of the glyph, null without glyph or place.
    const TexturedQuad* GetGlyphQuad(Ch ch) const;
    // Cell width less insets and bearings, at least 0; 0 without glyph.
    int32_t GetAdvance(Ch ch) const;
    const Ch* GetFaceName() const { return faceName_; }
    int32_t GetHeight() const { return cellHeight_; }
    DXLTexture* GetImage() const { return image_; }
    uint32_t GetColor() const { return colour_; }
    uint16_t GetSpaceWidth() const { return spaceWidth_; }
    int16_t GetVSpacing() const { return vSpacing_; }
    int16_t GetHSpacing() const { return hSpacing_; }
    uint8_t GetVSkip() const { return vSkip_; }
    uint8_t GetHSkip() const { return hSkip_; }
    uint8_t GetEmptyCharWidth() const { return emptyCharWidth_; }
    uint8_t GetLeftInset() const { return leftInset_; }
    uint8_t GetRightInset() const { return rightInset_; }
    int32_t GetAscent() const { return ascent_; }
    int32_t GetDescent() const { return descent_; }

    // Reads "Name", "Spaces" (or "HSpace" and "VSpace") and "Color" of the
    // section inside one update.
    void ReadCommonKeys(IniFile* ini, const Ch* section);

  protected:
    void RebuildIndexTable();
    // Places every glyph on the image and cuts its two quads; a glyph without
    // a place loses its quads.
    void BuildQuads();
    void WriteQuadColours();
    // Logs a refused cell size; false when the value is above 255.
    bool CheckCellSize(const char* what, int32_t value) const;

    std::vector<std::unique_ptr<DXLGlyph>> byChar_;
    std::vector<DXLGlyph*> byNumber_;
    Ch faceName_[kFaceNameSize] = {};
    uint8_t cellHeight_ = 0;
    DXLTexture* image_ = nullptr;
    uint32_t colour_ = 0xFFFFFFFFu;
    uint16_t spaceWidth_ = 0;
    int16_t vSpacing_ = 0;
    int16_t hSpacing_ = 0;
    uint8_t vSkip_ = 0;
    uint8_t hSkip_ = 0;
    uint8_t emptyCharWidth_ = 0;
    uint8_t leftInset_ = 0;
    uint8_t rightInset_ = 0;
    int16_t ascent_ = 0;
    int16_t descent_ = 0;
};

// ---------------------------------------------------------------- system font

// The outline switch and the values handed to ApplyGlyphOutline: word 0's low
// byte is the flag, word 1 the size as float bits, word 2 the colour, word 3's
// low byte the threshold.
struct DXLOutlineRecord {
    uint32_t words[4];
};
// The switch and the five values handed to ApplyGlyphShadow: word 0 (its low
// byte the flag), x offset, y offset, colour, key.
struct DXLShadowRecord {
    uint32_t words[5];
};

template <typename Ch> class DXLWinFont : public DXLFont<Ch>, public DXLTextureSource {
  public:
    using Base = DXLFont<Ch>;
    using Props = DXLFontProps<Ch>;
    using typename Base::IniFile;

    // The font's own image texture is made on the viewer; the font is its
    // source and one of its notify targets.
    explicit DXLWinFont(DXLViewer* viewer);
    ~DXLWinFont() override;

    void OnNotify(DXLNotifyObject* sender, uint32_t code) override;
    // Renders the sheet again first when properties exist.
    void Changed(DXLNotifyObject* sender) override;
    void SetImage(DXLTexture*) override {}
    uint32_t GetFontType() const override { return kDXLFontTypeWin; }
    void LoadDescription(IniFile*, DXLTextures*, bool) override {}
    void CopyFrom(const Base& other) override;
    // Draws the glyph sheet into the texture.
    void Render(DXLTexture* texture) override;

    // Copies the properties in when they differ (the font then owns a copy).
    void SetProps(const Props* props);
    const Props* GetProps() const { return props_.get(); }
    void SetMarginFactor(float factor);
    void SetAlphaFactor(float factor);
    // Negative margins become 0; above 255 they are 255.
    void SetEffectMargins(int32_t left, int32_t top, int32_t right, int32_t bottom);
    void SetOutline(const DXLOutlineRecord& outline);
    void SetShadow(const DXLShadowRecord& shadow);
    float GetMarginFactor() const { return marginFactor_; }
    float GetAlphaFactor() const { return alphaFactor_; }

  private:
    // Measures every listed character with the face: cell height, insets,
    // bearings and cell widths; false (logged) when a size is refused.
    bool MeasureGlyphs(platform::GlyphFace& face, const Ch* chars, int32_t count);
    // The smallest sheet that holds every glyph; false when none does.
    bool ChooseSheet(Ch last, int32_t* width, int32_t* height) const;
    void LogFailure(const char* what) const;

    std::unique_ptr<Props> props_;
    float marginFactor_ = 0.0f;
    uint8_t margins_[4] = {}; // left, top, right, bottom
    DXLOutlineRecord outline_{};
    DXLShadowRecord shadow_{};
    float alphaFactor_ = 1.0f;
    bool rendering_ = false;
};

using DXLFontPropsW = DXLFontProps<char16_t>;
using DXLFontPropsA = DXLFontProps<char>;
using DXLFontW = DXLFont<char16_t>;
using DXLFontA = DXLFont<char>;
using DXLWinFontW = DXLWinFont<char16_t>;
using DXLWinFontA = DXLWinFont<char>;

extern template class DXLFontProps<char16_t>;
extern template class DXLFontProps<char>;
extern template class DXLFont<char16_t>;
extern template class DXLFont<char>;
extern template class DXLWinFont<char16_t>;
extern template class DXLWinFont<char>;
