#pragma once
// The farm tables' readable sources (content/farm): products.txt,
// plants.txt, buildings.txt and villains.txt in the text-data format, read
// into the records of the 'PROD', 'PLNT', 'BLDN' and 'VLNS' chunks, and
// bonuses.txt, read into the bonus table ('BONS'). The keys are described at
// the top of each file.

#include "farm/FarmChunks.h"

#include <string>

class Bonuses;

// Reads the four files of the folder and checks the tables as the game
// would; false with the file and the reason in error.
bool ReadFarmSources(const std::string& folder, FarmTablesSource* tables, std::string* error);
// Reads the folder's bonuses.txt into the table and checks it as the game
// would; false with the file and the reason in error, the table unchanged.
bool ReadBonusSource(const std::string& folder, Bonuses* table, std::string* error);
