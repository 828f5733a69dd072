// The sound synthesiser: recipes render to their length and peak without
// clipping, pitches and loops come out as written, the same recipe always
// gives the same bytes, bad recipes are refused with the reason, and a tune
// comes back through the game's Ogg Vorbis decoder.
#include "platform/AudioDecoder.h"
#include "tests/support/TempDir.h"
#include "tools/soundsynth/Encode.h"
#include "tools/soundsynth/Recipes.h"
#include "tools/soundsynth/Synth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

using namespace soundsynth;

namespace {

// The recipes of one file's text; an empty error when they are good.
Recipes Read(const std::string& text, std::string* error) {
    testsupport::TempDir dir;
    const std::string path = dir.File("recipe.txt");
    EXPECT_TRUE(testsupport::WriteFileBytes(path, text));
    Recipes recipes;
    error->clear();
    if (ReadRecipeFile(path, &recipes, error)) *error = CheckRecipes(recipes, 26);
    return recipes;
}

Recipes Good(const std::string& text) {
    std::string error;
    Recipes recipes = Read(text, &error);
    EXPECT_EQ(error, "");
    return recipes;
}

std::string Sound(const std::string& name, const std::string& head, const std::string& layers) {
    return "sound {\n    name = " + name + "\n" + head + layers + "}\n";
}

std::string LayerText(const std::string& keys) {
    return "    layer {\n" + keys + "    }\n";
}

int Peak(const std::vector<int16_t>& pcm) {
    int peak = 0;
    for (int16_t x : pcm)
        peak = std::max(peak, std::abs(int(x)));
    return peak;
}

double Rms(const std::vector<float>& x, size_t from, size_t to) {
    double sum = 0.0;
    for (size_t i = from; i < to && i < x.size(); ++i)
        sum += double(x[i]) * x[i];
    return to > from ? std::sqrt(sum / double(to - from)) : 0.0;
}

// Upward zero crossings per second in [from, to) seconds.
double Frequency(const std::vector<float>& x, double from, double to) {
    const size_t a = size_t(from * kSampleRate), b = std::min(x.size(), size_t(to * kSampleRate));
    int crossings = 0;
    for (size_t i = a + 1; i < b; ++i)
        if (x[i - 1] < 0.0f && x[i] >= 0.0f) ++crossings;
    return crossings / (double(b - a) / kSampleRate);
}

// The largest step between neighbouring samples, and the step from the last
// sample back to the first, as a loop plays it.
float LargestStep(const std::vector<float>& x) {
    float step = 0.0f;
    for (size_t i = 1; i < x.size(); ++i)
        step = std::max(step, std::fabs(x[i] - x[i - 1]));
    return step;
}
float SeamStep(const std::vector<float>& x) {
    return std::fabs(x.front() - x.back());
}

const std::string kTone =
    "        wave = sine\n        pitch = 440\n        envelope = 0.005, 0.02, 0.7, 0.02\n";

} // namespace

TEST(SoundSynth, RecipesRenderToTheirLengthAndPeakWithoutClipping) {
    struct Case {
        const char* what;
        std::string recipe;
        size_t frames;
        double peak;
        bool soundAtStart; // within the first 20 ms
    };
    const Case cases[] = {
        {"one layer", Sound("a", "    peak = 0.5\n", LayerText(kTone + "        length = 0.1\n")), 2205, 0.5,
         true},
        {"a late layer sets the length",
         Sound("b", "", LayerText(kTone + "        at = 0.2\n        length = 0.1\n")), 6615, 0.7, false},
        {"repeats",
         Sound("c", "    peak = 0.9\n",
               LayerText(kTone + "        length = 0.05\n        repeat = 3, 0.1\n")),
         5513, 0.9, true},
        {"the length cuts a layer",
         Sound("d", "    length = 0.05\n    peak = 0.98\n", LayerText(kTone + "        length = 0.2\n")),
         1103, 0.98, true},
        {"a loop carries a late layer round to its start",
         Sound("e", "    length = 0.5\n    loop = yes\n",
               LayerText(kTone + "        at = 0.4\n        length = 0.2\n")),
         11025, 0.7, true},
        {"loud layers added up",
         Sound("f", "    peak = 0.6\n",
               LayerText(kTone + "        length = 0.3\n        volume = 4\n") +
                   LayerText(kTone +
                             "        length = 0.3\n        volume = 4\n        pitch_drop = 2, 0.1\n")),
         6615, 0.6, true},
    };
    for (const Case& c : cases) {
        const Recipes recipes = Good(c.recipe);
        ASSERT_EQ(recipes.effects.size(), 1u) << c.what;
        const std::vector<float> samples = RenderEffect(recipes.effects[0]);
        EXPECT_EQ(samples.size(), c.frames) << c.what;
        const std::vector<int16_t> pcm = ToPcm16(samples);
        EXPECT_NEAR(Peak(pcm), c.peak * 32767, 1.0) << c.what;
        EXPECT_EQ(std::count_if(pcm.begin(), pcm.end(), [](int16_t x) { return x <= -32767 || x == 32767; }),
                  0)
            << c.what;
        EXPECT_EQ(Rms(samples, 0, 441) > 0.01, c.soundAtStart) << c.what;
    }
}

