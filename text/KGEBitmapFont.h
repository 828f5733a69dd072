#pragma once
#include "foundation/TextDataDocument.h"
#include "text/KGEFont.h"

#include <memory>
#include <string>

// Where the images of a bitmap font lie: explicit (x, y, width) triples, or a
// grid of equal-height areas with one width for all or one per image.
struct KGEImageDescription {
    uint32_t flags; // kGridOn, kGridWidthList, kGridSkip, kGridBorders, kGridRect
    uint32_t imageCount;
    int32_t cellHeight;
    const int32_t* list; // triples, per-image widths, or the one width
    int32_t skipX;
    int32_t skipY;
    kis::Rect rect;
    kis::Rect borders;
};

// A font whose glyphs are areas of an image file.
class KGEBitmapFont : public KGEFont {
  public:
    explicit KGEBitmapFont(DXLViewer* viewer);
    ~KGEBitmapFont() override;

    HResult Restore() override;
    void Invalidate() override;
    HResult WriteBinary(kis::BaseDataFile* writer) override;
    HResult OnReset() override;

    HResult SetImages(const KGEImageDescription* desc);
    // The texture of the glyph images; an owned one is deleted with the font.
    void SetTexture(DXLTexture* texture, bool owned);
    bool OwnsTexture() const { return ownsTexture_; }
    const KGEGridRecord* GetGrid() const { return grid_.get(); }

    // Reads the body of a font stream (after the class magic).
    HResult ReadBinary(kis::BaseDataFile* reader);
    // Reads a font description at the document's current section. When the
    // image is needed (loadImage, or a collection given) its texture is found
    // in or made for the collection, or made on the viewer and owned.
    HResult ReadDescription(kis::TDRDocument* document, DXLTextures* collection, bool loadImage);
    // Appends the font as a description: the "glyphs" section (image by the
    // texture's name, explicit areas or the grid), then the characters,
    // metrics, glyph lists, kerning, tracking, leading and colour. Reading it
    // back gives the same font. 0x80004005 for a font without images or glyphs.
    HResult WriteDescription(std::u16string& out) const;

  private:
    std::unique_ptr<KGEGridRecord> grid_;
    bool ownsTexture_ = false;
};
