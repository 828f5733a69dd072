// The game's own sounds: every recipe of content/sound renders cleanly, the
// event sounds differ from each other, the built sound pack holds every
// sound and track the game names and plays them, and the running program
// starts the main screen's and the level's music.
#include "engine/SoundManager.h"
#include "farm/FarmHost.h"
#include "farm/VillainHost.h"
#include "foundation/ByteOrder.h"
#include "frontend/Comix.h"
#include "level/Bonuses.h"
#include "level/LevelTable.h"
#include "levelui/LevelPanel.h"
#include "levelui/WarehouseWindow.h"
#include "platform/AudioDecoder.h"
#include "platform/Utf.h"
#include "platform/headless/NullAudioDevice.h"
#include "tests/game/ProgramTest.h"
#include "tests/support/DataChunks.h"
#include "tests/support/Pattern.h"
#include "tools/soundsynth/Recipes.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <set>

using namespace programtest;

using namespace soundsynth;

namespace {

Recipes GameRecipes() {
    Recipes recipes;
    std::string error;
    EXPECT_TRUE(ReadRecipeFolder(VB_CONTENT_DIR "/sound", &recipes, &error)) << error;
    EXPECT_EQ(CheckRecipes(recipes, kEventSoundCount), "");
    return recipes;
}

float Loudest(const std::vector<float>& x) {
    float peak = 0.0f;
    for (float v : x)
        peak = std::max(peak, std::fabs(v));
    return peak;
}

float LargestStep(const std::vector<float>& x) {
    float step = 0.0f;
    for (size_t i = 1; i < x.size(); ++i)
        step = std::max(step, std::fabs(x[i] - x[i - 1]));
    return step;
}

// What an ear tells apart quickly: the length, how often the wave crosses
// zero (its brightness) and how the loudness runs over ten stretches.
struct Signature {
    double seconds = 0.0;
    double crossingsPerSecond = 0.0;
    std::vector<double> loudness;
};

Signature Sign(const std::vector<float>& x) {
    Signature s;
    s.seconds = double(x.size()) / kSampleRate;
    int crossings = 0;
    for (size_t i = 1; i < x.size(); ++i)
        if ((x[i - 1] < 0.0f) != (x[i] < 0.0f)) ++crossings;
    s.crossingsPerSecond = crossings / s.seconds;
    for (size_t part = 0; part < 10; ++part) {
        const size_t a = x.size() * part / 10, b = x.size() * (part + 1) / 10;
        double sum = 0.0;
        for (size_t i = a; i < b; ++i)
            sum += double(x[i]) * x[i];
        s.loudness.push_back(std::sqrt(sum / double(std::max<size_t>(b - a, 1))));
    }
    return s;
}

bool Alike(const Signature& a, const Signature& b) {
    if (std::fabs(a.seconds - b.seconds) > 0.05) return false;
    if (std::fabs(a.crossingsPerSecond - b.crossingsPerSecond) >
        0.15 * std::max(a.crossingsPerSecond, b.crossingsPerSecond))
        return false;
    double dot = 0.0, na = 0.0, nb = 0.0;
    for (size_t i = 0; i < a.loudness.size(); ++i) {
        dot += a.loudness[i] * b.loudness[i];
        na += a.loudness[i] * a.loudness[i];
        nb += b.loudness[i] * b.loudness[i];
    }
    return dot / std::sqrt(na * nb) > 0.95;
}

// The values of "key = value" lines of a text file.
std::vector<std::string> KeyValues(const std::string& path, const std::string& key) {
    std::ifstream in(path);
    EXPECT_TRUE(in) << path;
    std::vector<std::string> values;
    const testsupport::Pattern line("^\\s*" + key + "\\s*=\\s*(\\S+)\\s*$");
    std::vector<std::string> match;
    for (std::string text; std::getline(in, text);)
        if (line.Matches(text, &match)) values.push_back(match[1]);
    return values;
}

std::string Chunk(const std::string& pack, const testsupport::DataFileKind& kind, uint32_t id) {
    for (const testsupport::DataChunk& chunk : testsupport::ReadDataChunks(pack, kind))
        if (chunk.id == id) return chunk.bytes;
    return {};
}

std::span<const uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

} // namespace

