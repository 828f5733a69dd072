#include "engine/SoundManager.h"
#include "engine/SoundHandleTable.h"
#include "foundation/Ident.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Mixer.h"
#include "platform/headless/NullAudioDevice.h"
#include "tests/engine/SoundTestSupport.h"
#include "tests/support/SoundData.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

// ---- Handle tables ------------------------------------------------------------------

struct Thing {};
using Table = HandleTable<0x40000000, Thing>;

TEST(HandleTable, HandlesCarryTagSerialAndIndexAndGoStaleWhenRemoved) {
    Table table;
    Thing a, b, c;
    EXPECT_EQ(table.Add(nullptr), 0u);
    const uint32_t ha = table.Add(&a);
    const uint32_t hb = table.Add(&b);
    EXPECT_EQ(ha, 0x40010000u);
    EXPECT_EQ(hb, 0x40010001u);
    EXPECT_EQ(table.Resolve(ha), &a);
    EXPECT_EQ(table.Resolve(ha ^ 0x20000000u), nullptr); // another kind's tag
    EXPECT_EQ(table.Resolve(0x40010005u), nullptr);      // never used
    EXPECT_FALSE(table.Remove(ha, &b));                  // wrong object
    EXPECT_TRUE(table.Remove(ha, &a));
    EXPECT_EQ(table.Resolve(ha), nullptr);
    // The freed entry is reused under the next serial; the old handle stays stale.
    const uint32_t hc = table.Add(&c);
    EXPECT_EQ(hc, 0x40020000u);
    EXPECT_EQ(table.Resolve(ha), nullptr);
    EXPECT_EQ(table.Resolve(hc), &c);
    EXPECT_EQ(table.Count(), 2u);
}

TEST(HandleTable, SerialWrapsFrom8191To1) {
    Table table;
    Thing a;
    uint32_t handle = table.Add(&a);
    for (int i = 1; i < 8191; ++i) {
        ASSERT_TRUE(table.Remove(handle, &a));
        handle = table.Add(&a);
    }
    EXPECT_EQ(handle, 0x40000000u | (8191u << 16));
    ASSERT_TRUE(table.Remove(handle, &a));
    EXPECT_EQ(table.Add(&a), 0x40010000u);
}

TEST(HandleTable, GrowsBy32ThenByAQuarterUpTo65536Entries) {
    Table table;
    std::vector<Thing> things(65537);
    std::vector<uint32_t> capacities;
    for (size_t i = 0; i < 65536; ++i) {
        ASSERT_NE(table.Add(&things[i]), 0u) << i;
        if (capacities.empty() || capacities.back() != table.Capacity())
            capacities.push_back(table.Capacity());
    }
    ASSERT_GE(capacities.size(), 6u);
    EXPECT_EQ((std::vector<uint32_t>(capacities.begin(), capacities.begin() + 6)),
              (std::vector<uint32_t>{32, 64, 96, 128, 160, 200}));
    EXPECT_EQ(table.Capacity(), 65536u);
    EXPECT_EQ(table.Add(&things[65536]), 0u);
}

TEST(HandleTable, WalksFromNewestToOldestAcrossRemovals) {
    Table table;
    Thing t[4];
    uint32_t h[4];
    for (int i = 0; i < 4; ++i)
        h[i] = table.Add(&t[i]);
    table.Remove(h[2], &t[2]);
    std::vector<Thing*> seen;
    Thing* object = nullptr;
    for (uint32_t handle = table.Newest(&object); handle; handle = table.Older(handle, &object))
        seen.push_back(object);
    EXPECT_EQ(seen, (std::vector<Thing*>{&t[3], &t[1], &t[0]}));
    table.Remove(h[3], &t[3]);
    EXPECT_EQ(table.Newest(&object), h[1]);
    EXPECT_EQ(table.Older(h[3], &object), 0u); // a removed handle has no neighbours
}

// ---- The manager over the null output device --------------------------------------

constexpr int kRate = platform::kAudioRate;
constexpr int16_t kLevel = 1000;
constexpr int kSampleFrames = kRate / 10; // 100 ms

