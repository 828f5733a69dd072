#pragma once
// The four farm chunks as a whole: written from records (the content tool,
// tests) and checked as the loaders check them, plus what only the whole
// set shows (ingredient cycles, the warehouse type). The formats are in
// docs/formats/farm-data.md.

#include "farm/FarmRecords.h"
#include "foundation/DataFile.h"

#include <string>
#include <vector>

struct BuildingTypeSource {
    BuildingHeader header;
    BuildingLevelRecord levels[kMaxBuildingLevels]; // the first header.levelCount are written
};

struct FarmTablesSource {
    std::vector<ProductRecord> products;
    PlantSettings plantSettings = {};
    std::vector<GameBedsRecord> bedSets;
    std::vector<PlantRecord> plants;
    std::vector<BuildingTypeSource> buildings;
    std::vector<VillainInfoRecord> villains;
};

// What the game would refuse in the tables, or what would make a product
// unavailable for good (a product that needs itself through its
// ingredients); empty when the tables are sound.
std::string CheckFarmTables(const FarmTablesSource& tables);

// The chunk bytes as the loaders read them (after the chunk's start).
std::vector<uint8_t> ProductChunkBytes(const FarmTablesSource& tables);
std::vector<uint8_t> PlantChunkBytes(const FarmTablesSource& tables);
std::vector<uint8_t> BuildingChunkBytes(const FarmTablesSource& tables);
std::vector<uint8_t> VillainChunkBytes(const FarmTablesSource& tables);

// Writes 'PROD', 'PLNT', 'BLDN' and 'VLNS' in that order.
bool WriteFarmChunks(kis::BaseDataFile& writer, const FarmTablesSource& tables);
