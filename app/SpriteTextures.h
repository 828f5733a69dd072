#pragma once
// The textures of texture collection 1, read from the sprite pack. The digit
// fonts and the bitmap fonts of the data pack name their textures by entry
// headers and look them up in collection 1, so its textures are read first.
//
// Chunk 'TEXS' (sub-id 1) of Sprites.dat, little-endian:
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

#include <cstdint>

class DXLTextures;
namespace kis {
class BaseDataFile;
}

constexpr uint32_t kSpriteTextureChunkId = 0x54455853; // 'TEXS'
constexpr uint32_t kSpriteTextureChunkSubId = 1;
// The smallest record: the entry header, the size and the byte count.
constexpr uint32_t kSpriteTextureRecordMin = 88;
constexpr uint32_t kSpriteTextureMaxSide = 4096;

// A chunk loader of the game-data protocol (kLoaderFinished or
// kLoaderCallAgain). A record that cannot be read, a size outside 1 to 4096
// or a name that is not a texture's ends the step with the error flag set;
// the textures read before it stay.
int32_t LoadSpriteTextures(DXLTextures* collection, kis::BaseDataFile* reader, LoaderState* state);

// Deletes the textures the loader made (from their collection) and their
// pack loaders. Runs before the sprite pack is closed.
void FreeSpriteTextures();
uint32_t SpriteTextureCount();