class SoundManagerTest : public soundtest::SoundOutputTest {
  protected:
    // A 100 ms mono WAV of one constant level.
    std::u16string WriteTone(const std::string& name, int16_t level = kLevel, int frames = kSampleFrames) {
        std::vector<uint8_t> wav =
            testsupport::MakeWav16(1, kRate, std::vector<int16_t>(size_t(frames), level));
        const std::string path = dir.File(name);
        EXPECT_TRUE(testsupport::WriteFileBytes(path, std::string(wav.begin(), wav.end())));
        return platform::ToGamePath(path);
    }

    uint32_t Load(const char16_t* name, bool loop, int16_t level = kLevel) {
        std::u16string path = WriteTone(std::to_string(files++) + ".wav", level);
        return sound.LoadSample(path.c_str(), name, 0, 0, loop);
    }

    int files = 0;
};

TEST_F(SoundManagerTest, HandlesOfSamplesPlaybacksAndMusicHaveTheirKindTags) {
    const uint32_t sample = Load(u"Click", false);
    EXPECT_EQ(sample, 0x20010000u);
    EXPECT_EQ(sound.FindSample(u"click"), sample);
    EXPECT_EQ(sound.FindSample(u"CLICK"), sample);
    EXPECT_EQ(sound.FindSample(u"not a name"), 0u);
    EXPECT_EQ(sound.PlayById(sample, kSoundCategoryInterface, kLoopAsLoaded), 0x40010000u);
    const std::u16string path = WriteTone("theme.wav");
    EXPECT_EQ(sound.AddMusic(path.c_str(), nullptr, 0, 0), 0x60010000u);
    EXPECT_EQ(sound.PlayById(0x20010001u, 0, kLoopAsLoaded), 0u); // no such sample
    EXPECT_EQ(sound.PlayById(0x60010000u, 0, kLoopAsLoaded), 0u); // a music handle is no sound id
}

TEST_F(SoundManagerTest, DataRecordsFindTheNewestSampleOfANameId) {
    const uint32_t first = Load(u"Buzz", false);
    const uint32_t hum = Load(u"hum", false);
    const uint32_t second = Load(u"buzz", false);
    ASSERT_NE(first, 0u);
    EXPECT_EQ(sound.FindSampleById(kis::NameId("buzz")), second);
    EXPECT_EQ(sound.FindSampleById(kis::NameId("HUM")), hum);
    EXPECT_EQ(sound.FindSampleById(kis::NameId("whistle")), 0u);
    EXPECT_EQ(sound.FindSampleById(0), 0u);
    // A sample without a valid name answers no id.
    const std::u16string path = WriteTone("nameless.wav");
    EXPECT_NE(sound.LoadSample(path.c_str(), u"not a name", 0, 0, false), 0u);
    EXPECT_EQ(sound.FindSampleById(kis::NameId(u"")), 0u);
}

TEST_F(SoundManagerTest, LoopModeMinusOnePlaysAsLoadedOtherModesOverride) {
    const uint32_t looping = Load(u"looping", true);
    const uint32_t once = Load(u"once", false, 2000);
    struct Case {
        uint32_t sample;
        int32_t mode;
        int expectedAfter300ms;
    } cases[] = {
        {looping, kLoopAsLoaded, kLevel},
        {once, kLoopAsLoaded, 0},
        {looping, kLoopOnce, 0},
        {once, 7, 2000},
    };
    for (const Case& c : cases) {
        const uint32_t playback = sound.PlayById(c.sample, kSoundCategoryLevel, c.mode);
        ASSERT_NE(playback, 0u);
        EXPECT_EQ(Output(300), c.expectedAfter300ms) << "mode " << c.mode;
        sound.StopChannel(playback);
        EXPECT_EQ(Output(10), 0);
    }
}

TEST_F(SoundManagerTest, AtMostSixteenVoicesOfOneSamplePlay) {
    const uint32_t sample = Load(u"hum", true);
    std::vector<uint32_t> playbacks;
    for (int i = 0; i < 17; ++i) {
        playbacks.push_back(sound.PlayById(sample, kSoundCategoryLevel, kLoopAsLoaded));
        ASSERT_NE(playbacks.back(), 0u);
        device.Advance(16); // the earlier voices are further along
    }
    EXPECT_EQ(Output(5), 16 * kLevel);
    // The voice furthest along gave way: its playback is gone, so stopping it
    // touches none of the sixteen that play.
    sound.StopChannel(playbacks[0]);
    EXPECT_EQ(Output(5), 16 * kLevel);
    sound.StopChannel(playbacks[16]);
    EXPECT_EQ(Output(5), 15 * kLevel);
}

