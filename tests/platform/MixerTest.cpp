#include "platform/Mixer.h"
#include "platform/headless/NullAudioDevice.h"
#include "tests/support/SoundData.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>

using platform::ChannelState;
using platform::Mixer;
using platform::NullAudioDevice;

namespace {

// A mixer on the null device, rendering only when the test advances it.
struct MixerRig {
    Mixer mixer;
    NullAudioDevice device;
    MixerRig() {
        device.Start(&mixer);
        device.SetCapture(true);
    }
    // Renders `frames` frames and gives back the left channel of them.
    std::vector<int> Left(int frames) {
        device.ClearCapture();
        device.Advance(frames);
        std::vector<int16_t> all = device.Captured();
        std::vector<int> left;
        for (size_t i = 0; i < all.size(); i += 2)
            left.push_back(all[i]);
        return left;
    }
};

std::vector<uint8_t> Constant(int16_t value, int frames, uint32_t rate = platform::kAudioRate) {
    return testsupport::MakeWav16(1, rate, std::vector<int16_t>(size_t(frames), value));
}

std::vector<uint8_t> Ramp(int frames) {
    std::vector<int16_t> samples(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i)
        samples[size_t(i)] = int16_t(i);
    return testsupport::MakeWav16(1, platform::kAudioRate, samples);
}

uint32_t PlayNew(Mixer& mixer, uint32_t sample) {
    uint32_t channel = mixer.SampleChannel(sample);
    EXPECT_TRUE(mixer.Play(channel, true));
    return channel;
}

} // namespace

TEST(Mixer, ASamplePlayedTwiceOverlaps) {
    MixerRig rig;
    uint32_t sample = rig.mixer.LoadSample(Constant(1000, 300), false);
    ASSERT_NE(sample, 0u);
    uint32_t first = PlayNew(rig.mixer, sample);
    EXPECT_EQ(rig.Left(100), std::vector<int>(100, 1000));
    uint32_t second = PlayNew(rig.mixer, sample);
    EXPECT_NE(first, second);
    std::vector<int> out = rig.Left(400);
    EXPECT_EQ(out[0], 2000);
    EXPECT_EQ(out[199], 2000); // the first play's last frame
    EXPECT_EQ(out[200], 1000); // only the second is left
    EXPECT_EQ(out[299], 1000);
    EXPECT_EQ(out[300], 0);
    EXPECT_EQ(rig.mixer.State(first), ChannelState::Stopped);
    EXPECT_EQ(rig.mixer.State(second), ChannelState::Stopped);
}

TEST(Mixer, APlayBeyondTheVoiceLimitRestartsTheVoiceFurthestAlong) {
    MixerRig rig;
    uint32_t sample = rig.mixer.LoadSample(Constant(100, 1000), true);
    ASSERT_EQ(rig.mixer.SampleMaxVoices(sample), 16);
    std::vector<uint32_t> voices;
    for (int i = 0; i < 16; ++i) {
        voices.push_back(PlayNew(rig.mixer, sample));
        rig.Left(10 + i); // every voice is at its own position
    }
    rig.mixer.Pause(voices[5]); // paused voices are busy too
    EXPECT_EQ(rig.Left(1)[0], 1500);

    uint32_t seventeenth = PlayNew(rig.mixer, sample);
    // The first voice was furthest along: its handle is gone, all others stay.
    EXPECT_EQ(rig.mixer.State(voices[0]), ChannelState::Stopped);
    EXPECT_FALSE(rig.mixer.Play(voices[0], false));
    for (int i = 1; i < 16; ++i)
        EXPECT_EQ(rig.mixer.State(voices[size_t(i)]), i == 5 ? ChannelState::Paused : ChannelState::Playing)
            << i;
    EXPECT_EQ(rig.mixer.State(seventeenth), ChannelState::Playing);
    EXPECT_EQ(rig.Left(1)[0], 1500);

    // A voice that has stopped is free again: the next play takes it and no
    // other playing voice gives way.
    rig.mixer.Stop(voices[7]);
    uint32_t eighteenth = PlayNew(rig.mixer, sample);
    EXPECT_EQ(rig.mixer.State(voices[7]), ChannelState::Stopped);
    for (int i = 1; i < 16; ++i) {
        if (i == 5 || i == 7) continue;
        EXPECT_EQ(rig.mixer.State(voices[size_t(i)]), ChannelState::Playing) << i;
    }
    EXPECT_EQ(rig.mixer.State(eighteenth), ChannelState::Playing);
}

