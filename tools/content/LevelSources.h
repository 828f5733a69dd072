#pragma once
// The sample level table's readable source (content/levels/levels.txt) in the
// text-data format, read into the level table of the 'LVLS' chunk. The keys
// are described at the top of the file.

#include "level/LevelTable.h"

#include <string>

class Bonuses;

// Reads the file's levels into the table, each replacing the table's level
// of its index, and checks the whole table as the game would (its own bytes:
// the other tables are checked when the game loads); false with the file and
// the reason in error, the table unchanged. A level names the bonus a win
// gives by its name in the bonus table.
bool ReadLevelSources(const std::string& path, const Bonuses& bonuses, LevelTable* table, std::string* error);