TEST_F(SoundManagerTest, AStaleHandleNeverReachesTheNewPlaybackInItsSlot) {
    const uint32_t sample = Load(u"hum", true);
    const uint32_t first = sound.PlayById(sample, kSoundCategoryLevel, kLoopAsLoaded);
    sound.StopChannel(first);
    const uint32_t second = sound.PlayById(sample, kSoundCategoryLevel, kLoopAsLoaded);
    EXPECT_EQ(second & 0xFFFFu, first & 0xFFFFu);
    EXPECT_NE(second, first);
    sound.StopChannel(first);
    sound.StopChannelFade(first, 0);
    EXPECT_EQ(Output(20), kLevel);
}

TEST_F(SoundManagerTest, PausesNestAndCategoriesSharingAPausedBitStayHeld) {
    const uint32_t sample = Load(u"hum", true);
    sound.PlayById(sample, kSoundCategoryLevel, kLoopAsLoaded);
    sound.PlayById(sample, kSoundCategoryLevel | kSoundCategoryScreen, kLoopAsLoaded);
    sound.PlayById(sample, kSoundCategoryInterface, kLoopAsLoaded);
    EXPECT_EQ(Output(5), 3 * kLevel);

    sound.PauseCategory(kSoundCategoryLevel);
    sound.PauseCategory(kSoundCategoryLevel);
    sound.PauseCategory(kSoundCategoryScreen);
    EXPECT_EQ(Output(5), kLevel);
    sound.ResumeCategory(kSoundCategoryLevel);
    EXPECT_EQ(Output(5), kLevel);
    sound.ResumeCategory(kSoundCategoryLevel);
    EXPECT_EQ(Output(5), 2 * kLevel); // the shared one waits for the screen
    sound.ResumeCategory(kSoundCategoryScreen);
    EXPECT_EQ(Output(5), 3 * kLevel);
}

TEST_F(SoundManagerTest, APlayMadeWhilePausedKeepsItsLoopModeAfterResume) {
    const uint32_t looping = Load(u"looping", true);
    sound.PauseCategory(kSoundCategoryLevel);
    ASSERT_NE(sound.PlayById(looping, kSoundCategoryLevel, kLoopOnce), 0u);
    EXPECT_EQ(Output(50), 0);
    sound.ResumeCategory(kSoundCategoryLevel);
    EXPECT_EQ(Output(50), kLevel); // plays from its start
    EXPECT_EQ(Output(250), 0);     // and only once
}

TEST_F(SoundManagerTest, APlayMadeWhilePausedStaysReservedThroughWalksUntilResumed) {
    const uint32_t sample = Load(u"hum", true);
    sound.PauseCategory(kSoundCategoryLevel);
    const uint32_t held = sound.PlayById(sample, kSoundCategoryLevel, kLoopAsLoaded);
    ASSERT_NE(held, 0u);
    // Walks over the playbacks must not take the silent, unstarted voice for
    // a finished one.
    sound.Update();
    sound.FadeOutCategory(kSoundCategoryScreen);
    sound.PauseCategory(kSoundCategoryScreen);
    sound.ResumeCategory(kSoundCategoryScreen);
    EXPECT_EQ(Output(30), 0);
    sound.ResumeCategory(kSoundCategoryLevel);
    EXPECT_EQ(Output(30), kLevel);
    sound.StopChannel(held); // the handle still names the playback
    EXPECT_EQ(Output(5), 0);
}

