#include "tests/support/SoundData.h"

#include "platform/AudioDecoder.h"

#include <gtest/gtest.h>

namespace testsupport {
namespace {
void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
} // namespace

std::vector<uint8_t> MakeChunk(const char id[4], const std::vector<uint8_t>& body) {
    std::vector<uint8_t> out(id, id + 4);
    Put32(out, uint32_t(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    if (body.size() & 1) out.push_back(0);
    return out;
}

std::vector<uint8_t> MakeWav(uint16_t formatTag, uint16_t channels, uint32_t rate, uint16_t bitsPerSample,
                             const std::vector<uint8_t>& data, const std::vector<uint8_t>& extraChunks) {
    std::vector<uint8_t> fmt;
    uint16_t blockAlign = uint16_t(channels * (bitsPerSample / 8));
    Put16(fmt, formatTag);
    Put16(fmt, channels);
    Put32(fmt, rate);
    Put32(fmt, rate * blockAlign);
    Put16(fmt, blockAlign);
    Put16(fmt, bitsPerSample);
    std::vector<uint8_t> body = {'W', 'A', 'V', 'E'};
    std::vector<uint8_t> fmtChunk = MakeChunk("fmt ", fmt);
    body.insert(body.end(), fmtChunk.begin(), fmtChunk.end());
    body.insert(body.end(), extraChunks.begin(), extraChunks.end());
    std::vector<uint8_t> dataChunk = MakeChunk("data", data);
    body.insert(body.end(), dataChunk.begin(), dataChunk.end());
    return MakeChunk("RIFF", body);
}

std::vector<uint8_t> MakeWav16(uint16_t channels, uint32_t rate, const std::vector<int16_t>& samples) {
    std::vector<uint8_t> data;
    for (int16_t s : samples)
        Put16(data, uint16_t(s));
    return MakeWav(1, channels, rate, 16, data);
}

bool ExpectDecodesToAnEndOrRefuses(const std::string& bytes) {
    std::string error;
    auto decoder = platform::OpenAudioDecoder(std::vector<uint8_t>(bytes.begin(), bytes.end()), &error);
    if (!decoder) {
        EXPECT_FALSE(error.empty());
        return false;
    }
    EXPECT_GE(decoder->Channels(), 1);
    EXPECT_LE(decoder->Channels(), 2);
    EXPECT_GT(decoder->Rate(), 0);
    if (decoder->Channels() < 1 || decoder->Channels() > 2) return true;
    std::vector<int16_t> out(size_t(1024) * size_t(decoder->Channels()));
    for (int pass = 0; pass < 2; ++pass) {
        int64_t frames = 0;
        for (int n; (n = decoder->Read(out.data(), 1024)) > 0 && frames < 4000000;)
            frames += n;
        EXPECT_LT(frames, 4000000) << "decoding ends";
        if (!decoder->Rewind()) break;
    }
    return true;
}

} // namespace testsupport
