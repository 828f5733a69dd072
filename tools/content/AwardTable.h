#pragma once
// The sample award table: read from its readable source (content/awards.txt)
// and written as the award chunk of the data pack.

#include "foundation/DataFile.h"

#include <string>

// Reads the source and writes the chunk. False, with the reason in error,
// when the source cannot be read or breaks a rule of the table (the same
// rules the game's loader applies).
bool WriteAwardTable(kis::BaseDataFile& writer, const std::string& sourcePath, std::string* error);
