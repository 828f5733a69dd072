#pragma once
// The running level's side of the current profile: its saved games (the
// level save stream's bytes, kept in the profile's 'SAVE' chunk), its regime,
// its chosen bonuses and its results. Without a current profile nothing is
// kept and the level plays the easy regime.

#include <cstdint>
#include <functional>
#include <memory>
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
// as a new file ("profile<N>.level<L>.refused", L counted from 1, or
// .refused2, .refused3 ... beside the ones kept before, never over one of
// them) and the profile's copy is dropped, so the level starts afresh next time
// too. The file's name, or empty when it could not be written (the profile's
// copy is then kept).
std::u16string LevelProfileKeepRefusedSave(uint32_t levelIndex, const std::vector<uint8_t>& bytes);
// A won level's result (its level time) stored in the profile; the stored
// result (the 11 words of LevelResult) into out; false without a profile.
struct LevelResult;
bool LevelProfileStoreResult(uint32_t levelIndex, uint32_t levelTimeMs, LevelResult* out);

// The level windows' host of the program, one for the map's level window
// and the level's own windows: the level's title, its regime blocks, its
// sites to clear and whether the profile has its saved game, the bonus and
// goal pictures, saving the profiles, and the bonuses window on the edit
// given (kept as long as a copy of the host is). profile gives the current
// profile (null: none) when the host is made and at each question;
// leaveLevel is the level's leaving, empty over the map.
class Profile;
class ProgramBonusEdit;
struct LevelWindowsHost;
template <class Signature> struct OptionalHook;
LevelWindowsHost ProgramLevelWindowsHost(std::function<Profile*()> profile,
                                         std::shared_ptr<ProgramBonusEdit> bonuses,
                                         OptionalHook<void()> leaveLevel);
// The icon of a bonus of the bonus table (null: none).
class Sprite;
Sprite* GameBonusIcon(int32_t bonus);
