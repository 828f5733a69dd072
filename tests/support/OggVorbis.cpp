#include "tests/support/OggVorbis.h"

#include "platform/BitWriter.h"

#include <ogg/ogg.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cstring>

// Present when the leak checker runs.
extern "C" void __lsan_disable() __attribute__((weak));
extern "C" void __lsan_enable() __attribute__((weak));

namespace testsupport {
namespace {

// The reference encoder keeps some tables of its surround setups for good
// (seen with six channels): the encoder's own affair, not a fault of the code
// under test, so its setup runs unseen by the leak checker.
int InitEncoder(vorbis_info* info, int channels, int rate) {
    if (__lsan_disable) __lsan_disable();
    const int result = vorbis_encode_init_vbr(info, channels, rate, 0.4f);
    if (__lsan_enable) __lsan_enable();
    return result;
}

void AppendPage(std::vector<uint8_t>& out, const ogg_page& page) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

} // namespace

std::vector<uint8_t> EncodeVorbis(int channels, int rate, const std::vector<float>& samples, OggLayout layout,
                                  int serial) {
    std::vector<uint8_t> out;
    vorbis_info info;
    vorbis_info_init(&info);
    if (InitEncoder(&info, channels, rate) != 0) {
        vorbis_info_clear(&info);
        return out;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, serial);

    ogg_packet header, commentHeader, setup;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &setup);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &setup);
    ogg_page page;
    while (ogg_stream_flush(&stream, &page))
        AppendPage(out, page);

    auto drain = [&](bool last) {
        ogg_packet packet;
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                switch (layout) {
                case OggLayout::Standard:
                    while (ogg_stream_pageout(&stream, &page))
                        AppendPage(out, page);
                    break;
                case OggLayout::PagePerPacket:
                    while (ogg_stream_flush(&stream, &page))
                        AppendPage(out, page);
                    break;
                case OggLayout::SplitPackets:
                    while (ogg_stream_pageout_fill(&stream, &page, 100))
                        AppendPage(out, page);
                    break;
                case OggLayout::OnePage:
                    break;
                }
            }
        }
        if (last) {
            while (ogg_stream_flush_fill(&stream, &page, 1 << 30))
                AppendPage(out, page);
        }
    };
    const size_t frames = samples.size() / size_t(channels);
    for (size_t at = 0; at < frames;) {
        const size_t count = std::min<size_t>(1024, frames - at);
        float** buffer = vorbis_analysis_buffer(&dsp, int(count));
        for (size_t i = 0; i < count; ++i)
            for (int c = 0; c < channels; ++c)
                buffer[c][i] = samples[(at + i) * size_t(channels) + size_t(c)];
        vorbis_analysis_wrote(&dsp, int(count));
        at += count;
        drain(false);
    }
    vorbis_analysis_wrote(&dsp, 0);
    drain(true);

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}

std::vector<std::vector<uint8_t>> VorbisHeaders(int channels, int rate) {
    std::vector<std::vector<uint8_t>> packets;
    vorbis_info info;
    vorbis_info_init(&info);
    if (InitEncoder(&info, channels, rate) == 0) {
        vorbis_comment comment;
        vorbis_comment_init(&comment);
        vorbis_dsp_state dsp;
        vorbis_analysis_init(&dsp, &info);
        ogg_packet header[3];
        vorbis_analysis_headerout(&dsp, &comment, &header[0], &header[1], &header[2]);
        for (const ogg_packet& p : header)
            packets.emplace_back(p.packet, p.packet + p.bytes);
        vorbis_dsp_clear(&dsp);
        vorbis_comment_clear(&comment);
    }
    vorbis_info_clear(&info);
    return packets;
}

std::vector<uint8_t> OggPages(const std::vector<std::vector<uint8_t>>& packets, int serial,
                              const std::vector<int64_t>& granules) {
    std::vector<uint8_t> out;
    ogg_stream_state stream;
    ogg_stream_init(&stream, serial);
    for (size_t i = 0; i < packets.size(); ++i) {
        std::vector<uint8_t> bytes = packets[i];
        ogg_packet packet{};
        packet.packet = bytes.data();
        packet.bytes = long(bytes.size());
        packet.b_o_s = i == 0;
        packet.e_o_s = i + 1 == packets.size();
        packet.packetno = ogg_int64_t(i);
        if (i < granules.size()) packet.granulepos = granules[i];
        ogg_stream_packetin(&stream, &packet);
        ogg_page page;
        while (ogg_stream_flush(&stream, &page))
            AppendPage(out, page);
    }
    ogg_stream_clear(&stream);
    return out;
}

namespace {

using platform::BitWriter;

// A float of Vorbis's own packing: 21-bit mantissa, 10-bit exponent biased
// by 788, sign; here mantissa 2^20.
uint32_t VorbisFloat(bool negative, int powerOfTwo) {
    return (negative ? 0x80000000u : 0u) | uint32_t(powerOfTwo - 20 + 788) << 21 | 1u << 20;
}

} // namespace

