#include "tests/support/OggVorbis.h"

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

std::vector<uint8_t> OggPages(const std::vector<std::vector<uint8_t>>& packets, int serial) {
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
        ogg_stream_packetin(&stream, &packet);
        ogg_page page;
        while (ogg_stream_flush(&stream, &page))
            AppendPage(out, page);
    }
    ogg_stream_clear(&stream);
    return out;
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
