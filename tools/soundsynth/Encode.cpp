#include "tools/soundsynth/Encode.h"

#include "foundation/ByteOrder.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>

namespace soundsynth {
namespace {

constexpr int kSerial = 0x56424C44; // one logical stream a file; any fixed number keeps builds equal
constexpr int kBlockFrames = 1024;

void AppendPage(std::vector<uint8_t>& out, const ogg_page& page) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

} // namespace

std::vector<uint8_t> EncodeWav(const std::vector<int16_t>& samples, int rate) {
    const uint32_t dataBytes = uint32_t(samples.size() * 2);
    std::vector<uint8_t> wav(44 + dataBytes);
    uint8_t* p = wav.data();
    auto tag = [&](size_t at, const char* t) { std::copy(t, t + 4, p + at); };
    tag(0, "RIFF");
    kis::StoreLE32(p + 4, 36 + dataBytes);
    tag(8, "WAVE");
    tag(12, "fmt ");
    kis::StoreLE32(p + 16, 16);
    kis::StoreLE16(p + 20, 1); // PCM
    kis::StoreLE16(p + 22, 1); // mono
    kis::StoreLE32(p + 24, uint32_t(rate));
    kis::StoreLE32(p + 28, uint32_t(rate) * 2);
    kis::StoreLE16(p + 32, 2);
    kis::StoreLE16(p + 34, 16);
    tag(36, "data");
    kis::StoreLE32(p + 40, dataBytes);
    for (size_t i = 0; i < samples.size(); ++i)
        kis::StoreLE16(p + 44 + 2 * i, uint16_t(samples[i]));
    return wav;
}

std::vector<uint8_t> EncodeOggVorbis(const std::vector<float>& samples, int rate, float quality,
                                     std::string* error) {
    std::vector<uint8_t> out;
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, 1, rate, quality) != 0) {
        vorbis_info_clear(&info);
        if (error) *error = "the Vorbis encoder refuses rate " + std::to_string(rate);
        return out;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, kSerial);

    ogg_packet header, commentHeader, setup;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &setup);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &setup);
    ogg_page page;
    // The audio starts on a page of its own, as players expect.
    while (ogg_stream_flush(&stream, &page))
        AppendPage(out, page);

    auto drain = [&] {
        ogg_packet packet;
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page))
                    AppendPage(out, page);
            }
        }
    };
    for (size_t at = 0; at < samples.size();) {
        const size_t count = std::min<size_t>(kBlockFrames, samples.size() - at);
        float** buffer = vorbis_analysis_buffer(&dsp, int(count));
        std::copy(samples.begin() + ptrdiff_t(at), samples.begin() + ptrdiff_t(at + count), buffer[0]);
        vorbis_analysis_wrote(&dsp, int(count));
        at += count;
        drain();
    }
    vorbis_analysis_wrote(&dsp, 0); // the end of the stream
    drain();
    while (ogg_stream_flush(&stream, &page))
        AppendPage(out, page);

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}

} // namespace soundsynth
