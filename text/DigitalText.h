#pragma once
#include "engine/LoaderState.h"
#include "engine/Texture.h"
#include "foundation/DataPackIds.h"
#include "foundation/List.h"

#include <cstdint>
#include <memory>

// Numbers drawn from digit images: a digit font holds the images of 0-9 and
// optionally a minus sign, in one or more rows (modes) of a texture; a digital
// text turns an integer into one quad per digit. The game's money, price and
// count displays use them. Digit fonts come from the 'DIGF' chunk of the data
// pack; the same pack's 'FONT' chunk holds the game's five text fonts.

namespace kis {
class BaseDataFile;
}

constexpr uint32_t kFontChunkCount = 5;

constexpr int32_t kDigitImages = 11; // 0-9 and the minus sign
constexpr int32_t kMinusImage = 10;
constexpr uint32_t kDigitalFontHeaderSize = 72;
constexpr uint32_t kDigitalFontModeSize = 16;
// Flag of a digit-font record: a texture entry follows the modes.
constexpr uint32_t kDigitalFontHasTexture = 1;

// A digit-font record's fixed part, as stored (little-endian).
struct DigitalFontHeader {
    uint32_t headerSize; // 72
    uint32_t flags;
    uint32_t id;
    int32_t widths[kDigitImages];
    int32_t gap;
    uint32_t hasMinus; // only the low byte counts
    uint32_t modeCount;
    uint32_t modeBytes; // modeCount x 16
};
static_assert(sizeof(DigitalFontHeader) == 72);

// One row of digit images.
struct DIGITALFONTMODE {
    int32_t x;
    int32_t y;
    int32_t height;
    int32_t step;                     // pixels between two digit images in the texture
    TexturedQuad quads[kDigitImages]; // each at (0, 0)
};

class DigitalFont {
  public:
    // Textures are looked up in the collection.
    explicit DigitalFont(DXLTextures* collection);
    ~DigitalFont();
    DigitalFont(const DigitalFont&) = delete;
    DigitalFont& operator=(const DigitalFont&) = delete;

    // Reads one record at the reader's position in its open chunk; every
    // count is held against the bytes the chunk has left. True on success.
    bool Load(kis::BaseDataFile* reader);
    // Builds every mode's quads again (after the textures were re-created).
    void RebuildModes();
    void Clear();

    DXLTexture* GetTexture() const { return texture_; }
    DXLTextures* GetCollection() const { return collection_; }
    uint32_t GetId() const { return id_; }
    int32_t GetWidth(int32_t image) const { return image >= 0 && image < kDigitImages ? widths_[image] : 0; }
    int32_t GetGap() const { return gap_; }
    bool HasMinus() const { return hasMinus_ != 0; }
    int32_t ModeCount() const { return modes_.Count(); }
    const DIGITALFONTMODE* GetMode(int32_t index) const { return modes_.Get(index); }

  private:
    void BuildMode(DIGITALFONTMODE* mode) const;

    DXLTextures* collection_;
    DXLTexture* texture_ = nullptr;
    uint32_t id_ = 0;
    int32_t widths_[kDigitImages] = {};
    kis::list<DIGITALFONTMODE> modes_; // owned
    int32_t gap_ = 0;
    uint8_t hasMinus_ = 0;
};

class DigitalText {
  public:
    // The capacity is the largest number of digits shown; it is held to the
    // 11 places of the digit buffer.
    DigitalText(DigitalFont* font, int32_t mode, int32_t capacity, bool pad, int32_t spacing);
    virtual ~DigitalText();
    DigitalText(const DigitalText&) = delete;
    DigitalText& operator=(const DigitalText&) = delete;

    // Draws the number at (0, 0) under the viewer's transform.
    virtual void Draw();

    void SetValue(int32_t value);
    void Layout();
    void SetColor(uint32_t colour);

    int32_t GetValue() const { return value_; }
    int32_t GetCapacity() const { return capacity_; }
    int32_t GetDigitCount() const { return count_; }
    // The image of the i-th digit shown, from the left (kMinusImage for the sign).
    int32_t GetDigit(int32_t i) const { return i >= 0 && i < count_ ? digits_[count_ - 1 - i] : -1; }
    int32_t GetWidth() const { return width_; }
    int32_t GetHeight() const { return height_; }
    uint32_t GetColour() const { return colour_; }
    const TexturedQuad* GetQuads() const { return quads_.get(); }

  protected:
    DigitalFont* font_;
    int32_t mode_;
    int32_t value_ = 0;
    int32_t capacity_;
    int32_t count_ = 0;
    int32_t spacing_;
    bool pad_;
    std::unique_ptr<TexturedQuad[]> quads_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    uint32_t colour_ = 0xFFFFFFFFu;
    int32_t digits_[kDigitImages] = {}; // least significant first
};

// The game's digital text: drawn through the program's current texture.
class GameDigitalText final : public DigitalText {
  public:
    using DigitalText::DigitalText;
    void Draw() override;
};

// Writes the corners (x1, y1), (x2, y1), (x2, y2), (x1, y2); with repeatFirst
// a fifth vertex repeats the first (an outline); with zeroZ the z of every
// written vertex becomes 0.
void SetQuadRect(platform::TexturedVertex* vertices, float x1, float y1, float x2, float y2, bool repeatFirst,
                 bool zeroZ);

// Chunk loaders of the game-data protocol: called again while they return
// kLoaderCallAgain; on failure they finish with the state's error flag set,
// keeping what was loaded before.
// The digit fonts go to the list (which owns them), in chunk order; their
// textures are those of texture collection 1.
int32_t LoadDigitalFonts(kis::list<DigitalFont>* fonts, kis::BaseDataFile* reader, LoaderState* state);
// The five fonts go to the font slots 5 to 9 (GetFont), made on the viewer,
// each registered for markup and given its first user.
int32_t LoadFonts(DXLViewer* viewer, kis::BaseDataFile* reader, LoaderState* state);
// Deletes the fonts of the slots 5 to 9.
void FreeAppFonts();
