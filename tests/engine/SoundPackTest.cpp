#include "engine/SoundManager.h"
#include "engine/SoundPackWriter.h"
#include "foundation/DataFile.h"
#include "platform/Files.h"
#include "platform/Mixer.h"
#include "platform/Random.h"
#include "platform/headless/NullAudioDevice.h"
#include "tests/engine/SoundTestSupport.h"
#include "tests/support/Damage.h"
#include "tests/support/DataChunks.h"
#include "tests/support/SoundData.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kRate = platform::kAudioRate;

std::vector<uint8_t> Tone(int16_t level, int frames = kRate / 10) {
    return testsupport::MakeWav16(1, kRate, std::vector<int16_t>(size_t(frames), level));
}

// A 441 Hz sine, so that a sample read from a wrong offset cannot pass for it.
std::vector<uint8_t> Sine(int16_t amplitude, int frames) {
    std::vector<int16_t> pcm(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i)
        pcm[size_t(i)] = int16_t(std::lround(amplitude * std::sin(2 * M_PI * 441.0 * i / kRate)));
    return testsupport::MakeWav16(1, kRate, pcm);
}

// Raw chunk bytes for packs the writer would refuse to make.
struct Bytes {
    std::vector<uint8_t> data;
    Bytes& U32(uint32_t v) {
        for (int i = 0; i < 4; ++i)
            data.push_back(uint8_t(v >> (8 * i)));
        return *this;
    }
    Bytes& Units(const std::u16string& text, size_t units) {
        for (size_t i = 0; i < units; ++i) {
            const char16_t c = i < text.size() ? text[i] : 0;
            data.push_back(uint8_t(c));
            data.push_back(uint8_t(c >> 8));
        }
        return *this;
    }
    Bytes& Raw(const std::vector<uint8_t>& raw) {
        data.insert(data.end(), raw.begin(), raw.end());
        return *this;
    }
    Bytes& Sample(const std::u16string& name, const std::vector<uint8_t>& audio, bool loop = false) {
        return U32(uint32_t(audio.size())).Units(name, 32).U32(loop).Raw(audio);
    }
    // 26 names, each with its terminator and the unit after it.
    Bytes& Names(const std::vector<std::u16string>& names) {
        std::vector<uint8_t> block;
        Bytes b;
        for (int slot = 0; slot < kEventSoundCount; ++slot) {
            const std::u16string name = size_t(slot) < names.size() ? names[size_t(slot)] : u"";
            b.Units(name, name.size() + 2);
        }
        return U32(0).U32(uint32_t(b.data.size() / 2)).Raw(b.data);
    }
};

int yieldCalls = 0;
bool AlwaysYield(float) {
    ++yieldCalls;
    return true;
}

class SoundPackTest : public soundtest::SoundOutputTest {
  protected:
    void TearDown() override { SetLoadingProgressHook(nullptr); }

    std::u16string PackPath() const { return platform::ToGamePath(dir.File("Sounds.dat")); }

    void WritePack(const SoundPackContent& content) {
        std::string error;
        ASSERT_TRUE(WriteSoundPack(PackPath().c_str(), content, &error)) << error;
    }

    // A pack with chunks of hand-made bytes.
    void WriteRawPack(const std::vector<std::pair<uint32_t, Bytes>>& chunks) {
        kis::DataFileWriterW* writer = kis::OpenDataFileForWrite(
            PackPath().c_str(), kSoundPackTypeId, kSoundPackTypeVersion, kSoundPackDataVersion, false);
        ASSERT_NE(writer, nullptr);
        for (const auto& [id, bytes] : chunks) {
            writer->BeginChunk(id, id == kSampleChunkId ? kSampleChunkSubId : kMusicChunkSubId);
            writer->Write(bytes.data.data(), uint32_t(bytes.data.size()));
            writer->EndChunk();
        }
        ASSERT_TRUE(kis::CloseDataFile(writer));
    }