TEST_F(SoundManagerTest, FadingOutACategoryReachesEveryPlaybackOfIt) {
    const uint32_t sample = Load(u"hum", true);
    for (int i = 0; i < 4; ++i)
        sound.PlayById(sample, kSoundCategoryScreen, kLoopAsLoaded);
    sound.PlayById(sample, kSoundCategoryInterface, kLoopAsLoaded);
    EXPECT_EQ(Output(5), 5 * kLevel);
    sound.FadeOutCategory(kSoundCategoryScreen);
    const int midway = Output(125);
    EXPECT_GT(midway, kLevel);
    EXPECT_LT(midway, 5 * kLevel);
    EXPECT_EQ(Output(200), kLevel);

    // Pausing the category ends every one of its fades at once.
    for (int i = 0; i < 4; ++i)
        sound.PlayById(sample, kSoundCategoryScreen, kLoopAsLoaded);
    sound.FadeOutCategory(kSoundCategoryScreen);
    EXPECT_GT(Output(50), 4 * kLevel);
    sound.PauseCategory(kSoundCategoryScreen);
    EXPECT_EQ(Output(5), kLevel);
}

TEST_F(SoundManagerTest, StopWithFadeEndsAtOnceForZeroOrHugeTimesAndPauseCutsAFade) {
    const uint32_t sample = Load(u"hum", true);
    for (uint32_t ms : {0u, 0x80000000u}) {
        sound.StopChannelFade(sound.PlayById(sample, kSoundCategoryLevel, kLoopAsLoaded), ms);
        EXPECT_EQ(Output(5), 0) << ms;
    }
    const uint32_t fading = sound.PlayById(sample, kSoundCategoryLevel, kLoopAsLoaded);
    sound.StopChannelFade(fading, 1000);
    const uint32_t next = sound.PlayById(sample, kSoundCategoryInterface, kLoopAsLoaded);
    EXPECT_NE(next & 0xFFFFu, 0xFFFFu);
    EXPECT_EQ(next & 0xFFFFu, fading & 0xFFFFu); // the playback entry was given up at once
    sound.StopChannel(next);
    EXPECT_GT(Output(100), 0);
    sound.PauseCategory(kSoundCategoryLevel);
    EXPECT_EQ(Output(5), 0);
    sound.ResumeCategory(kSoundCategoryLevel);
    EXPECT_EQ(Output(5), 0);
}

TEST_F(SoundManagerTest, UpdateReclaimsAFadedPlaybackOnceItsTimeHasCome) {
    const uint32_t sample = Load(u"hum", true);
    sound.StopChannelFade(sound.PlayById(sample, kSoundCategoryLevel, kLoopAsLoaded), 20);
    Output(30); // the slide ends
    sound.Update();
    // Still within the 100 ms of grace: the voice stays taken.
    for (int i = 0; i < 15; ++i)
        sound.PlayById(sample, kSoundCategoryLevel, kLoopAsLoaded);
    EXPECT_EQ(Output(5), 15 * kLevel);
    const uint32_t start = SoundManager::GetTime();
    while (SoundManager::GetTime() - start < 130)
        platform::SleepMilliseconds(10);
    sound.Update();
    // The faded voice was stopped and freed: a sixteenth play sounds and
    // takes no voice from the fifteen.
    ASSERT_NE(sound.PlayById(sample, kSoundCategoryLevel, kLoopAsLoaded), 0u);
    EXPECT_EQ(Output(5), 16 * kLevel);
}

TEST_F(SoundManagerTest, MusicLoopsCrossFadesAndUnknownNamesFadeItOut) {
    const std::u16string a = WriteTone("a.wav", 1000), b = WriteTone("b.wav", 3000);
    sound.AddMusic(a.c_str(), u"first", 0, 0);
    sound.AddMusic(b.c_str(), nullptr, 0, 0); // named "b" after its file
    EXPECT_FALSE(sound.IsMusicPlaying());
    ASSERT_TRUE(sound.PlayMusic(u"First", true));
    EXPECT_TRUE(sound.IsMusicPlaying());
    Output(600);                                   // faded in
    EXPECT_EQ(Output(400), 1000);                  // 1 s of a 100 ms track: it loops
    EXPECT_TRUE(sound.PlayMusic(u"first", false)); // the current one: not restarted
    EXPECT_EQ(Output(400), 1000);

    ASSERT_TRUE(sound.PlayMusic(u"b", true));
    const int crossing = Output(250);
    EXPECT_GT(crossing, 1000);
    EXPECT_LT(crossing, 3000);
    EXPECT_EQ(Output(300), 3000);
    sound.Update(); // the faded track is stopped

    EXPECT_FALSE(sound.PlayMusic(u"nothing", true));
    EXPECT_FALSE(sound.IsMusicPlaying());
    EXPECT_EQ(Output(600), 0);
}

