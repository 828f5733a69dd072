#pragma once
#include "platform/AudioDecoder.h"

namespace platform {

// Ogg Vorbis through libvorbisfile, decoding from the bytes it owns. Chained
// files play link after link (all at the first link's rate); one channel
// stays mono, more are mixed down to stereo. A residue's classification book
// of one entry, which libvorbis would refuse, is first written again as the
// equivalent sparse book (see VorbisDecoder.cpp).
std::unique_ptr<AudioDecoder> OpenVorbisDecoder(std::vector<uint8_t> bytes, std::string* error);

} // namespace platform