    // Runs a loader until it finishes; the number of calls it took.
    int Run(bool music, LoaderState& state, SoundManager& manager) {
        kis::DataFileReaderW* reader = kis::OpenDataFileForRead(PackPath().c_str(), kSoundPackTypeId,
                                                                kSoundPackTypeVersion, kSoundPackDataVersion);
        EXPECT_NE(reader, nullptr);
        if (!reader) return 0;
        int calls = 0;
        int32_t result;
        do {
            ++calls;
            result = music ? manager.LoadMusic(reader, &state) : manager.LoadSamples(reader, &state);
        } while (result == kLoaderCallAgain && calls < 1000);
        kis::CloseDataFile(reader);
        return calls;
    }
    int Run(bool music, LoaderState& state) { return Run(music, state, sound); }
};

TEST_F(SoundPackTest, ARealPackPlaysSamplesFromTheirOffsetsAndLoopsItsMusic) {
    SoundPackContent content;
    content.samples = {
        {u"Click", Tone(1000), false}, {u"ambient", Tone(-2000), true}, {u"chime", Sine(8000, kRate), false}};
    content.music = {{u"theme", Tone(3000), false}};
    content.eventSounds[0] = u"click";
    content.eventSounds[3] = u"AMBIENT";
    content.eventSounds[25] = u"Click";
    content.eventSounds[7] = u"unknown";
    WritePack(content);

    LoaderState music{}, samples{};
    Run(true, music);
    Run(false, samples);
    EXPECT_EQ(music.error, 0);
    EXPECT_EQ(samples.error, 0);
    EXPECT_EQ(music.total, 1);
    EXPECT_EQ(samples.total, 3);

    const uint32_t click = sound.FindSample(u"click");
    ASSERT_NE(click, 0u);
    EXPECT_EQ(sound.GetEventSound(0), click);
    EXPECT_EQ(sound.GetEventSound(25), click);
    EXPECT_EQ(sound.GetEventSound(3), sound.FindSample(u"ambient"));
    EXPECT_EQ(sound.GetEventSound(7), 0u);
    EXPECT_EQ(sound.GetEventSound(1), 0u);

    // The reader is closed; the sounds are read from the pack file itself.
    sound.PlayById(sound.GetEventSound(0), kSoundCategoryInterface, kLoopAsLoaded);
    EXPECT_EQ(Output(50), 1000);
    EXPECT_EQ(Output(100), 0);
    const uint32_t ambient = sound.PlayById(sound.GetEventSound(3), kSoundCategoryInterface, kLoopAsLoaded);
    EXPECT_EQ(Output(350), -2000); // loops as loaded
    sound.StopChannel(ambient);

    // The sine comes back sample for sample.
    device.ClearCapture();
    sound.PlayById(sound.FindSample(u"chime"), kSoundCategoryInterface, kLoopOnce);
    device.Advance(1000);
    std::vector<int16_t> out = device.Captured();
    ASSERT_EQ(out.size(), 2000u);
    for (int i = 0; i < 1000; i += 37)
        EXPECT_NEAR(out[size_t(2 * i)], 8000 * std::sin(2 * M_PI * 441.0 * i / kRate), 1.0) << i;
    Output(1100);

    ASSERT_TRUE(sound.PlayMusic(u"theme", true));
    Output(600);
    EXPECT_EQ(Output(700), 3000); // 1.3 s of a 100 ms track
}

// Zero crossings of the left channel in the next `ms` of output.
int Crossings(platform::NullAudioDevice& device, uint32_t ms) {
    device.ClearCapture();
    device.AdvanceMilliseconds(ms);
    std::vector<int16_t> out = device.Captured();
    int crossings = 0;
    for (size_t i = 2; i < out.size(); i += 2)
        if ((out[i - 2] < 0) != (out[i] < 0)) ++crossings;
    return crossings;
}

