#pragma once
// Ids of the sound pack, Sounds.dat: its container type and its chunks. The
// chunks' contents are described where they are read (engine/SoundPack.h).

#include "foundation/FourCC.h"

#include <cstdint>

constexpr uint32_t kSoundPackTypeId = 0xDF17EFA2;
constexpr uint32_t kSoundPackTypeVersion = 0x6A3E5084;
constexpr uint32_t kSoundPackDataVersion = 1;

// The sound effects and the table of event sounds.
constexpr uint32_t kSampleChunkId = kis::FourCCHighFirst("SAMP");
constexpr uint32_t kSampleChunkSubId = 282;
// The music tracks.
constexpr uint32_t kMusicChunkId = kis::FourCCHighFirst("MUSC");
constexpr uint32_t kMusicChunkSubId = 1;

static_assert(kSampleChunkId == 0x53414D50 && kMusicChunkId == 0x4D555343);