TEST(GameSounds, EveryRecipeRendersCleanly) {
    const Recipes recipes = GameRecipes();
    ASSERT_GE(recipes.effects.size(), 20u);
    for (const Effect& effect : recipes.effects) {
        const std::vector<float> x = RenderEffect(effect);
        ASSERT_FALSE(x.empty()) << effect.name;
        EXPECT_LE(x.size(), size_t(2 * kSampleRate)) << effect.name << ": effects stay short";
        EXPECT_NEAR(Loudest(x), effect.peak, 1e-4) << effect.name;
        if (effect.loop) {
            EXPECT_LE(std::fabs(x.back() - x.front()), LargestStep(x)) << effect.name << ": the loop's seam";
        } else {
            // A one-shot starts and ends at rest, so it does not click.
            EXPECT_LT(std::fabs(x.front()), 0.02f) << effect.name;
            EXPECT_LT(std::fabs(x.back()), 0.02f) << effect.name;
        }
    }
    ASSERT_GE(recipes.tunes.size(), 4u);
    for (const Tune& tune : recipes.tunes) {
        std::string error;
        const std::vector<float> x = RenderTune(tune, recipes.instruments, &error);
        ASSERT_FALSE(x.empty()) << tune.name << ": " << error;
        EXPECT_GE(x.size(), size_t(10 * kSampleRate)) << tune.name;
        EXPECT_LE(x.size(), size_t(60 * kSampleRate)) << tune.name;
        EXPECT_NEAR(Loudest(x), tune.peak, 1e-4) << tune.name;
        EXPECT_LE(std::fabs(x.back() - x.front()), LargestStep(x)) << tune.name << ": the loop's seam";
    }
}

TEST(GameSounds, TheEventSoundsAreDistinct) {
    const Recipes recipes = GameRecipes();
    std::vector<std::pair<std::string, Signature>> signed_;
    std::set<std::string> names;
    for (const auto& [slot, name] : recipes.events) {
        EXPECT_TRUE(names.insert(name).second) << "slot " << slot << " shares " << name;
        const Effect* effect = FindEffect(recipes, name);
        ASSERT_NE(effect, nullptr) << name;
        signed_.emplace_back(name, Sign(RenderEffect(*effect)));
    }
    // The farm's and the villains' named sounds differ from them too.
    for (const char* name : {"click", "award", "villain_arrive", "henhouse_work", "cowshed_work",
                             "sheep_rack_work", "bakery_work", "bonus_bees", "bonus_rain", "bonus_fast"}) {
        const Effect* effect = FindEffect(recipes, name);
        ASSERT_NE(effect, nullptr) << name;
        signed_.emplace_back(name, Sign(RenderEffect(*effect)));
    }
    for (size_t i = 0; i < signed_.size(); ++i)
        for (size_t j = i + 1; j < signed_.size(); ++j)
            EXPECT_FALSE(Alike(signed_[i].second, signed_[j].second))
                << signed_[i].first << " sounds like " << signed_[j].first;
}

