#pragma once
// The sample comics: read from their readable source (content/comics.txt)
// and written as the 'COMX' chunk of the data pack.

#include "foundation/DataFile.h"

#include <string>

// Reads the source and writes the chunk. False, with the reason in error,
// when the source cannot be read, a line is not understood, or the pages
// break a rule of the game's loader.
bool WriteComixPages(kis::BaseDataFile& writer, const std::string& sourcePath, std::string* error);