std::vector<uint8_t> SingleEntryBookStream(SingleEntryBook book, int audioPackets, uint32_t seed, int serial,
                                           int codeLength) {
    std::vector<std::vector<uint8_t>> packets;
    BitWriter id;
    id.PutBytes("\x01vorbis", 7);
    id.Put(0, 32);    // version
    id.Put(1, 8);     // channels
    id.Put(8000, 32); // rate
    for (int i = 0; i < 3; ++i)
        id.Put(0, 32); // bit rates
    id.Put(6, 4);      // short blocks of 2^6
    id.Put(6, 4);      // long blocks of 2^6
    id.Put(1, 8);      // framing
    packets.push_back(id.Bytes());

    BitWriter comment;
    comment.PutBytes("\x03vorbis", 7);
    comment.Put(0, 32); // vendor
    comment.Put(0, 32); // no comments
    comment.Put(1, 8);  // framing
    packets.push_back(comment.Bytes());

    BitWriter setup;
    setup.PutBytes("\x05vorbis", 7);
    setup.Put(1, 8); // two codebooks
    // Book 0, the classification book: one dimension, one used entry (of length 1).
    setup.Put(0x564342, 24);
    setup.Put(1, 16);
    switch (book) {
    case SingleEntryBook::Sparse:
        setup.Put(2, 24);
        setup.Put(0, 1);              // unordered
        setup.Put(1, 1);              // sparse
        setup.Put(1, 1);              // entry 0 used,
        setup.Put(codeLength - 1, 5); // its length
        setup.Put(0, 1);              // entry 1 unused
        break;
    case SingleEntryBook::NonSparse:
        setup.Put(1, 24);
        setup.Put(0, 1);              // unordered
        setup.Put(0, 1);              // not sparse
        setup.Put(codeLength - 1, 5); // its length
        break;
    case SingleEntryBook::Ordered:
        setup.Put(1, 24);
        setup.Put(1, 1);              // ordered
        setup.Put(codeLength - 1, 5); // from its length:
        setup.Put(1, 1);              // one entry
        break;
    }
    setup.Put(0, 4); // no lookup
    // Book 1: two entries of length 1 giving -1 and +1.
    setup.Put(0x564342, 24);
    setup.Put(1, 16);
    setup.Put(2, 24);
    setup.Put(1, 1);                      // ordered
    setup.Put(0, 5);                      // from length 1:
    setup.Put(2, 2);                      // two entries
    setup.Put(1, 4);                      // lattice lookup
    setup.Put(VorbisFloat(true, 0), 32);  // minimum -1
    setup.Put(VorbisFloat(false, 1), 32); // step 2
    setup.Put(0, 4);                      // values of 1 bit
    setup.Put(0, 1);                      // not cumulative
    setup.Put(0, 1);
    setup.Put(1, 1);
    setup.Put(0, 6); // one time-domain slot
    setup.Put(0, 16);
    setup.Put(0, 6);   // one floor:
    setup.Put(1, 16);  // type 1,
    setup.Put(0, 5);   // no partitions,
    setup.Put(0, 2);   // multiplier 1,
    setup.Put(5, 4);   // x from 0 to 32
    setup.Put(0, 6);   // one residue:
    setup.Put(1, 16);  // type 1,
    setup.Put(0, 24);  // from 0
    setup.Put(32, 24); // to 32,
    setup.Put(31, 24); // in one partition of 32,
    setup.Put(1, 6);   // two classifications
    setup.Put(0, 8);   // read by book 0;
    for (int c = 0; c < 2; ++c) {
        setup.Put(1, 3); // each decoded in the first pass
        setup.Put(0, 1);
    }
    setup.Put(1, 8); // by book 1
    setup.Put(1, 8);
    setup.Put(0, 6);  // one mapping:
    setup.Put(0, 16); // type 0,
    setup.Put(0, 1);  // one submap,
    setup.Put(0, 1);  // no coupling,
    setup.Put(0, 2);
    setup.Put(0, 8); // time slot,
    setup.Put(0, 8); // floor 0,
    setup.Put(0, 8); // residue 0
    setup.Put(0, 6); // one mode:
    setup.Put(0, 1); // short blocks,
    setup.Put(0, 16);
    setup.Put(0, 16);
    setup.Put(0, 8); // mapping 0
    setup.Put(1, 1); // framing
    packets.push_back(setup.Bytes());

    std::vector<int64_t> granules(3, 0);
    uint32_t random = seed;
    for (int p = 0; p < audioPackets; ++p) {
        BitWriter audio;
        audio.Put(0, 1);   // audio
        audio.Put(1, 1);   // the floor is used
        audio.Put(220, 8); // flat at 220
        audio.Put(220, 8);
        audio.Put(0, 1); // the classification: the book's one entry
        for (int i = 0; i < 32; ++i) {
            random = random * 1103515245u + 12345u;
            audio.Put(random >> 31, 1);
        }
        packets.push_back(audio.Bytes());
        granules.push_back(int64_t(p) * 32);
    }
    return OggPages(packets, serial, granules);
}

void FixOggChecksums(std::string& bytes) {
    for (size_t at = 0; at + 27 <= bytes.size();) {
        if (bytes.compare(at, 4, "OggS") != 0) return;
        const size_t segments = uint8_t(bytes[at + 26]);
        if (at + 27 + segments > bytes.size()) return;
        size_t body = 0;
        for (size_t s = 0; s < segments; ++s)
            body += uint8_t(bytes[at + 27 + s]);
        const size_t length = 27 + segments + body;
        if (at + length > bytes.size()) return;
        ogg_page page{};
        page.header = reinterpret_cast<unsigned char*>(&bytes[at]);
        page.header_len = long(27 + segments);
        page.body = reinterpret_cast<unsigned char*>(&bytes[at + 27 + segments]);
        page.body_len = long(body);
        ogg_page_checksum_set(&page);
        at += length;
    }
}

} // namespace testsupport
