#include "platform/WavReader.h"
#include "platform/AudioDecoder.h"
#include "platform/Random.h"
#include "tests/support/Damage.h"
#include "tests/support/OggVorbis.h"
#include "tests/support/SoundData.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

using platform::WavLayout;
using testsupport::MakeChunk;
using testsupport::MakeWav;

namespace {

std::vector<int16_t> Convert(const WavLayout& layout) {
    std::vector<int16_t> out(layout.frameCount * size_t(layout.channels));
    platform::ConvertWavFrames(layout, 0, layout.frameCount, out.data());
    return out;
}

std::vector<uint8_t> Float32Bytes(std::initializer_list<float> values) {
    std::vector<uint8_t> out;
    for (float f : values) {
        uint8_t b[4];
        std::memcpy(b, &f, 4); // the test machine is little-endian, like the files
        out.insert(out.end(), b, b + 4);
    }
    return out;
}

} // namespace

TEST(WavReader, ConvertsEveryEncodingToSigned16Bit) {
    struct Case {
        const char* name;
        uint16_t tag, bits;
        std::vector<uint8_t> data;
        std::vector<int16_t> expected;
    };
    const Case cases[] = {
        {"8-bit unsigned", 1, 8, {0x00, 0x80, 0xFF}, {-32768, 0, 32512}},
        {"16-bit", 1, 16, {0x00, 0x80, 0xFF, 0x7F, 0x34, 0x12}, {-32768, 32767, 0x1234}},
        {"24-bit keeps the top 16 bits", 1, 24, {0xAA, 0x34, 0x12, 0x00, 0x00, 0x80}, {0x1234, -32768}},
        {"32-bit keeps the top 16 bits", 1, 32, {0xAA, 0xBB, 0x34, 0x12}, {0x1234}},
        {"float clamps", 3, 32, Float32Bytes({0.5f, -1.0f, 2.0f}), {16384, -32767, 32767}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> file = MakeWav(c.tag, 1, 8000, c.bits, c.data);
        WavLayout layout;
        std::string error;
        ASSERT_TRUE(platform::ParseWav(file.data(), file.size(), layout, &error)) << error;
        EXPECT_EQ(layout.rate, 8000);
        EXPECT_EQ(layout.channels, 1);
        EXPECT_EQ(Convert(layout), c.expected);
    }
}

TEST(WavReader, SkipsOtherChunksIncludingOddSizedOnes) {
    std::vector<uint8_t> extra = MakeChunk("LIST", {1, 2, 3}); // odd: one padding byte follows
    std::vector<uint8_t> more = MakeChunk("fact", {4, 0, 0, 0});
    extra.insert(extra.end(), more.begin(), more.end());
    std::vector<uint8_t> file = MakeWav(1, 2, 44100, 16, {1, 0, 2, 0, 3, 0, 4, 0}, extra);
    WavLayout layout;
    ASSERT_TRUE(platform::ParseWav(file.data(), file.size(), layout, nullptr));
    EXPECT_EQ(layout.channels, 2);
    EXPECT_EQ(layout.frameCount, 2u);
    EXPECT_EQ(Convert(layout), (std::vector<int16_t>{1, 2, 3, 4}));
}

TEST(WavReader, ReadsTheExtensibleHeader) {
    // 16 bytes of plain format, cbSize 22, valid bits, channel mask, then the
    // sub-format GUID whose first two bytes are the PCM tag.
    std::vector<uint8_t> fmt = {0xFE, 0xFF, 1,    0, 0x40, 0x1F, 0, 0,    0x80, 0x3E, 0,    0,   2, 0,
                                16,   0,    22,   0, 16,   0,    4, 0,    0,    0,    1,    0,   0, 0,
                                0,    0,    0x10, 0, 0x80, 0,    0, 0xAA, 0,    0x38, 0x9B, 0x71};
    std::vector<uint8_t> body = {'W', 'A', 'V', 'E'};
    for (auto& chunk : {MakeChunk("fmt ", fmt), MakeChunk("data", {0x10, 0x00, 0xF0, 0xFF})})
        body.insert(body.end(), chunk.begin(), chunk.end());
    std::vector<uint8_t> file = MakeChunk("RIFF", body);
    WavLayout layout;
    std::string error;
    ASSERT_TRUE(platform::ParseWav(file.data(), file.size(), layout, &error)) << error;
    EXPECT_EQ(Convert(layout), (std::vector<int16_t>{16, -16}));
}

TEST(WavReader, RefusesBadFilesWithAReason) {
    auto truncatedData = MakeWav(1, 1, 8000, 16, {1, 0, 2, 0});
    truncatedData.resize(truncatedData.size() - 1); // the data chunk now claims a byte too many
    auto badAlign = MakeWav(1, 1, 8000, 16, {1, 0});
    badAlign[32] = 3; // block alignment
    auto noData = MakeChunk("RIFF", [] {
        std::vector<uint8_t> body = {'W', 'A', 'V', 'E'};
        auto fmt = MakeChunk("fmt ", {1, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x80, 0x3E, 0, 0, 2, 0, 16, 0});
        body.insert(body.end(), fmt.begin(), fmt.end());
        return body;
    }());
    struct Case {
        const char* name;
        std::vector<uint8_t> file;
    };
    const Case cases[] = {
        {"not RIFF", {'R', 'I', 'F', 'X', 0, 0, 0, 0, 'W', 'A', 'V', 'E'}},
        {"data runs past the end", truncatedData},
        {"compressed format", MakeWav(2, 1, 8000, 4, {0, 0})},
        {"six channels", MakeWav(1, 6, 8000, 16, std::vector<uint8_t>(12))},
        {"12-bit", MakeWav(1, 1, 8000, 12, {0, 0})},
        {"wrong block alignment", badAlign},
        {"no data chunk", noData},
        {"zero rate", MakeWav(1, 1, 0, 16, {0, 0})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WavLayout layout;
        std::string error;
        EXPECT_FALSE(platform::ParseWav(c.file.data(), c.file.size(), layout, &error));
        EXPECT_FALSE(error.empty());
    }
}

TEST(AudioDecoder, PicksTheDecoderByMagicBytes) {
    auto wav = platform::OpenAudioDecoder(testsupport::MakeWav16(1, 22050, {5, 6, 7}), nullptr);
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->Rate(), 22050);
    int16_t out[8] = {};
    EXPECT_EQ(wav->Read(out, 8), 3);
    EXPECT_EQ(out[2], 7);
    EXPECT_EQ(wav->Read(out, 8), 0);
    ASSERT_TRUE(wav->Rewind());
    EXPECT_EQ(wav->Read(out, 1), 1);
    EXPECT_EQ(out[0], 5);

    std::string error;
    EXPECT_FALSE(platform::OpenAudioDecoder({'M', 'T', 'h', 'd', 0, 0, 0, 6}, &error));
    EXPECT_EQ(error, "unknown sound format");
    EXPECT_FALSE(platform::OpenAudioDecoder({'O', 'g', 'g', 'S', 0, 2, 0, 0, 0, 0}, &error));
    EXPECT_NE(error.find("Ogg Vorbis"), std::string::npos);
}

// A three-channel Ogg Vorbis file (left, centre, right in Vorbis order) with
// a tone on its right channel only plays on the right of the stereo output,
// which a plain copy of the first two channels (left and centre) would leave
// silent.
TEST(AudioDecoder, OggVorbisOfThreeChannelsIsMixedDownByPlace) {
    const char* data = std::getenv("VB_TEST_DATA");
    ASSERT_NE(data, nullptr) << "VB_TEST_DATA names the test data folder";
    const std::string ogg = testsupport::ReadFileBytes(std::string(data) + "/platform/three441.ogg");
    auto decoder = platform::OpenAudioDecoder(std::vector<uint8_t>(ogg.begin(), ogg.end()), nullptr);
    ASSERT_TRUE(decoder);
    ASSERT_EQ(decoder->Channels(), 2);
    EXPECT_EQ(decoder->Rate(), 22050);
    std::vector<int16_t> out(2 * 4096);
    const int frames = decoder->Read(out.data(), 4096);
    EXPECT_GT(frames, 2000);
    double left = 0, right = 0;
    for (int i = 0; i < frames; ++i) {
        left += double(out[size_t(2 * i)]) * out[size_t(2 * i)];
        right += double(out[size_t(2 * i + 1)]) * out[size_t(2 * i + 1)];
    }
    EXPECT_GT(right, 1000.0 * 1000.0 * frames);
    EXPECT_LT(left, right / 100);
}

// Random damage to WAV files of every encoding and to an Ogg Vorbis file: each
// is refused with a reason or decodes, from start to end and again after a
// rewind, within its bytes.
TEST(AudioDecoder, DamagedSoundFilesAreRefusedOrDecodeWithinBounds) {
    const char* data = std::getenv("VB_TEST_DATA");
    ASSERT_NE(data, nullptr) << "VB_TEST_DATA names the test data folder";
    const std::string ogg = testsupport::ReadFileBytes(std::string(data) + "/platform/tone441.ogg");
    ASSERT_GT(ogg.size(), 1000u);
    std::vector<uint8_t> pcm(96);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = uint8_t(i * 37);
    const std::vector<uint8_t> wavs[] = {
        testsupport::MakeWav(1, 2, 22050, 16, pcm, MakeChunk("LIST", {'I', 'N', 'F', 'O', 1})),
        testsupport::MakeWav(1, 1, 8000, 8, pcm),
        testsupport::MakeWav(1, 2, 44100, 24, pcm),
        testsupport::MakeWav(3, 1, 11025, 32, pcm),
    };

    // A comment count beyond its packet is refused before the decoder reads
    // by it; so is a vendor length beyond it.
    const size_t comment = ogg.find("\x03vorbis");
    ASSERT_NE(comment, std::string::npos);
    const uint32_t vendor = uint32_t(uint8_t(ogg[comment + 7])) | uint32_t(uint8_t(ogg[comment + 8])) << 8;
    for (size_t at : {comment + 11 + vendor, comment + 7}) {
        std::string bad = ogg;
        for (int b = 0; b < 4; ++b)
            bad[at + size_t(b)] = char(0x7FFFFFF0u >> (8 * b));
        std::string error;
        EXPECT_FALSE(platform::OpenAudioDecoder(std::vector<uint8_t>(bad.begin(), bad.end()), &error));
        EXPECT_EQ(error, "bad Ogg Vorbis comment header");
    }

    {
        // A sample rate beyond any sound card's is refused.
        std::string bad = ogg;
        const size_t rate = ogg.find("\x01vorbis") + 12;
        bad[rate + 3] = char(0x80);
        std::string error;
        EXPECT_FALSE(platform::OpenAudioDecoder(std::vector<uint8_t>(bad.begin(), bad.end()), &error));
        EXPECT_EQ(error, "bad Ogg Vorbis sample rate");
    }
    {
        // A flipped bit in the setup header, its page's check value made
        // right, that makes the stream decode to values far outside the
        // 16-bit range: they are clipped.
        std::string bad = ogg;
        bad[1433] = char(bad[1433] ^ 0x40);
        testsupport::FixOggChecksums(bad);
        auto decoder = platform::OpenAudioDecoder(std::vector<uint8_t>(bad.begin(), bad.end()), nullptr);
        ASSERT_TRUE(decoder);
        std::vector<int16_t> out(size_t(4096) * size_t(decoder->Channels()));
        int frames = 0;
        bool clipped = false;
        for (int n; (n = decoder->Read(out.data(), 4096)) > 0;) {
            frames += n;
            for (size_t i = 0; i < size_t(n) * size_t(decoder->Channels()); ++i)
                clipped = clipped || out[i] == 32767 || out[i] == -32768;
        }
        EXPECT_GT(frames, 0);
        EXPECT_TRUE(clipped);
    }

    platform::SeedRand(441);
    int decoded = 0, refused = 0;
    testsupport::ForRounds(3000, 2500, [&](int round) {
        const bool isOgg = round % 3 == 0;
        const std::string good = isOgg ? ogg : std::string(wavs[round % 4].begin(), wavs[round % 4].end());
        const std::string bytes = testsupport::Damage(good, round / 3);
        if (testsupport::ExpectDecodesToAnEndOrRefuses(bytes))
            ++decoded;
        else
            ++refused;
    });
    EXPECT_GT(decoded, 0);
    EXPECT_GT(refused, 0);
}
