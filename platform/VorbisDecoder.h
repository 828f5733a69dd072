#pragma once
#include "platform/AudioDecoder.h"

namespace platform {

// Ogg Vorbis through stb_vorbis, decoding from the bytes it owns.
std::unique_ptr<AudioDecoder> OpenVorbisDecoder(std::vector<uint8_t> bytes, std::string* error);

} // namespace platform
