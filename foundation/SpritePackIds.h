#pragma once
// Ids of the sprite pack, Sprites.dat: its container type and its chunks. The
// chunks' contents are described where they are read (app/SpriteTextures.h).

#include "foundation/FourCC.h"

#include <cstdint>

constexpr uint32_t kSpritePackTypeId = 0xE317A788;
constexpr uint32_t kSpritePackTypeVersion = 0xB90D20FA;

// The textures of texture collection 1.
constexpr uint32_t kSpriteTextureChunkId = kis::FourCCHighFirst("TEXS");
constexpr uint32_t kSpriteTextureChunkSubId = 1;

static_assert(kSpriteTextureChunkId == 0x54455853);