TEST(GameSounds, TheBuiltPackHoldsAndPlaysEverySoundTheGameNames) {
    const std::string data = VB_GAME_DATA;
    platform::NullAudioDevice device;
    device.SetCapture(true);
    SoundManager sound;
    sound.SetOutputDevice(&device);
    sound.Init();
    ASSERT_TRUE(sound.HasSound());
    sound.SetVolume(kSoundMusic, 100.0f);
    sound.SetVolume(kSoundEffects, 100.0f);
    {
        const std::u16string pack = platform::Utf8ToUtf16(data + "/Sounds.dat");
        kis::DataFileReaderPtr reader(kis::OpenDataFileForRead(pack.c_str(), kSoundPackTypeId,
                                                               kSoundPackTypeVersion, kSoundPackDataVersion));
        ASSERT_TRUE(reader);
        LoaderState music{}, samples{};
        while (sound.LoadMusic(reader.get(), &music) == kLoaderCallAgain) {
        }
        while (sound.LoadSamples(reader.get(), &samples) == kLoaderCallAgain) {
        }
        ASSERT_EQ(music.error, 0);
        ASSERT_EQ(samples.error, 0);
    }

    // Every event slot the recipes name, and each slot the game plays.
    const Recipes recipes = GameRecipes();
    for (const auto& [slot, name] : recipes.events)
        EXPECT_EQ(sound.GetEventSound(slot), sound.FindSample(platform::Utf8ToUtf16(name).c_str())) << name;
    const struct {
        const char* use;
        uint32_t slot;
    } played[] = {
        {"time warning", kEventSoundTimeWarning},
        {"sale", kWarehouseSaleSound},
        {"production start", kProductionStartSound},
        {"villain hit", kSoundVillainHit},
        {"villain driven off", kSoundVillainDrivenOff},
        {"villain shoots", kSoundVillainShoots},
        {"comic page", uint32_t(kComixPageSound)},
        {"shot clicked", kSoundShotClicked},
        {"shot lands", kSoundShotLands},
        {"goal met", kEventSoundGoalMet},
        {"products stored", 3},
        {"level won", 10},
    };
    std::set<uint32_t> slotSounds;
    for (const auto& p : played) {
        EXPECT_NE(sound.GetEventSound(int(p.slot)), 0u) << p.use;
        slotSounds.insert(sound.GetEventSound(int(p.slot)));
    }
    EXPECT_EQ(slotSounds.size(), std::size(played)) << "every slot has a sound of its own";

    // Samples named by the code and by the farm's tables.
    std::vector<std::string> named = {"click", "award"};
    for (const char* file : {"buildings.txt", "villains.txt"})
        for (const std::string& name : KeyValues(std::string(VB_CONTENT_DIR "/farm/") + file, "sound"))
            named.push_back(name);
    ASSERT_GE(named.size(), 7u);
    for (const std::string& name : named)
        EXPECT_NE(sound.FindSample(platform::Utf8ToUtf16(name).c_str()), 0u) << name;

    // The bonuses name their sounds by name id in the data pack.
    const testsupport::DataFileKind dataKind{0xBAE13676, 0x74BFFE7D, 1};
    Bonuses bonuses;
    std::string why;
    ASSERT_TRUE(bonuses.Parse(Bytes(Chunk(data + "/Data.dat", dataKind, kChunkBonuses)), &why)) << why;
    for (int32_t i = 0; i < kBonusCount; ++i)
        EXPECT_NE(sound.FindSampleById(bonuses.Get(i)->soundId), 0u) << "bonus " << i;

    // The music of the main screen and the map, the levels' rotation and
    // every track a level names.
    std::vector<std::u16string> tracks = {u"main_theme", u"music_01", u"music_02", u"music_03"};
    LevelTable levels;
    ASSERT_TRUE(levels.Parse(Bytes(Chunk(data + "/Data.dat", dataKind, kLevelTableChunk)), nullptr, &why))
        << why;
    for (uint32_t i = 0; i < kLevelCount; ++i)
        if (const Level* level = levels.Get(i); level && level->record.music[0])
            tracks.push_back(level->record.music);
    for (const std::u16string& track : tracks)
        EXPECT_NE(sound.FindMusic(track.c_str()), 0u) << platform::Utf16ToUtf8(track);

    // Each of them is heard.
    for (uint32_t id : slotSounds) {
        device.ClearCapture();
        const uint32_t playback = sound.PlayById(id, kSoundCategoryInterface, kLoopOnce);
        ASSERT_NE(playback, 0u);
        device.AdvanceMilliseconds(60);
        const std::vector<int16_t> out = device.Captured();
        EXPECT_GT(*std::max_element(out.begin(), out.end()), 500) << "event sound " << id;
        sound.StopChannel(playback);
    }
    ASSERT_TRUE(sound.PlayMusic(u"main_theme", true));
    device.ClearCapture();
    device.AdvanceMilliseconds(2000);
    const std::vector<int16_t> music = device.Captured();
    EXPECT_GT(*std::max_element(music.begin(), music.end()), 3000);
    EXPECT_TRUE(sound.IsMusicPlaying());
}