TEST(SoundSynth, PitchesSlidesAndNotesComeOutAsWritten) {
    struct Case {
        const char* wave;
        std::string pitch;
        // Hz in the first and the last 100 ms; a slide is exponential, so
        // 200 to 800 Hz in a second averages 200 x (4^0.1 - 1) / (0.1 ln 4)
        // in its first tenth.
        double early, late;
    };
    const Case cases[] = {
        {"sine", "440", 440, 440}, {"square", "1000", 1000, 1000},   {"triangle", "250", 250, 250},
        {"saw", "330", 330, 330},  {"sine", "200, 800", 214.6, 747}, {"square", "1200, 300", 1120, 322},
    };
    for (const Case& c : cases) {
        const Recipes recipes =
            Good(Sound("p", "",
                       LayerText(std::string("        wave = ") + c.wave + "\n" +
                                 "        pitch = " + c.pitch + "\n" + "        length = 1\n")));
        const std::vector<float> x = RenderEffect(recipes.effects[0]);
        EXPECT_NEAR(Frequency(x, 0.0, 0.1), c.early, c.early * 0.06) << c.wave << " " << c.pitch;
        EXPECT_NEAR(Frequency(x, 0.9, 1.0), c.late, c.late * 0.06) << c.wave << " " << c.pitch;
    }

    const struct {
        const char* name;
        double hz; // 0: not a note
    } notes[] = {{"A4", 440.0}, {"C4", 261.626}, {"C#5", 554.365}, {"Bb3", 233.082},
                 {"A0", 27.5},  {"C8", 4186.01}, {"H4", 0},        {"C9", 0},
                 {"C", 0},      {"Cb#4", 0},     {"a4", 0}};
    for (const auto& n : notes) {
        double hz = 0.0;
        EXPECT_EQ(NoteFrequency(n.name, &hz), n.hz > 0) << n.name;
        if (n.hz > 0) {
            EXPECT_NEAR(hz, n.hz, 0.01) << n.name;
        }
    }
}

TEST(SoundSynth, TheSameRecipeAlwaysGivesTheSameBytes) {
    const std::string noisy =
        LayerText(
            "        wave = noise\n        pitch = 22050\n        length = 0.3\n        lowpass = 4000, "
            "500\n") +
        LayerText(
            "        wave = saw\n        pitch = 110, 90\n        length = 0.3\n        vibrato = 6, 0.02\n");
    const Effect first = Good(Sound("rumble", "", noisy)).effects[0];
    const Effect again = Good(Sound("rumble", "", noisy)).effects[0];
    const Effect renamed = Good(Sound("thunder", "", noisy)).effects[0];
    const std::vector<uint8_t> wav = EncodeWav(ToPcm16(RenderEffect(first)), kSampleRate);
    EXPECT_EQ(wav, EncodeWav(ToPcm16(RenderEffect(again)), kSampleRate));
    // The noise follows the sound's name, so two sounds of one recipe differ.
    EXPECT_NE(wav, EncodeWav(ToPcm16(RenderEffect(renamed)), kSampleRate));
    ASSERT_EQ(wav.size(), 44u + 2u * 6615u);
    EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");

    std::string error;
    const std::vector<float> samples = RenderEffect(first);
    const std::vector<uint8_t> ogg = EncodeOggVorbis(samples, kSampleRate, 0.3f, &error);
    ASSERT_FALSE(ogg.empty()) << error;
    EXPECT_EQ(ogg, EncodeOggVorbis(samples, kSampleRate, 0.3f, &error));
}

