#pragma once
// Ogg Vorbis files made for the tests with the reference encoder, in the
// page layouts other encoders and muxers produce.
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

enum class OggLayout {
    Standard,      // the encoder's own pages
    PagePerPacket, // every packet on a page of its own
    SplitPackets,  // pages of about 100 bytes: most packets run across pages
    OnePage,       // every audio packet on one page after the headers
};

// Encodes interleaved samples (-1 to 1) at quality 0.4.
std::vector<uint8_t> EncodeVorbis(int channels, int rate, const std::vector<float>& samples, OggLayout layout,
                                  int serial = 1);

// The encoder's three header packets for the given shape, each whole.
std::vector<std::vector<uint8_t>> VorbisHeaders(int channels, int rate);

// Wraps packets into one logical stream of pages, each packet flushed onto
// pages of its own; the last page ends the stream.
std::vector<uint8_t> OggPages(const std::vector<std::vector<uint8_t>>& packets, int serial = 1);

// Sets the check value of every whole page to match its bytes, so that
// damage to a page reaches the decoder instead of losing the page.
void FixOggChecksums(std::string& bytes);

} // namespace testsupport
