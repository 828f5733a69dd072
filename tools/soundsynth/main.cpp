// soundsynth: renders the sound recipes of a folder into files to listen to.
//
//   soundsynth <recipe folder> <output folder>
//
// Writes <name>.wav for every sound and <name>.ogg for every tune, and lists
// each with its length. The content tool puts the same renderings into the
// sound pack.

#include "platform/Files.h"
#include "tools/soundsynth/Encode.h"
#include "tools/soundsynth/Recipes.h"
#include "tools/soundsynth/SoundContent.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: soundsynth RECIPE_FOLDER OUTPUT_FOLDER\n");
        return 2;
    }
    const std::string folder = argv[2];
    soundsynth::Recipes recipes;
    std::string error;
    if (!soundsynth::ReadRecipeFolder(argv[1], &recipes, &error) ||
        !(error = soundsynth::CheckRecipes(recipes, 256)).empty()) {
        std::fprintf(stderr, "soundsynth: %s\n", error.c_str());
        return 1;
    }
    if (!platform::CreateFolder(platform::GamePath(folder))) {
        std::fprintf(stderr, "soundsynth: cannot make %s\n", folder.c_str());
        return 1;
    }
    for (const soundsynth::Effect& effect : recipes.effects) {
        const std::vector<float> samples = soundsynth::RenderEffect(effect);
        if (!WriteFile(folder + "/" + effect.name + ".wav",
                       soundsynth::EncodeWav(soundsynth::ToPcm16(samples), soundsynth::kSampleRate))) {
            std::fprintf(stderr, "soundsynth: cannot write %s.wav\n", effect.name.c_str());
            return 1;
        }
        std::printf("%-24s %6.3f s%s\n", effect.name.c_str(),
                    double(samples.size()) / soundsynth::kSampleRate, effect.loop ? ", loops" : "");
    }
    for (const soundsynth::Tune& tune : recipes.tunes) {
        const std::vector<float> samples = soundsynth::RenderTune(tune, recipes.instruments, &error);
        const std::vector<uint8_t> ogg = samples.empty()
                                             ? std::vector<uint8_t>()
                                             : soundsynth::EncodeOggVorbis(samples, soundsynth::kSampleRate,
                                                                           soundsynth::kMusicQuality, &error);
        if (ogg.empty() || !WriteFile(folder + "/" + tune.name + ".ogg", ogg)) {
            std::fprintf(stderr, "soundsynth: %s: %s\n", tune.name.c_str(), error.c_str());
            return 1;
        }
        std::printf("%-24s %6.3f s, %zu bytes\n", tune.name.c_str(),
                    double(samples.size()) / soundsynth::kSampleRate, ogg.size());
    }
    return 0;
}
