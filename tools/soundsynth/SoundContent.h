#pragma once
// The sound pack's content made from the recipes: every effect as a wave
// file sample (looping as its recipe says), every tune as an Ogg Vorbis
// music track and the event-sound table by slot.

#include "engine/SoundPackWriter.h"
#include "tools/soundsynth/Recipes.h"

#include <string>

namespace soundsynth {

// The Vorbis quality of the music tracks.
constexpr float kMusicQuality = 0.3f;

bool MakeSoundPackContent(const Recipes& recipes, SoundPackContent* content, std::string* error);
// Reads the recipes of the folder (content/sound) first.
bool MakeSoundPackContent(const std::string& folder, SoundPackContent* content, std::string* error);

} // namespace soundsynth
