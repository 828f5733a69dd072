#include "tools/soundsynth/SoundContent.h"

#include "platform/Utf.h"
#include "tools/soundsynth/Encode.h"

namespace soundsynth {

bool MakeSoundPackContent(const Recipes& recipes, SoundPackContent* content, std::string* error) {
    const std::string why = CheckRecipes(recipes, kEventSoundCount);
    if (!why.empty()) return *error = why, false;
    for (const Effect& effect : recipes.effects)
        content->samples.push_back({platform::Utf8ToUtf16(effect.name),
                                    EncodeWav(ToPcm16(RenderEffect(effect)), kSampleRate), effect.loop});
    for (const Tune& tune : recipes.tunes) {
        const std::vector<float> samples = RenderTune(tune, recipes.instruments, error);
        if (samples.empty()) return false;
        std::vector<uint8_t> ogg = EncodeOggVorbis(samples, kSampleRate, kMusicQuality, error);
        if (ogg.empty()) return false;
        content->music.push_back({platform::Utf8ToUtf16(tune.name), std::move(ogg), false});
    }
    for (const auto& [slot, name] : recipes.events)
        content->eventSounds[size_t(slot)] = platform::Utf8ToUtf16(name);
    return true;
}

bool MakeSoundPackContent(const std::string& folder, SoundPackContent* content, std::string* error) {
    Recipes recipes;
    return ReadRecipeFolder(folder, &recipes, error) && MakeSoundPackContent(recipes, content, error);
}

} // namespace soundsynth
