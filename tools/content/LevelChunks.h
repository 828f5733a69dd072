#pragma once
// The sample game's character descriptions and bonus table.

#include "foundation/DataFile.h"

#include <cstdint>
#include <vector>

std::vector<uint8_t> SampleCharacterChunk();
std::vector<uint8_t> SampleBonusChunk();
// Writes both chunks into the open data pack.
bool WriteLevelChunks(kis::BaseDataFile& writer);