TEST(GameSounds, TheMusicTracksDecodeWhole) {
    const Recipes recipes = GameRecipes();
    const std::string chunk =
        Chunk(VB_GAME_DATA "/Sounds.dat", {kSoundPackTypeId, kSoundPackTypeVersion, kSoundPackDataVersion},
              kMusicChunkId);
    ASSERT_GE(chunk.size(), 4u);
    const auto* p = reinterpret_cast<const uint8_t*>(chunk.data());
    const uint32_t count = kis::LoadLE32(p);
    EXPECT_EQ(count, recipes.tunes.size());
    size_t at = 4;
    for (uint32_t i = 0; i < count; ++i) {
        ASSERT_LE(at + 4 + 64, chunk.size());
        const uint32_t size = kis::LoadLE32(p + at);
        std::u16string name;
        for (size_t u = 0; u < 32 && kis::LoadLE16(p + at + 4 + 2 * u); ++u)
            name.push_back(char16_t(kis::LoadLE16(p + at + 4 + 2 * u)));
        at += 4 + 64;
        ASSERT_LE(at + size, chunk.size());
        const Tune* tune = FindTune(recipes, platform::Utf16ToUtf8(name));
        ASSERT_NE(tune, nullptr) << platform::Utf16ToUtf8(name);
        std::string error;
        auto decoder = platform::OpenAudioDecoder(std::vector<uint8_t>(p + at, p + at + size), &error);
        ASSERT_NE(decoder, nullptr) << error;
        EXPECT_EQ(decoder->Channels(), 1);
        EXPECT_EQ(decoder->Rate(), kSampleRate);
        size_t frames = 0;
        int16_t block[4096];
        int loudest = 0;
        for (int n; (n = decoder->Read(block, 4096)) > 0; frames += size_t(n))
            for (int k = 0; k < n; ++k)
                loudest = std::max(loudest, std::abs(int(block[k])));
        EXPECT_EQ(frames, TuneFrames(*tune)) << tune->name;
        EXPECT_NEAR(loudest, tune->peak * 32767, 0.1 * 32767) << tune->name;
        at += size;
    }
}

TEST(GameSounds, TheProgramStartsTheMainScreenAndLevelMusic) {
    GameCopy game;
    // The logos are skipped, the main screen plays; then the showcase's F6
    // opens the sample level.
    std::string output;
    ASSERT_EQ(testsupport::RunScript(game, "play", testsupport::script::SkipLogos() + "6000 close\n", "",
                                     &output, true),
              0)
        << output;
    std::string log = game.Log();
    EXPECT_TRUE(testsupport::Pattern("Music starts, looping: +main_theme").Search(log)) << log;

    ASSERT_EQ(testsupport::RunScript(game, "play",
                                     testsupport::script::SkipLogos() +
                                         "6000 key down F6\n6100 key up F6\n8000 close\n",
                                     "", &output),
              0)
        << output;
    log = game.Log();
    std::vector<std::string> level;
    ASSERT_TRUE(testsupport::Pattern("Level music +(music_0[123])").Search(log, &level)) << log;
    EXPECT_TRUE(testsupport::Pattern("Music starts, looping: +" + level[1]).Search(log)) << log;
    EXPECT_EQ(log.find("Music not found"), std::string::npos) << log;
}