TEST_F(SoundPackTest, OggVorbisSoundsPlayFromThePackAndOggMusicLoops) {
    const char* data = std::getenv("VB_TEST_DATA");
    ASSERT_NE(data, nullptr) << "VB_TEST_DATA names the test data folder";
    const std::string ogg = testsupport::ReadFileBytes(std::string(data) + "/platform/tone441.ogg");
    ASSERT_GT(ogg.size(), 100u);
    SoundPackContent content;
    content.samples = {{u"before", Tone(5), false}, {u"tone", {ogg.begin(), ogg.end()}, false}};
    content.music = {{u"first", Tone(7), false}, {u"tune", {ogg.begin(), ogg.end()}, false}};
    WritePack(content);
    LoaderState music{}, samples{};
    Run(true, music);
    Run(false, samples);
    ASSERT_EQ(music.error + samples.error, 0);

    // 0.1 s of a 441 Hz tone: 88 crossings, then silence.
    sound.PlayById(sound.FindSample(u"tone"), kSoundCategoryInterface, kLoopAsLoaded);
    EXPECT_NEAR(Crossings(device, 100), 88, 3);
    EXPECT_EQ(Output(100), 0);

    ASSERT_TRUE(sound.PlayMusic(u"tune", true));
    Output(1000);
    EXPECT_NEAR(Crossings(device, 100), 88, 3); // ten times through, still playing
}

TEST_F(SoundPackTest, LoadersToldToYieldAfterEveryRecordAreCalledCountPlusOneTimes) {
    SoundPackContent content;
    for (int i = 0; i < 4; ++i)
        content.samples.push_back({u"s" + std::u16string(1, char16_t(u'0' + i)), Tone(100), false});
    for (int i = 0; i < 3; ++i)
        content.music.push_back({u"m" + std::u16string(1, char16_t(u'0' + i)), Tone(100), false});
    content.eventSounds[1] = u"s3";
    WritePack(content);
    SetLoadingProgressHook(AlwaysYield);

    LoaderState music{}, samples{};
    EXPECT_EQ(Run(true, music), 4);
    EXPECT_EQ(Run(false, samples), 5);
    EXPECT_EQ(music.error, 0);
    EXPECT_EQ(samples.error, 0);
    // Each record was registered once: the handles run 0..3 without gaps.
    for (uint32_t i = 0; i < 4; ++i)
        EXPECT_EQ(sound.FindSample((u"s" + std::u16string(1, char16_t(u'0' + i))).c_str()), 0x20010000u | i);
    EXPECT_EQ(sound.AddMusic(u"x.ogg", u"x", 0, 0), 0x60010003u);
    EXPECT_EQ(sound.GetEventSound(1), 0x20010003u);
}

TEST_F(SoundPackTest, AnEmptyListEndsAtOnceAndAnEarlyEndNeedsTwoZeros) {
    WriteRawPack({{kSampleChunkId, Bytes().U32(0)}, {kMusicChunkId, Bytes().U32(0)}});
    LoaderState state{};
    EXPECT_EQ(Run(false, state), 1);
    EXPECT_EQ(state.error, 0);
    for (int slot = 0; slot < kEventSoundCount; ++slot)
        EXPECT_EQ(sound.GetEventSound(slot), 0u);
    state = {};
    Run(true, state);
    EXPECT_EQ(state.error, 0);

    WriteRawPack({{kSampleChunkId, Bytes().U32(5).Sample(u"first", Tone(100)).U32(0).Names({u"first"})},
                  {kMusicChunkId, Bytes().U32(9).U32(0)}});
    state = {};
    Run(false, state);
    EXPECT_EQ(state.error, 0);
    EXPECT_EQ(state.done, 5);
    EXPECT_EQ(sound.GetEventSound(0), sound.FindSample(u"first"));
    EXPECT_NE(sound.GetEventSound(0), 0u);
    state = {};
    Run(true, state);
    EXPECT_EQ(state.error, 0);
}

