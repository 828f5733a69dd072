#pragma once
// The sample game's character descriptions, level table and bonus table.

#include "foundation/DataFile.h"

#include <cstdint>
#include <string_view>
#include <vector>

std::vector<uint8_t> SampleCharacterChunk();
std::vector<uint8_t> SampleBonusChunk();
// The index of the sample bonus of that name ("bonus_bees" ... "bonus_gears"),
// -1 when no bonus has it.
int32_t SampleBonusIndex(std::string_view name);
class LevelTable;

// Writes the character descriptions ('CHQR') into the open data pack.
bool WriteCharacterChunk(kis::BaseDataFile& writer);
// Writes the level table ('LVLS') and then the bonuses ('BONS'): the pack's
// order puts them after the farm tables.
bool WriteLevelTableAndBonuses(kis::BaseDataFile& writer, const LevelTable& levels);
