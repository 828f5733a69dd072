#pragma once
// Shared by the sound tests: a sound manager playing into the null output
// device at full volume, whose output the test reads back.
#include "engine/SoundManager.h"
#include "platform/headless/NullAudioDevice.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace soundtest {

class SoundOutputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        device.SetCapture(true);
        sound.SetOutputDevice(&device);
        sound.Init();
        ASSERT_TRUE(sound.HasSound());
        // Full volume, so a voice reaches the output unscaled.
        sound.SetVolume(kSoundMusic, 100.0f);
        sound.SetVolume(kSoundEffects, 100.0f);
    }

    // Renders `ms` and gives the left value of the last frame.
    int Output(uint32_t ms) {
        device.ClearCapture();
        device.AdvanceMilliseconds(ms);
        std::vector<int16_t> frames = device.Captured();
        return frames.empty() ? 0 : frames[frames.size() - 2];
    }

    testsupport::TempDir dir;
    platform::NullAudioDevice device;
    SoundManager sound;
};

} // namespace soundtest