TEST(Mixer, AVolumeSlideReachesItsEndVolumeAtItsEndTime) {
    MixerRig rig;
    uint32_t sample = rig.mixer.LoadSample(Constant(10000, 44100), true);
    uint32_t voice = PlayNew(rig.mixer, sample);
    ASSERT_TRUE(rig.mixer.SlideVolume(voice, 0.0f, 100)); // 4410 frames
    EXPECT_TRUE(rig.mixer.IsSliding(voice));
    std::vector<int> firstHalf = rig.Left(2205);
    EXPECT_NEAR(firstHalf.back(), 5000, 5);
    for (size_t i = 1; i < firstHalf.size(); ++i)
        ASSERT_LE(firstHalf[i], firstHalf[i - 1]);
    EXPECT_TRUE(rig.mixer.IsSliding(voice));
    std::vector<int> secondHalf = rig.Left(2205);
    EXPECT_GT(secondHalf[2203], 0);
    EXPECT_EQ(secondHalf[2204], 0);
    EXPECT_FALSE(rig.mixer.IsSliding(voice));
    EXPECT_EQ(rig.Left(10), std::vector<int>(10, 0));

    // Upwards, and a slide over no time sets the volume at once.
    rig.mixer.SlideVolume(voice, 0.5f, 10);
    EXPECT_EQ(rig.Left(441).back(), 5000);
    rig.mixer.SlideVolume(voice, 1.0f, 0);
    EXPECT_FALSE(rig.mixer.IsSliding(voice));
    EXPECT_EQ(rig.Left(1)[0], 10000);

    // Milliseconds on the null device carry their fractions: 4410 frames in 100 steps of 1 ms.
    rig.mixer.SlideVolume(voice, 0.0f, 100);
    rig.device.ClearCapture();
    for (int i = 0; i < 99; ++i)
        rig.device.AdvanceMilliseconds(1);
    EXPECT_TRUE(rig.mixer.IsSliding(voice));
    rig.device.AdvanceMilliseconds(1);
    EXPECT_FALSE(rig.mixer.IsSliding(voice));
    EXPECT_EQ(rig.device.Captured().size(), 4410u * 2);
}

TEST(Mixer, AVolumeSlideRunsOnWhileItsChannelIsPaused) {
    MixerRig rig;
    uint32_t sample = rig.mixer.LoadSample(Constant(10000, 44100), true);
    uint32_t voice = PlayNew(rig.mixer, sample);
    ASSERT_TRUE(rig.mixer.SlideVolume(voice, 0.0f, 100)); // 4410 frames
    ASSERT_TRUE(rig.mixer.Pause(voice));
    EXPECT_EQ(rig.Left(4409), std::vector<int>(4409, 0)); // paused: silent
    EXPECT_TRUE(rig.mixer.IsSliding(voice));
    rig.Left(1);
    EXPECT_FALSE(rig.mixer.IsSliding(voice)) << "the slide ends on time although nothing sounded";
    EXPECT_EQ(rig.mixer.State(voice), ChannelState::Paused);
    ASSERT_TRUE(rig.mixer.Play(voice, false));
    EXPECT_EQ(rig.Left(10), std::vector<int>(10, 0)) << "resumed at the slide's end volume";

    // A stream fading in while paused comes back halfway up after half the time.
    uint32_t stream = rig.mixer.CreateStream(Constant(8000, 44100), true);
    ASSERT_TRUE(rig.mixer.Play(stream, true));
    rig.mixer.SetVolume(stream, 0.0f);
    rig.mixer.SlideVolume(stream, 1.0f, 100);
    rig.mixer.Pause(stream);
    rig.Left(2205);
    rig.mixer.Play(stream, false);
    EXPECT_NEAR(rig.Left(1)[0], 4000, 5);
    EXPECT_TRUE(rig.mixer.IsSliding(stream));
}