TEST_F(SoundPackTest, MalformedChunksSetTheErrorFlagAndLeaveTheEventTableAlone) {
    const std::vector<uint8_t> tone = Tone(100);
    const std::u16string longName(32, u'a');
    Bytes tooManyUnits = Bytes().U32(1).Sample(u"a", tone).U32(0).U32(863);
    tooManyUnits.data.resize(tooManyUnits.data.size() + 863 * 2);
    Bytes nameRunsPastBlock = Bytes().U32(1).Sample(u"a", tone).U32(0).U32(4).Units(u"a", 4);
    Bytes longNameRunsPastBlock =
        Bytes().U32(1).Sample(u"a", tone).U32(0).U32(40).Units(longName + u"aaaaaaaa", 40);
    Bytes truncated = Bytes().U32(2).Sample(u"a", tone);
    Bytes oversized = Bytes().U32(1).U32(1000000).Units(u"a", 32).U32(0).Raw(tone);
    struct Case {
        const char* what;
        std::vector<std::pair<uint32_t, Bytes>> chunks;
        bool music;
    } cases[] = {
        {"no 'SAMP' chunk", {{kMusicChunkId, Bytes().U32(0)}}, false},
        {"no 'MUSC' chunk", {{kSampleChunkId, Bytes().U32(0)}}, true},
        {"sample name without terminator",
         {{kSampleChunkId, Bytes().U32(1).Sample(longName, tone).Names({})}},
         false},
        {"music name without terminator",
         {{kMusicChunkId, Bytes().U32(1).U32(uint32_t(tone.size())).Units(longName, 32).Raw(tone)}},
         true},
        {"non-zero after the records",
         {{kSampleChunkId, Bytes().U32(1).Sample(u"a", tone).U32(7).U32(52).Units(u"", 52)}},
         false},
        {"single zero after an early end",
         {{kSampleChunkId, Bytes().U32(3).U32(0).U32(52).Units(u"", 52)}},
         false},
        {"names block over 862 units", {{kSampleChunkId, tooManyUnits}}, false},
        {"names past the block's end", {{kSampleChunkId, nameRunsPastBlock}}, false},
        {"long event name without terminator", {{kSampleChunkId, longNameRunsPastBlock}}, false},
        {"fewer records than counted", {{kSampleChunkId, truncated}}, false},
        {"data longer than the chunk", {{kSampleChunkId, oversized}}, false},
    };
    for (const Case& c : cases) {
        WriteRawPack(c.chunks);
        LoaderState state{};
        EXPECT_EQ(Run(c.music, state), 1) << c.what;
        EXPECT_EQ(state.error, 1) << c.what;
        for (int slot = 0; slot < kEventSoundCount; ++slot)
            ASSERT_EQ(sound.GetEventSound(slot), 0u) << c.what;
    }
}

