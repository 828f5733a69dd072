#pragma once
// The textures of the sprite libraries, read from the sprite pack (library
// 1's into texture collection 1). The digit fonts and the bitmap fonts of
// the data pack name their textures by entry headers and look them up in
// collection 1, so the sprite pack is read first.
//
// Chunk 'TEXS' (sub-id 1) of a library node of Sprites.dat, little-endian:
//   u32 count
//   per texture: the 76-byte "UmNT" entry header (flag 0, the texture's
//   name), u32 image width and u32 image height (1 to 4096 each), u32 byte
//   count, then the image file's bytes (any format the engine reads; the
//   content tool writes 32-bit Targa files with alpha).
// Each image becomes a texture of the collection with that name and that
// declared size, whose source is a pack loader (the sprite pack stays open
// for the whole run). It stays declared until its first use: a user that
// needs it loads it then, one that only needs its size reads the declared
// one. A picture whose size differs from the declared one does not load.

#include "engine/LoaderState.h"
#include "foundation/SpritePackIds.h"

#include <cstdint>
#include <vector>

class DXLTexture;
class DXLTextures;
namespace kis {
class BaseDataFile;
}

// The smallest record: the entry header, the size and the byte count.
constexpr uint32_t kSpriteTextureRecordMin = 88;
constexpr uint32_t kSpriteTextureMaxSide = 4096;

// At most this many records in one chunk (one sprite library's textures).
constexpr uint32_t kSpriteTextureLimit = 1024;

// A chunk loader of the game-data protocol (kLoaderFinished or
// kLoaderCallAgain) for the chunk of the reader's current node. A record
// that cannot be read, a size outside 1 to 4096, a name that is not a
// texture's, a count above the limit or bytes after the last record end the
// step with the error flag set; the textures read before it stay. The
// textures made are appended to `made` (when given) in record order: the
// sprite records name them by that index.
int32_t LoadSpriteTextures(DXLTextures* collection, kis::BaseDataFile* reader, LoaderState* state,
                           std::vector<DXLTexture*>* made = nullptr);

// Deletes the textures the loader made (from their collection) and their
// pack loaders. Runs before the sprite pack is closed.
void FreeSpriteTextures();
uint32_t SpriteTextureCount();
