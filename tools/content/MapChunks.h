#pragma once
// The sample game's level table ('LVLS': every level of the map from one
// template, each on its own cell; the content tool puts the scenario levels
// of content/levels in their places) and level-select map ('MAPM').

#include "foundation/DataFile.h"

#include <cstdint>
#include <vector>

std::vector<uint8_t> SampleLevelTableChunk();
std::vector<uint8_t> SampleMapChunk();
// Writes the map chunk into the open data pack (the level table goes with
// the level's chunks, before the bonuses).
bool WriteMapChunks(kis::BaseDataFile& writer);
