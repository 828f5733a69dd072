#pragma once
#include "text/DXLFont.h"

// Fonts cut from a ready image, described by an ini file whose section
// "BitmapFont" names the image, the characters in sheet order and the
// metrics. The glyphs lie on the image by the font's placement rule: rows of
// cells of the cell height, left to right in glyph-number order.

// Capacity of the shared buffer that holds a decoded character list.
constexpr int32_t kDXLCharListSize = 8192;

// Decodes a character list: items separated by ','; "text" gives every
// character between the quotes, #decimal or $hex one code, 'c' one
// character, code-code an inclusive range (starting at 32 at the lowest); a
// list that starts with none of these marks is taken whole, character by
// character. The terminator (0 for none) ends the list; *end, when given,
// points at it (or at the text's end). An invalid list gives no characters.
// The result lives in one shared buffer, valid until the next call; *count
// receives its length.
template <typename Ch>
const Ch* DecodeCharList(const Ch* text, Ch terminator, const Ch** end, int32_t* count);

template <typename Ch> class DXLBitmapFont : public DXLFont<Ch> {
  public:
    using Base = DXLFont<Ch>;
    using typename Base::IniFile;

    DXLBitmapFont() = default;
    // Leaves its image's notify targets.
    ~DXLBitmapFont() override;

    void OnNotify(DXLNotifyObject* sender, uint32_t code) override;
    void SetImage(DXLTexture* texture) override;
    uint32_t GetFontType() const override { return kDXLFontTypeBitmap; }
    void LoadDescription(IniFile* ini, DXLTextures* textures, bool restore) override;
    void CopyFrom(const Base& other) override;

    bool HasCustomWidth() const { return customWidth_ != 0; }

    // "list=width, ..." : each listed character with a glyph gets that cell
    // width. Stops at the first malformed or negative item.
    void ParseCustomWidth(const Ch* text);
    // "list=left:right, ...": each listed character with a glyph gets the
    // bearings -left and -right, so positive values add room beside it.
    void ParseCustomSpaces(const Ch* text);

  private:
    void FindImage(IniFile* ini, DXLTextures* textures);

    uint8_t customWidth_ = 0;
};

using DXLBitmapFontW = DXLBitmapFont<char16_t>;
using DXLBitmapFontA = DXLBitmapFont<char>;

extern template class DXLBitmapFont<char16_t>;
extern template class DXLBitmapFont<char>;
