#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// Builds a RIFF/WAVE file in memory: the format chunk from the arguments,
// then `extraChunks` (raw bytes, already framed), then the data chunk.
std::vector<uint8_t> MakeWav(uint16_t formatTag, uint16_t channels, uint32_t rate, uint16_t bitsPerSample,
                             const std::vector<uint8_t>& data, const std::vector<uint8_t>& extraChunks = {});

// 16-bit PCM from signed samples (interleaved when stereo).
std::vector<uint8_t> MakeWav16(uint16_t channels, uint32_t rate, const std::vector<int16_t>& samples);

// A chunk with its id and size header and the padding byte for odd sizes.
std::vector<uint8_t> MakeChunk(const char id[4], const std::vector<uint8_t>& body);

// Opens the bytes (a damaged sound file) as audio; whether they opened. A
// refusal must give its reason; an opened stream must have one or two
// channels and a rate, and reading it must end, before and after a rewind,
// long before four million frames (far more than a test's good file holds).
bool ExpectDecodesToAnEndOrRefuses(const std::string& bytes);

} // namespace testsupport
