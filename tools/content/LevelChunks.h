#pragma once
// The sample game's character descriptions, level table and bonus table.

#include "foundation/DataFile.h"

#include <cstdint>
#include <vector>

class Bonuses;
class LevelTable;

std::vector<uint8_t> SampleCharacterChunk();
// Writes the character descriptions ('CHQR') into the open data pack.
bool WriteCharacterChunk(kis::BaseDataFile& writer);
// Writes the level table ('LVLS') and then the bonuses ('BONS'): the pack's
// order puts them after the farm tables.
bool WriteLevelTableAndBonuses(kis::BaseDataFile& writer, const LevelTable& levels, const Bonuses& bonuses);