TEST(Mixer, ALoopingStreamWrapsSeamlessly) {
    MixerRig rig;
    // Not a multiple of the decode block, so the wrap falls inside a block.
    const int length = 5003;
    uint32_t stream = rig.mixer.CreateStream(Ramp(length), true);
    ASSERT_NE(stream, 0u);
    ASSERT_TRUE(rig.mixer.Play(stream, true));
    std::vector<int> out = rig.Left(3 * length + 123);
    for (size_t i = 0; i < out.size(); ++i)
        ASSERT_EQ(out[i], int(i % length)) << "frame " << i;
    EXPECT_EQ(rig.mixer.State(stream), ChannelState::Playing);

    // Without the loop flag it ends after the current pass.
    rig.mixer.SetLooping(stream, false);
    EXPECT_FALSE(rig.mixer.Looping(stream));
    out = rig.Left(length);
    EXPECT_EQ(out[size_t(length - 124)], length - 1);
    EXPECT_EQ(out[size_t(length - 123)], 0);
    EXPECT_EQ(rig.mixer.State(stream), ChannelState::Stopped);

    // Playing again after the end starts from the first frame.
    rig.mixer.Play(stream, false);
    EXPECT_EQ(rig.Left(3), (std::vector<int>{0, 1, 2}));
}

TEST(Mixer, PauseResumesWhereItStoppedAndRestartGoesBackToTheStart) {
    MixerRig rig;
    uint32_t sample = rig.mixer.LoadSample(Ramp(1000), false);
    uint32_t voice = PlayNew(rig.mixer, sample);
    rig.Left(10);
    ASSERT_TRUE(rig.mixer.Pause(voice));
    EXPECT_EQ(rig.mixer.State(voice), ChannelState::Paused);
    EXPECT_EQ(rig.Left(5), std::vector<int>(5, 0));
    rig.mixer.Play(voice, false);
    EXPECT_EQ(rig.Left(2), (std::vector<int>{10, 11}));
    rig.mixer.Play(voice, true);
    EXPECT_EQ(rig.Left(2), (std::vector<int>{0, 1}));
    rig.mixer.Stop(voice);
    EXPECT_EQ(rig.mixer.State(voice), ChannelState::Stopped);
    EXPECT_EQ(rig.Left(2), (std::vector<int>{0, 0}));
}

TEST(Mixer, ACuedChannelWaitsSilentlyAtItsStartAndHoldsItsVoice) {
    MixerRig rig;
    uint32_t sample = rig.mixer.LoadSample(Ramp(1000), false, 1);
    uint32_t voice = rig.mixer.SampleChannel(sample);
    EXPECT_FALSE(rig.mixer.Pause(voice)); // a stopped voice cannot be paused
    ASSERT_TRUE(rig.mixer.Cue(voice));
    EXPECT_EQ(rig.mixer.State(voice), ChannelState::Paused);
    EXPECT_EQ(rig.Left(1024 + 5), std::vector<int>(1024 + 5, 0)); // more than a mix block: nothing sounds
    // The cued voice is busy: the only voice is taken over, not handed out as free.
    uint32_t other = rig.mixer.SampleChannel(sample);
    EXPECT_EQ(rig.mixer.State(voice), ChannelState::Stopped);
    ASSERT_TRUE(rig.mixer.Cue(other));
    ASSERT_TRUE(rig.mixer.Play(other, false));
    EXPECT_EQ(rig.Left(3), (std::vector<int>{0, 1, 2}));
    // Cueing a voice part-way through puts it back at its start.
    ASSERT_TRUE(rig.mixer.Cue(other));
    EXPECT_EQ(rig.Left(2), (std::vector<int>{0, 0}));
    rig.mixer.Play(other, false);
    EXPECT_EQ(rig.Left(2), (std::vector<int>{0, 1}));
    rig.mixer.Stop(other);

    uint32_t stream = rig.mixer.CreateStream(Ramp(100), false);
    rig.mixer.Play(stream, true);
    rig.Left(200); // played to its end
    ASSERT_TRUE(rig.mixer.Cue(stream));
    EXPECT_EQ(rig.mixer.State(stream), ChannelState::Paused);
    rig.mixer.Play(stream, false);
    EXPECT_EQ(rig.Left(3), (std::vector<int>{0, 1, 2}));
    EXPECT_FALSE(rig.mixer.Cue(voice)); // stale
}