TEST(SoundSynth, BadRecipesAreRefusedWithTheReason) {
    const std::string layer = LayerText(kTone + "        length = 0.1\n");
    const struct {
        std::string text, reason;
    } cases[] = {
        {Sound("a", "", LayerText("        wave = hum\n        pitch = 1\n        length = 1\n")),
         "unknown wave \"hum\""},
        {Sound("a", "", LayerText("        length = 0.1\n")), "needs a pitch"},
        {Sound("a", "",
               LayerText("        pitch = 100\n        length = 0.1\n        envelope = 0, 0, 1, 0.2\n")),
         "release is longer than the layer"},
        {Sound("a", "", LayerText("        pitch = 100\n        length = short\n")),
         "\"length\" is not a number"},
        {Sound("a", "    peak = 1.2\n", layer), "\"peak\" lies outside"},
        {Sound("a", "    loop = yes\n", layer), "a looping sound needs its length"},
        {Sound("a", "", ""), "has no layer"},
        {Sound("no name!", "", layer), "needs a name"},
        {Sound("a", "", LayerText("        pitch = 100, 200, 300\n        length = 0.1\n")),
         "takes 1 to 2 values"},
        {Sound("a", "", layer) + Sound("a", "", layer), "the sound \"a\" is given twice"},
        {"events {\n    slot = 26, a\n}\n" + Sound("a", "", layer), "event slot 26 lies outside 0 to 25"},
        {"events {\n    slot = 3, b\n}\n" + Sound("a", "", layer), "event slot 3 names no sound \"b\""},
        {"events {\n    slot = 3, a\n    slot = 3, a\n}\n" + Sound("a", "", layer),
         "event slot 3 is named twice"},
        {"tune {\n    name = t\n    part {\n        instrument = lead\n        notes = H4:1\n    }\n}\n",
         "\"H4\" is not a note"},
        {"tune {\n    name = t\n    part {\n        instrument = lead\n        notes = C4\n    }\n}\n",
         "a note is pitch:beats"},
        {"tune {\n    name = t\n    part {\n        instrument = lead\n        notes = C4:1\n    }\n}\n",
         "names no instrument \"lead\""},
        {"instrument {\n    name = lead\n}\ntune {\n    name = t\n    beats = 2\n    part {\n"
         "        instrument = lead\n        notes = C4:1 D4:2\n    }\n}\n",
         "longer than the tune"},
        {"music {\n    name = x\n}\n", "unknown section \"music\""},
        {Sound("a", "", LayerText(kTone + "        length = 0.1\n        envelop = 0, 0, 1, 0\n")),
         "unknown key \"envelop\""},
        {"instrument {\n    name = lead\n    pitch = 440\n}\n", "unknown key \"pitch\""},
    };
    for (const auto& c : cases) {
        std::string error;
        Read(c.text, &error);
        EXPECT_NE(error.find(c.reason), std::string::npos) << "got: " << error << "\nfor:\n" << c.text;
    }
}

TEST(SoundSynth, ATuneLoopsRoundAndComesBackThroughTheDecoder) {
    // Eight beats at 120 a minute: four seconds. The chord at the end rings
    // on past it and is heard at the start, where the tune rests; nothing
    // sounds between the drum's hit at 2.5 s and the chord at 3.5 s.
    const Recipes recipes = Good("instrument {\n    name = keys\n    wave = triangle\n"
                                 "    envelope = 0.01, 0.2, 0.5, 0.4\n}\n"
                                 "instrument {\n    name = drum\n    wave = noise\n    hit = 22050\n"
                                 "    envelope = 0.001, 0.05, 0, 0.01\n}\n"
                                 "tune {\n    name = t\n    tempo = 120\n    beats = 8\n"
                                 "    part {\n        instrument = keys\n"
                                 "        notes = -:1 C4:1 E4:1 G4:1 -:3 C4+E4+G4:1\n    }\n"
                                 "    part {\n        instrument = drum\n        repeat = 4\n"
                                 "        notes = -:1 x:1\n    }\n}\n");
    ASSERT_EQ(recipes.tunes.size(), 1u);
    std::string error;
    const std::vector<float> tune = RenderTune(recipes.tunes[0], recipes.instruments, &error);
    ASSERT_EQ(tune.size(), 88200u) << error;
    EXPECT_GT(Rms(tune, 0, 2205), 0.02) << "the last chord's release at the start";
    EXPECT_LT(Rms(tune, 59535, 72765), 0.001) << "silence from 2.7 to 3.3 s, between the drum's hits";
    EXPECT_LE(SeamStep(tune), LargestStep(tune));
    float loudest = 0.0f;
    for (float x : tune)
        loudest = std::max(loudest, std::fabs(x));
    EXPECT_NEAR(loudest, 0.6f, 1e-4) << "a tune's peak is 0.6 unless its recipe says";

    const std::vector<uint8_t> ogg = EncodeOggVorbis(tune, kSampleRate, 0.3f, &error);
    ASSERT_FALSE(ogg.empty()) << error;
    auto decoder = platform::OpenAudioDecoder(ogg, &error);
    ASSERT_NE(decoder, nullptr) << error;
    EXPECT_EQ(decoder->Channels(), 1);
    EXPECT_EQ(decoder->Rate(), kSampleRate);
    std::vector<float> back;
    int16_t block[4096];
    for (int n; (n = decoder->Read(block, 4096)) > 0;)
        for (int i = 0; i < n; ++i)
            back.push_back(float(block[i]) / 32768.0f);
    ASSERT_EQ(back.size(), tune.size());
    double error2 = 0.0, signal = 0.0;
    for (size_t i = 0; i < tune.size(); ++i) {
        error2 += double(back[i] - tune[i]) * (back[i] - tune[i]);
        signal += double(tune[i]) * tune[i];
    }
    EXPECT_LT(std::sqrt(error2 / signal), 0.15) << "the decoded tune is the rendered one";

    const std::vector<float> missing = RenderTune(recipes.tunes[0], {}, &error);
    EXPECT_TRUE(missing.empty());
    EXPECT_NE(error.find("no instrument \"keys\""), std::string::npos) << error;
}
