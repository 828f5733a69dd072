#pragma once
// The sound recipes of content/sound in the text-data format (keys,
// "key = value" lines, "name {" ... "}" sections, "//" comment lines):
// "sound" sections are effects, "instrument" and "tune" sections make the
// music, and an "events" section names the sound of each event slot.
// docs/formats/sound-recipes.md describes every key.

#include "tools/soundsynth/Synth.h"

#include <string>
#include <utility>
#include <vector>

namespace soundsynth {

struct Recipes {
    std::vector<Effect> effects;
    std::vector<Instrument> instruments;
    std::vector<Tune> tunes;
    std::vector<std::pair<int, std::string>> events; // slot, effect name; in the order given
};

// Adds the recipes of one file; false with the file and the reason in error.
bool ReadRecipeFile(const std::string& path, Recipes* recipes, std::string* error);
// Reads every ".txt" file of the folder in name order.
bool ReadRecipeFolder(const std::string& folder, Recipes* recipes, std::string* error);
// Why the recipes cannot make a sound pack (names given twice, events naming
// no effect or a slot outside 0..slotCount-1, tunes naming no instrument), or
// an empty text.
std::string CheckRecipes(const Recipes& recipes, int slotCount);

const Effect* FindEffect(const Recipes& recipes, const std::string& name);
const Tune* FindTune(const Recipes& recipes, const std::string& name);

} // namespace soundsynth