TEST(Mixer, GlobalVolumesScaleSamplesAndStreamsApart) {
    MixerRig rig;
    uint32_t sample = rig.mixer.LoadSample(Constant(1000, 100), true);
    uint32_t stream = rig.mixer.CreateStream(Constant(3000, 100), true);
    PlayNew(rig.mixer, sample);
    rig.mixer.Play(stream, true);
    EXPECT_EQ(rig.Left(1)[0], 4000);
    rig.mixer.SetSampleVolume(5000);
    EXPECT_EQ(rig.Left(1)[0], 3500);
    rig.mixer.SetStreamVolume(0);
    EXPECT_EQ(rig.Left(1)[0], 500);
    rig.mixer.SetSampleVolume(20000); // clamped
    EXPECT_EQ(rig.mixer.SampleVolume(), 10000);
    EXPECT_EQ(rig.Left(1)[0], 1000);
}

TEST(Mixer, HandlesAreNeverReusedAndStaleOnesDoNothing) {
    MixerRig rig;
    uint32_t sample = rig.mixer.LoadSample(Constant(1000, 100), false, 1);
    uint32_t stream = rig.mixer.CreateStream(Constant(1000, 100), false);
    std::vector<uint32_t> seen = {sample, stream};
    uint32_t voice = 0;
    for (int i = 0; i < 5; ++i) {
        voice = PlayNew(rig.mixer, sample); // one voice, taken over every time
        seen.push_back(voice);
    }
    ASSERT_TRUE(rig.mixer.FreeSample(sample));
    ASSERT_TRUE(rig.mixer.FreeStream(stream));
    uint32_t again = rig.mixer.LoadSample(Constant(1000, 100), false);
    seen.push_back(again);
    seen.push_back(rig.mixer.SampleChannel(again));
    std::vector<uint32_t> sorted = seen;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end())
        << "a handle was handed out twice";
    for (uint32_t h : seen)
        EXPECT_NE(h, 0u);

    for (uint32_t stale : {sample, stream, voice, seen[2]}) {
        EXPECT_FALSE(rig.mixer.Play(stale, true));
        EXPECT_FALSE(rig.mixer.Pause(stale));
        EXPECT_FALSE(rig.mixer.SetVolume(stale, 1.0f));
        EXPECT_FALSE(rig.mixer.SlideVolume(stale, 0.0f, 10));
        EXPECT_FALSE(rig.mixer.SetLooping(stale, true));
        EXPECT_EQ(rig.mixer.State(stale), ChannelState::Stopped);
        EXPECT_EQ(rig.mixer.SampleChannel(stale), 0u);
    }
    EXPECT_FALSE(rig.mixer.FreeSample(sample));
    EXPECT_EQ(rig.Left(4), std::vector<int>(4, 0));
    // A sample handle is no channel and a channel handle no sample.
    EXPECT_FALSE(rig.mixer.Play(again, true));
    EXPECT_EQ(rig.mixer.SampleChannel(seen.back()), 0u);
}