TEST_F(SoundPackTest, AnEventNameTooLongForASampleGivesSlotZeroAndTheRestLoad) {
    const std::vector<uint8_t> tone = Tone(100);
    // 31 characters is the longest sample name; 32 and more name no sample,
    // even when a sample's name is their first 31 characters.
    const std::u16string longest(31, u'a');
    struct Case {
        const char* what;
        std::u16string name;
        bool found;
    } cases[] = {
        {"31 characters", longest, true},
        {"32 characters", longest + u"a", false},
        {"33 characters", longest + u"ab", false},
        {"200 characters", std::u16string(200, u'b'), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteRawPack({{kSampleChunkId, Bytes()
                                           .U32(2)
                                           .Sample(longest, tone)
                                           .Sample(u"click", tone)
                                           .Names({u"click", c.name, u"click"})}});
        SoundManager manager;
        manager.SetOutputDevice(&device);
        manager.Init();
        LoaderState state{};
        Run(false, state, manager);
        EXPECT_EQ(state.error, 0);
        EXPECT_EQ(state.done, 2);
        const uint32_t click = manager.FindSample(u"click");
        const uint32_t longestSample = manager.FindSample(longest.c_str());
        ASSERT_NE(click, 0u);
        ASSERT_NE(longestSample, 0u);
        EXPECT_EQ(manager.GetEventSound(0), click);
        EXPECT_EQ(manager.GetEventSound(1), c.found ? longestSample : 0u);
        EXPECT_EQ(manager.GetEventSound(2), click);
    }
}

TEST_F(SoundPackTest, WithoutSoundTheLoadersStillWalkThePack) {
    SoundPackContent content;
    content.samples = {{u"click", Tone(1000), false}};
    content.music = {{u"theme", Tone(3000), false}};
    content.eventSounds[0] = u"click";
    WritePack(content);
    SoundManager silent;
    LoaderState music{}, samples{};
    Run(true, music, silent);
    Run(false, samples, silent);
    EXPECT_EQ(music.error, 0);
    EXPECT_EQ(samples.error, 0);
    EXPECT_EQ(samples.done, 1);
    EXPECT_EQ(silent.GetEventSound(0), 0u);
}

// Random damage to either chunk of a pack the writer made: every load ends,
// a failed samples load leaves the event table empty, and whatever was loaded
// plays.
TEST_F(SoundPackTest, DamagedSoundPacksEndWithAnErrorOrPlayWhatTheyLoaded) {
    SoundPackContent content;
    content.samples = {{u"click", Tone(1000, 300), false}, {u"hum", Sine(2000, 500), true}};
    content.music = {{u"theme", Sine(3000, 400), false}, {u"night", Tone(500, 200), false}};
    content.eventSounds[0] = u"click";
    content.eventSounds[25] = u"hum";
    WritePack(content);
    const testsupport::DataFileKind kind{kSoundPackTypeId, kSoundPackTypeVersion, kSoundPackDataVersion};
    const std::string path = platform::Utf16ToUtf8(PackPath());
    const std::vector<testsupport::DataChunk> chunks = testsupport::ReadDataChunks(path, kind);
    ASSERT_EQ(chunks.size(), 2u);

    platform::SeedRand(282);
    int failed = 0, loaded = 0;
    testsupport::ForRounds(800, 2500, [&](int round) {
        std::vector<testsupport::DataChunk> damaged = chunks;
        const size_t which = size_t(round) % 2;
        damaged[which].bytes = testsupport::Damage(chunks[which].bytes, round / 2);
        ASSERT_TRUE(testsupport::WriteDataChunks(path, kind, damaged));
        SoundManager manager;
        manager.SetOutputDevice(&device);
        manager.Init();
        LoaderState samples{}, music{};
        ASSERT_LT(Run(false, samples, manager), 1000);
        ASSERT_LT(Run(true, music, manager), 1000);
        if (samples.error) {
            for (int slot = 0; slot < kEventSoundCount; ++slot)
                ASSERT_EQ(manager.GetEventSound(slot), 0u);
        }
        for (int slot = 0; slot < kEventSoundCount; ++slot)
            if (uint32_t id = manager.GetEventSound(slot)) manager.PlayById(id, kSoundEffects, 0);
        manager.PlayMusic(u"theme", true);
        device.AdvanceMilliseconds(30);
        (samples.error || music.error ? failed : loaded)++;
    });
    EXPECT_GT(failed, 0);
    EXPECT_GT(loaded, 0);
}

TEST(SoundPackWriterTest, RefusesContentTheLoadersWouldReject) {
    SoundPackContent content;
    content.samples = {{u"fine", Tone(1), false}};
    EXPECT_EQ(CheckSoundPackContent(content), "");
    content.samples[0].name = std::u16string(32, u'n');
    EXPECT_NE(CheckSoundPackContent(content), "");
    content.samples[0].name = u"fine";
    content.samples[0].data.clear(); // a size of 0 would end the list
    EXPECT_NE(CheckSoundPackContent(content), "");
    content.samples[0].data = Tone(1);
    content.eventSounds[4] = std::u16string(32, u'e');
    EXPECT_NE(CheckSoundPackContent(content), "");
    content.eventSounds[4] = std::u16string(31, u'e');
    EXPECT_EQ(CheckSoundPackContent(content), "");
}

} // namespace
