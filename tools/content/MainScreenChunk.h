#pragma once
// The sample main screen's scene: the 'MNSC' chunk of the data pack.

#include "foundation/DataFile.h"

bool WriteMainScreenChunk(kis::BaseDataFile& writer);
