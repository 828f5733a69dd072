#pragma once
// The sprite pack (Sprites.dat): its container type and the ids of its nodes
// and chunks. One library node ('SLIB', sub-id = library number) holds the
// library's texture, sprite, animation and particle-description chunks.

#include "foundation/FourCC.h"

#include <cstdint>

constexpr uint32_t kSpritePackTypeId = 0xE317A788;
constexpr uint32_t kSpritePackTypeVersion = 0xB90D20FA;
constexpr uint32_t kSpritePackDataVersion = 1;

constexpr uint32_t kSpriteLibraryNodeId = kis::FourCCHighFirst("SLIB");
constexpr uint32_t kPackTextureChunkId = kis::FourCCHighFirst("TEXS");
constexpr uint32_t kPackSpriteChunkId = kis::FourCCHighFirst("SPRS");
constexpr uint32_t kPackAnimationChunkId = kis::FourCCHighFirst("ANIS");
constexpr uint32_t kPackParticleChunkId = kis::FourCCHighFirst("GPSD");
constexpr uint32_t kPackChunkSubId = 1;

static_assert(kSpriteLibraryNodeId == 0x534C4942);
static_assert(kPackTextureChunkId == 0x54455853);
static_assert(kPackSpriteChunkId == 0x53505253);
static_assert(kPackAnimationChunkId == 0x414E4953);
static_assert(kPackParticleChunkId == 0x47505344);