TEST(Mixer, ResamplesOtherRatesToTheOutputRate) {
    MixerRig rig;
    uint32_t sample = rig.mixer.LoadSample(Constant(800, 1000, 22050), false);
    PlayNew(rig.mixer, sample);
    std::vector<int> out = rig.Left(2100);
    EXPECT_EQ(out[1998], 800);
    EXPECT_EQ(out[2000], 0); // twice as many output frames as source frames
}

TEST(Mixer, LoadsOggVorbisFromARegionOfAPackFile) {
    const char* data = std::getenv("VB_TEST_DATA");
    ASSERT_NE(data, nullptr) << "VB_TEST_DATA names the test data folder";
    std::ifstream in(std::string(data) + "/platform/tone441.ogg", std::ios::binary);
    std::vector<uint8_t> ogg((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(ogg.size(), 100u);

    testsupport::TempDir dir;
    std::string pack(200, 'x');
    pack.append(ogg.begin(), ogg.end());
    pack.append(50, 'y');
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.File("sounds.dat"), pack));

    MixerRig rig;
    EXPECT_EQ(rig.mixer.LoadSampleFile(dir.File("sounds.dat"), 0, 0, false), 0u); // junk at the start
    EXPECT_EQ(rig.mixer.LoadSampleFile(dir.File("sounds.dat"), 200, pack.size(), false), 0u); // past the end
    EXPECT_EQ(rig.mixer.LoadSampleFile(dir.File("missing.dat"), 0, 0, false), 0u);
    uint32_t sample = rig.mixer.LoadSampleFile(dir.File("sounds.dat"), 200, ogg.size(), false);
    ASSERT_NE(sample, 0u);

    // 0.1 s of a 441 Hz tone at 22050 Hz: 4410 output frames, 44 periods.
    PlayNew(rig.mixer, sample);
    std::vector<int> out = rig.Left(4500);
    int crossings = 0, peak = 0;
    for (size_t i = 1; i < 4400; ++i) {
        if ((out[i - 1] < 0) != (out[i] < 0)) ++crossings;
        peak = std::max(peak, std::abs(out[i]));
    }
    EXPECT_NEAR(crossings, 88, 3);
    EXPECT_NEAR(peak, 12000, 1500);
    EXPECT_EQ(out[4450], 0);

    uint32_t stream = rig.mixer.CreateStreamFile(dir.File("sounds.dat"), 200, ogg.size(), true);
    ASSERT_NE(stream, 0u);
    rig.mixer.Play(stream, true);
    out = rig.Left(3 * 4410);
    int late = 0;
    for (size_t i = 2 * 4410; i < out.size(); ++i)
        late = std::max(late, std::abs(out[i]));
    EXPECT_GT(late, 8000) << "the stream keeps playing past its end";
}

