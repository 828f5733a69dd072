#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// The layout of a RIFF/WAVE file's PCM data: where the frames are and how to
// read them. The bytes stay the caller's.
struct WavLayout {
    enum class Encoding { UnsignedInt8, SignedInt16, SignedInt24, SignedInt32, Float32 };
    Encoding encoding = Encoding::SignedInt16;
    int channels = 0;      // 1 or 2
    int rate = 0;          // frames per second
    int bytesPerFrame = 0; // block alignment
    const uint8_t* frames = nullptr;
    size_t frameCount = 0;
};

// Reads the chunks of a RIFF/WAVE file held in memory. Integer PCM of 8, 16,
// 24 or 32 bits and 32-bit float, mono or stereo, also in the extensible
// header. False with a reason for anything else or for sizes that run past
// the end of the bytes.
bool ParseWav(const uint8_t* data, size_t size, WavLayout& out, std::string* error);

// Converts `count` frames starting at frame `first` to signed 16-bit samples
// (interleaved, `layout.channels` per frame).
void ConvertWavFrames(const WavLayout& layout, size_t first, size_t count, int16_t* out);

} // namespace platform
