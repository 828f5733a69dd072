#pragma once
// The level's game data from the data pack: the character descriptions
// ('CHQR') and the bonus table ('BONS'), read once while the game data loads
// and kept for the whole run, with the makers of the farm's points and the
// loaders of the farmer's saved jobs that the farm code registers.
//
// The program owns one LevelGameData and makes it the game's for as long as
// it lives; the loading stages and the level code reach it through
// GetLevelGameData().
//
// The program registers the two loading stages with the shell in the pack's
// order ('CHQR' after the fonts, 'BONS' after the level table).

#include "app/GameDataLoader.h"
#include "level/Bonuses.h"
#include "level/GameCharacter.h"
#include "level/Job.h"

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

class BaseLevelPoint;
struct PointRecord;

struct LevelGameData {
    std::vector<std::unique_ptr<GameCharacter>> characters;
    Bonuses bonuses;
    // The makers of the farm's points by kind (PointKind, see GameLevel::CreatePoint).
    std::array<std::function<std::unique_ptr<BaseLevelPoint>(uint32_t, const PointRecord&)>, 4> pointMakers;
    // The farmer's job loaders by JOBID (SetPlayerJobLoader).
    std::map<uint32_t, PlayerJobLoader> jobLoaders;
};

// The game's level data; null while none is set. The owner sets it and
// clears it before the data goes. Empty until the stages have run.
LevelGameData* GetLevelGameData();
void SetLevelGameData(LevelGameData* data);
// Drops the loaded characters and bonuses (the registrations stay).
void FreeLevelGameData();
// What the level code reads of it: the loaded characters and bonus table,
// both empty (nothing loaded) while no level data is set.
std::span<const std::unique_ptr<GameCharacter>> GameCharacters();
const Bonuses& GameBonuses();

// The stages for RegisterGameDataStage.
GameDataStage CharactersStage();
GameDataStage BonusesStage();

// Reads a whole chunk of at most maxSize bytes from the reader (the stages'
// common first step); false for a missing or larger chunk or a read fault.
bool ReadWholeChunk(kis::DataFileReaderW* reader, uint32_t id, uint32_t subId, size_t maxSize,
                    std::vector<uint8_t>* out);
