#pragma once
// The sample game's level table ('LVLS': every level of the map from one
// template, each on its own cell) and level-select map ('MAPM').

#include "foundation/DataFile.h"

#include <cstdint>
#include <vector>

std::vector<uint8_t> SampleLevelTableChunk();
std::vector<uint8_t> SampleMapChunk();
// Writes both chunks into the open data pack.
bool WriteMapChunks(kis::BaseDataFile& writer);