TEST_F(SoundManagerTest, SwitchingTwiceWithinTheFadeStopsTheFirstTrackAtOnce) {
    const std::u16string a = WriteTone("a.wav", 1000), b = WriteTone("b.wav", 100),
                         c = WriteTone("c.wav", 10);
    sound.AddMusic(a.c_str(), u"a", 0, 0);
    sound.AddMusic(b.c_str(), u"b", 0, 0);
    sound.AddMusic(c.c_str(), u"c", 0, 0);
    sound.PlayMusic(u"a", true);
    Output(600);
    sound.PlayMusic(u"b", true);
    Output(100);
    sound.PlayMusic(u"c", true);
    const int level = Output(100);
    EXPECT_LT(level, 100 + 10); // nothing of "a" is left
    EXPECT_GT(level, 10);
    EXPECT_EQ(Output(500), 10);
}

TEST_F(SoundManagerTest, FreedMusicReopensWhenPlayedAgain) {
    const std::u16string a = WriteTone("a.wav");
    const uint32_t music = sound.AddMusic(a.c_str(), u"a", 0, 0);
    ASSERT_TRUE(sound.PlayMusic(u"a", true));
    sound.FreeMusic(music);
    EXPECT_FALSE(sound.IsMusicPlaying());
    EXPECT_EQ(Output(10), 0);
    EXPECT_TRUE(sound.PlayMusic(u"a", true));
    EXPECT_TRUE(sound.IsMusicPlaying());
}

TEST_F(SoundManagerTest, VolumesReachTheMixerAsGlobalVolumes) {
    platform::Mixer& mixer = *sound.GetMixer();
    sound.SetVolume(kSoundMusic, 50.0f);
    sound.SetVolume(kSoundEffects, 50.0f);
    EXPECT_EQ(mixer.StreamVolume(), 5000);
    EXPECT_EQ(mixer.SampleVolume(), 5000);
    sound.Mute();
    EXPECT_EQ(mixer.StreamVolume(), 0);
    EXPECT_EQ(mixer.SampleVolume(), 0);
    sound.SetVolume(kSoundEffects, 33.335f); // stored, held back by the mute
    EXPECT_EQ(mixer.SampleVolume(), 0);
    sound.Unmute();
    EXPECT_EQ(mixer.StreamVolume(), 5000);
    EXPECT_EQ(mixer.SampleVolume(), 3334);
    sound.SetEnabled(kSoundMusic, false);
    EXPECT_EQ(mixer.StreamVolume(), 0);

    const uint32_t sample = Load(u"hum", true);
    sound.PlayById(sample, kSoundCategoryInterface, kLoopAsLoaded);
    sound.SetVolume(kSoundEffects, 50.0f);
    EXPECT_EQ(Output(5), kLevel / 2);
}

TEST_F(SoundManagerTest, LoadSoundReadsSoundsFolderOggFilesOnce) {
    const std::u16string here = platform::CurrentFolder();
    ASSERT_TRUE(platform::CreateFolder(dir.File("Sounds")));
    WriteTone("Sounds/beep.ogg"); // the decoder goes by the bytes, not the name
    ASSERT_TRUE(platform::SetCurrentFolder(platform::ToGamePath(dir.Path().string())));
    const uint32_t beep = sound.LoadSound(u"beep", false);
    EXPECT_NE(beep, 0u);
    EXPECT_EQ(sound.LoadSound(u"Beep", false), beep);
    EXPECT_EQ(sound.LoadSound(u"missing", false), 0u);
    EXPECT_EQ(sound.LoadSound(u"", false), 0u);
    EXPECT_EQ(sound.LoadSound(nullptr, false), 0u);
    platform::SetCurrentFolder(here);
}

TEST_F(SoundManagerTest, ShutdownSilencesEverythingAndHandlesResolveToNothing) {
    const uint32_t sample = Load(u"hum", true);
    sound.PlayById(sample, kSoundCategoryInterface, kLoopAsLoaded);
    sound.Shutdown();
    EXPECT_FALSE(sound.HasSound());
    EXPECT_EQ(sound.PlayById(sample, kSoundCategoryInterface, kLoopAsLoaded), 0u);
    EXPECT_EQ(sound.FindSample(u"hum"), 0u);
}

