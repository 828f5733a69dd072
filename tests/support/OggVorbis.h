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
// pages of its own; the last page ends the stream. `granules`, when given,
// holds each packet's granule position.
std::vector<uint8_t> OggPages(const std::vector<std::vector<uint8_t>>& packets, int serial = 1,
                              const std::vector<int64_t>& granules = {});

// How a codebook of one used entry is written in a setup header: among two
// entries of which only the first is used, as one entry of its own, or as
// one entry in length order.
enum class SingleEntryBook { Sparse, NonSparse, Ordered };

// A small stream written bit by bit: mono, 8000 Hz, short blocks of 64
// samples, a flat floor and a residue of two classifications whose
// classification book has the single entry (a legal book: reading it takes
// one bit and always gives that entry). Each of the `audioPackets` packets
// holds 32 residue values of +1 or -1 drawn from `seed`. The single entry's
// code length is `codeLength` bits (the packets always give it one bit).
std::vector<uint8_t> SingleEntryBookStream(SingleEntryBook book, int audioPackets, uint32_t seed = 1,
                                           int serial = 1, int codeLength = 1);

// Sets the check value of every whole page to match its bytes, so that
// damage to a page reaches the decoder instead of losing the page.
void FixOggChecksums(std::string& bytes);

} // namespace testsupport
