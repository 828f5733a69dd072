#pragma once
// The running level's side of the current profile: its saved games (the
// level save stream's bytes, kept in the profile's 'SAVE' chunk), its regime,
// its chosen bonuses and its results. Without a current profile nothing is
// kept and the level plays the easy regime.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

uint32_t LevelProfileRegime();
// The slots of the bonuses the profile takes into a level (bit s = slot s):
// the chosen ones it owns; with at most three owned and none chosen, every
// owned one (there is nothing to choose between then).
uint32_t LevelProfileBonusSlots();
// The saved game of a level in the profile's regime, if any.
std::optional<std::vector<uint8_t>> LevelProfileSavedGame(uint32_t levelIndex);
// Keeps a saved game in the profile and writes the profile file; false when
// there is no profile or the file could not be written.
bool LevelProfileStoreSavedGame(uint32_t levelIndex, std::vector<uint8_t> bytes);
void LevelProfileDeleteSavedGame(uint32_t levelIndex);
// A saved game the level refused: its bytes are written beside the profile
// ("profile<N>.level<L>.refused", L counted from 1, replacing an older one)
// and the profile's copy is dropped, so the level starts afresh next time
// too. The file's name, or empty when it could not be written (the profile's
// copy is then kept).
std::u16string LevelProfileKeepRefusedSave(uint32_t levelIndex, const std::vector<uint8_t>& bytes);
// A won level's result (its level time) stored in the profile; the stored
// result (the 11 words of LevelResult) into out; false without a profile.
struct LevelResult;
bool LevelProfileStoreResult(uint32_t levelIndex, uint32_t levelTimeMs, LevelResult* out);

// The level windows' host over the level table and a profile: the level's
// title, its regime blocks, its sites to clear and whether the profile has
// its saved game, and saving the profiles. profile gives the profile at the
// time of each question (null: none); the caller adds what its windows do
// beyond that (leaving, restarting, choosing bonuses).
class Profile;
struct LevelWindowsHost;
LevelWindowsHost LevelTableWindowsHost(Profile* profile, std::function<const Profile*()> currentProfile);
// The icon of a bonus of the bonus table (null: none).
class Sprite;
Sprite* GameBonusIcon(int32_t bonus);
