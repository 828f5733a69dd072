#pragma once
// The textures of texture collection 1, read from the sprite pack. The digit
// fonts and the bitmap fonts of the data pack name their textures by entry
// headers and look them up in collection 1, so its textures are read first.
//
// Chunk 'TEXS' (sub-id 1) of Sprites.dat, little-endian:
//   u32 count
//   per texture: the 76-byte "UmNT" entry header (flag 0, the texture's
//   name), u32 byte count, then the image file's bytes (any format the
//   engine reads; the content tool writes 32-bit Targa files with alpha).
// Each image becomes a texture of the collection with that name, whose
// source is a pack loader (the sprite pack stays open for the whole run).
// It is loaded at once: the fonts take their quads from its size when they
// are read.

#include "engine/LoaderState.h"
#include "foundation/SpritePackIds.h"

#include <cstdint>

class DXLTextures;
namespace kis {
class BaseDataFile;
}

// The smallest record: the entry header and the byte count.
constexpr uint32_t kSpriteTextureRecordMin = 80;

// A chunk loader of the game-data protocol (kLoaderFinished or
// kLoaderCallAgain). A record that cannot be read, an image that does not
// load or a name that is not a texture's ends the step with the error flag
// set; the textures read before it stay.
int32_t LoadSpriteTextures(DXLTextures* collection, kis::BaseDataFile* reader, LoaderState* state);

// Deletes the textures the loader made (from their collection) and their
// pack loaders. Runs before the sprite pack is closed.
void FreeSpriteTextures();
uint32_t SpriteTextureCount();
