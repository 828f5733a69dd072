#pragma once
// Ids of the settings file config.dat: its container type and its chunks. The
// records are described where they are read (app/Config.h).

#include <cstdint>

constexpr uint32_t kConfigTypeId = 0x73DA7BBB;
constexpr uint32_t kConfigTypeVersion = 0xC04F19F1;
constexpr uint32_t kConfigDataVersion = 1;
// The 28-byte screen-parameter record.
constexpr uint32_t kConfigScreenChunk = 0xF1E2D3C4;
// The 16-byte sound-settings record.
constexpr uint32_t kConfigSoundChunk = 0x5004D1DF;
constexpr uint32_t kConfigChunkSubId = 1;
