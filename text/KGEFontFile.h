#pragma once
#include "foundation/TextDataDocument.h"
#include "text/KGEBitmapFont.h"
#include "text/KGEWinFont.h"

// Font streams and font descriptions.
//
// A font stream is written into a chunk of a data file: the class magic (two
// little-endian words), a fixed header whose word 0 is its size and word 1 the
// CRC-32 of the rest of the header, then the arrays, each with its byte size
// and CRC-32 in the header.
//   WinFont:    magic kWinFontMagic, 164-byte header, the characters
//               (UTF-16, one per glyph). The glyphs are rasterised again on load.
//   BitmapFont: magic kBitmapFontMagic, 88-byte header, the image records
//               (16 bytes), the grid record (44 bytes, when present), the
//               glyph records (32 bytes) and the kerning pairs (8 bytes). The
//               texture is kept beside the stream and handed to the loader.
// A font description is a section of a text-data document that names an
// image file and the areas of its glyphs.

namespace kis {
class BaseDataFile;
}

constexpr uint32_t kWinFontHeaderSize = 164;
constexpr uint32_t kBitmapFontHeaderSize = 88;

// Writes the font's stream into the open chunk; 0x80004005 for a null writer
// or font, or when a write fails.
HResult KGEWriteFont(kis::BaseDataFile* writer, KGEFont* font);

// Read a stream from the open chunk. 0 and the font, or the error with null
// (0x80004005 for a null reader, a wrong magic, a wrong size, a bad CRC-32 or
// a short read).
HResult KGELoadWinFont(DXLViewer* viewer, kis::BaseDataFile* reader, KGEWinFont** out);
// The texture becomes the font's; the font does not own it.
HResult KGELoadBitmapFont(DXLViewer* viewer, DXLTexture* texture, kis::BaseDataFile* reader,
                          KGEBitmapFont** out);

// Reads the description at the document's current section. Without loadImage
// the caller's texture is used; with it the texture the description names is
// given back through texture.
HResult KGECreateBitmapFont(DXLViewer* viewer, DXLTexture** texture, DXLTextures* collection, bool loadImage,
                            kis::TDRDocument* document, KGEBitmapFont** out);
// Loads the document (entering the section when one is named) and reads the
// description; 0x89C50073 when the file or the section cannot be read.
HResult KGELoadBitmapFontDesc(DXLViewer* viewer, DXLTexture** texture, DXLTextures* collection,
                              bool loadImage, const char16_t* fileName, const char16_t* section,
                              KGEBitmapFont** out);

// Writes the font's description (WriteDescription) as a UTF-16 text file, a
// document whose root holds the description; 0x80004005 on any failure.
HResult KGESaveBitmapFontDesc(const KGEBitmapFont* font, const char16_t* fileName);

// The charset of a description keyword ("ansi", "russian", ...; any case);
// false when the text is no keyword.
bool CharsetFromKeyword(const char16_t* keyword, uint32_t* charset);