// Output nobody hears is skipped rather than mixed: the sounds must stand
// exactly where mixing would have left them, so a skipped mixer and a
// rendered one agree on every channel's state, slide and end, and sound the
// same, frame for frame, once both are heard again.
TEST(Mixer, SkippedOutputLeavesEverySoundWhereMixingWould) {
    const char* data = std::getenv("VB_TEST_DATA");
    ASSERT_NE(data, nullptr) << "VB_TEST_DATA names the test data folder";
    std::ifstream in(std::string(data) + "/platform/three441.ogg", std::ios::binary);
    std::vector<uint8_t> ogg((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(ogg.size(), 100u);

    MixerRig heard, skipped;
    skipped.device.SetCapture(false);
    struct Sounds {
        std::vector<uint32_t> channels;
    };
    auto load = [&](Mixer& mixer) {
        Sounds sounds;
        const uint32_t ramp = mixer.LoadSample(Ramp(3000), false);
        const uint32_t slowLoop = mixer.LoadSample(Constant(700, 700, 22050), true);
        const uint32_t fast = mixer.LoadSample(Constant(-900, 1000, 48000), false);
        for (uint32_t sample : {ramp, ramp, slowLoop, fast})
            sounds.channels.push_back(PlayNew(mixer, sample));
        // Streams: a loop not a multiple of any block, one that ends, one far
        // shorter than the stream buffer, and Ogg Vorbis music.
        for (auto [bytes, loop] : {std::pair{Ramp(5003), true}, std::pair{Ramp(9000), false},
                                   std::pair{Ramp(37), true}, std::pair{ogg, true}}) {
            const uint32_t stream = mixer.CreateStream(bytes, loop);
            EXPECT_NE(stream, 0u);
            EXPECT_TRUE(mixer.Play(stream, true));
            sounds.channels.push_back(stream);
        }
        return sounds;
    };
    const Sounds a = load(heard.mixer), b = load(skipped.mixer);
    ASSERT_EQ(a.channels, b.channels);
    const std::vector<uint32_t>& channels = a.channels;
    enum Sound { RampA, RampB, SlowLoop, Fast, LoopStream, EndingStream, ShortLoop, Music };

    struct Step {
        int frames;
        std::function<void(Mixer&)> then;
    };
    const std::vector<Step> steps = {
        {1,
         [&](Mixer& m) {
             m.SlideVolume(channels[Music], 0.25f, 30);
             // Ends while it slides; the slide runs on after the end.
             m.SlideVolume(channels[RampB], 3.0f, 2000);
         }},
        {511, [&](Mixer& m) { m.SlideVolume(channels[SlowLoop], 0.0f, 100); }},
        {512, [&](Mixer& m) { m.Pause(channels[LoopStream]); }},
        {1000, [&](Mixer& m) { m.SlideVolume(channels[LoopStream], 2.0f, 50); }},
        {4410, [&](Mixer& m) { m.Play(channels[LoopStream], false); }},
        {13, [&](Mixer& m) { m.SetLooping(channels[LoopStream], false); }},
        {7000,
         [&](Mixer& m) {
             m.Play(channels[RampA], true);
             m.Play(channels[RampB], true);
         }},
        {2999, [&](Mixer& m) { m.SetLooping(channels[ShortLoop], false); }},
        {20000, [&](Mixer& m) { m.Play(channels[EndingStream], false); }},
        {44100, [&](Mixer& m) { m.Play(channels[LoopStream], true); }},
        {3, [&](Mixer& m) { m.Stop(channels[Music]); }},
        {1024, [&](Mixer& m) { m.Play(channels[Music], false); }},
        {66150, [](Mixer&) {}},
    };
    auto compare = [&](size_t step) {
        for (size_t i = 0; i < channels.size(); ++i) {
            EXPECT_EQ(heard.mixer.State(channels[i]), skipped.mixer.State(channels[i]))
                << "step " << step << ", sound " << i;
            EXPECT_EQ(heard.mixer.IsSliding(channels[i]), skipped.mixer.IsSliding(channels[i]))
                << "step " << step << ", sound " << i;
        }
    };
    for (size_t i = 0; i < steps.size(); ++i) {
        heard.Left(steps[i].frames);
        skipped.Left(steps[i].frames);
        compare(i);
        steps[i].then(heard.mixer);
        steps[i].then(skipped.mixer);
        // Half way, both are heard for a while and sound alike.
        if (i == steps.size() / 2) {
            skipped.device.SetCapture(true);
            ASSERT_EQ(heard.Left(3000), skipped.Left(3000)) << "heard again after step " << i;
            skipped.device.SetCapture(false);
        }
    }
    EXPECT_EQ(heard.mixer.State(channels[EndingStream]), ChannelState::Stopped);
    EXPECT_EQ(heard.mixer.State(channels[Music]), ChannelState::Playing);
    skipped.device.SetCapture(true);
    for (int block : {1, 700, 5000, 30000})
        ASSERT_EQ(heard.Left(block), skipped.Left(block)) << "heard again, " << block << " frames";
}
