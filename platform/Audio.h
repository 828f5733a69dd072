#pragma once
#include <cstdint>

namespace platform {

// Everything the mixer hands to an output device: interleaved stereo 16-bit
// frames at the device's rate.
constexpr int kAudioChannels = 2;
constexpr int kAudioRate = 44100;

// Fills output blocks. The device calls Render from its own thread (the SDL
// audio thread) or, for the null device, from whoever advances it.
class AudioRenderer {
  public:
    virtual ~AudioRenderer() = default;
    virtual void Render(int16_t* stereo, int frames) = 0;
    // Moves on by `frames` as Render would, for output nobody hears: every
    // sound ends, loops and slides exactly as if rendered. This default
    // renders into a scratch block; a renderer that can skip the work does.
    virtual void Skip(int frames) {
        constexpr int kScratchFrames = 256;
        int16_t scratch[kScratchFrames * kAudioChannels];
        while (frames > 0) {
            const int block = frames < kScratchFrames ? frames : kScratchFrames;
            Render(scratch, block);
            frames -= block;
        }
    }
};

// An output device: SDL audio, or the null device that only advances in time.
class AudioDevice {
  public:
    virtual ~AudioDevice() = default;
    // Starts pulling blocks from the renderer; false when no output can be opened.
    virtual bool Start(AudioRenderer* renderer) = 0;
    // Stops pulling; after it returns the renderer is not called again.
    virtual void Stop() = 0;
    virtual int Rate() const = 0;
};

} // namespace platform
