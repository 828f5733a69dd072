#pragma once
// Ids of the data pack, Data.dat: its container type and its chunks. The
// chunks' contents are described where they are read (text/DigitalText.h).

#include "foundation/FourCC.h"

#include <cstdint>

constexpr uint32_t kDataPackTypeId = 0xBAE13676;
constexpr uint32_t kDataPackTypeVersion = 0x74BFFE7D;
// The data version of the data pack and the sprite pack.
constexpr uint32_t kPackDataVersion = 1;

// The digit fonts.
constexpr uint32_t kDigitalFontChunkId = kis::FourCCHighFirst("DIGF");
constexpr uint32_t kDigitalFontChunkSubId = 2;
// The game's five text fonts.
constexpr uint32_t kFontChunkId = kis::FourCCHighFirst("FONT");
constexpr uint32_t kFontChunkSubId = 1;

static_assert(kDigitalFontChunkId == 0x44494746 && kFontChunkId == 0x464F4E54);
