#pragma once
// Rendered sounds as files the game's audio decoders read: 16-bit mono PCM
// wave files for the effects, Ogg Vorbis for the music.

#include <cstdint>
#include <string>
#include <vector>

namespace soundsynth {

std::vector<uint8_t> EncodeWav(const std::vector<int16_t>& samples, int rate);

// Mono Ogg Vorbis at a variable bit rate of the quality (-0.1 to 1); the
// same samples always give the same bytes. Empty, with the reason, when the
// encoder refuses the shape.
std::vector<uint8_t> EncodeOggVorbis(const std::vector<float>& samples, int rate, float quality,
                                     std::string* error);

} // namespace soundsynth
