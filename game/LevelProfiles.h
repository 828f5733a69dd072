#pragma once
// The running level's side of the current profile: its saved games (the
// level save stream's bytes, kept in the profile's 'SAVE' chunk), its regime,
// its chosen bonuses and its results. Without a current profile nothing is
// kept and the level plays the easy regime.

#include <cstdint>
#include <optional>
#include <vector>

uint32_t LevelProfileRegime();
// The slots of the bonuses the profile owns (bit s = slot s).
uint32_t LevelProfileBonusSlots();
// The saved game of a level in the profile's regime, if any.
std::optional<std::vector<uint8_t>> LevelProfileSavedGame(uint32_t levelIndex);
// Keeps a saved game in the profile and writes the profile file; false when
// there is no profile or the file could not be written.
bool LevelProfileStoreSavedGame(uint32_t levelIndex, std::vector<uint8_t> bytes);
void LevelProfileDeleteSavedGame(uint32_t levelIndex);
// A won level's result (its level time) stored in the profile.
void LevelProfileStoreResult(uint32_t levelIndex, uint32_t levelTimeMs);