TEST(SoundManagerWithoutOutput, EveryOperationIsANoOpButSettingsAreStored) {
    SoundManager sound;
    sound.Init(); // no output device
    EXPECT_FALSE(sound.HasSound());
    EXPECT_EQ(sound.GetMixer(), nullptr);
    EXPECT_EQ(sound.LoadSample(u"x.wav", u"x", 0, 0, false), 0u);
    EXPECT_EQ(sound.PlayById(0x20010000u, 0, kLoopAsLoaded), 0u);
    EXPECT_FALSE(sound.PlayMusic(u"x", true));
    sound.PauseCategory(kSoundCategoryLevel);
    sound.Update();
    EXPECT_TRUE(sound.SetVolume(kSoundEffects, 150.0f));
    EXPECT_FALSE(sound.SetVolume(kSoundEffects, 150.0f));
    SoundSettings settings{};
    sound.GetSettings(&settings);
    EXPECT_EQ(settings.soundsVolume, 100.0f);
}

// ---- Settings ------------------------------------------------------------------------

TEST(SoundSettingsTest, SetVolumeClampsAndReportsAChangeOnce) {
    SoundManager sound;
    SoundSettings settings{};
    sound.GetSettings(&settings);
    EXPECT_EQ(settings.musicOn, 1u);
    EXPECT_EQ(settings.musicVolume, 50.0f);
    EXPECT_EQ(settings.soundsOn, 1u);
    EXPECT_EQ(settings.soundsVolume, 50.0f);

    EXPECT_TRUE(sound.SetVolume(kSoundEffects, 150.0f));
    EXPECT_FALSE(sound.SetVolume(kSoundEffects, 150.0f));
    EXPECT_FALSE(sound.SetVolume(kSoundEffects, 100.0f));
    EXPECT_TRUE(sound.SetVolume(kSoundMusic, -5.0f));
    EXPECT_FALSE(sound.SetVolume(2, 10.0f));
    sound.GetSettings(&settings);
    EXPECT_EQ(settings.soundsVolume, 100.0f);
    EXPECT_EQ(settings.musicVolume, 0.0f);
    EXPECT_FALSE(sound.IsAudible(kSoundMusic));
    EXPECT_TRUE(sound.IsAudible(kSoundEffects));
    sound.SetEnabled(kSoundEffects, false);
    EXPECT_FALSE(sound.IsAudible(kSoundEffects));
    EXPECT_EQ(sound.GetEffectiveVolume(kSoundEffects), 0.0f);
    sound.SetEnabled(kSoundEffects, true);
    EXPECT_EQ(sound.GetEffectiveVolume(kSoundEffects), 100.0f);
}

TEST(SoundSettingsTest, AppliedSettingsReachTheMixerOnceAndBrokenVolumesCountAsZero) {
    platform::NullAudioDevice device;
    SoundManager sound;
    sound.SetOutputDevice(&device);
    sound.Init();
    platform::Mixer& mixer = *sound.GetMixer();

    const SoundSettings musicOff{0, 80.0f, 1, 25.0f};
    sound.ApplySettings(&musicOff);
    EXPECT_EQ(mixer.StreamVolume(), 0);
    EXPECT_EQ(mixer.SampleVolume(), 2500);
    SoundSettings stored{};
    sound.GetSettings(&stored);
    EXPECT_EQ(stored.musicVolume, 80.0f);
    EXPECT_EQ(stored.musicOn, 0u);
    sound.ApplySettings(nullptr);
    EXPECT_EQ(mixer.SampleVolume(), 2500);

    const float broken[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity()};
    for (float volume : broken) {
        const SoundSettings settings{1, volume, 1, volume};
        sound.ApplySettings(&settings);
        sound.GetSettings(&stored);
        EXPECT_EQ(stored.musicVolume, 0.0f);
        EXPECT_EQ(stored.soundsVolume, 0.0f);
        EXPECT_EQ(mixer.StreamVolume(), 0);
        EXPECT_EQ(mixer.SampleVolume(), 0);
    }
}

} // namespace
