#include "platform/AudioDecoder.h"
#include "platform/Random.h"
#include "tests/support/Damage.h"
#include "tests/support/OggVorbis.h"
#include "tests/support/SoundData.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

using testsupport::OggLayout;

namespace {

// A sine of the given frequency on the given channel of `channels`, the
// others silent.
std::vector<float> Tone(int channels, int rate, int frames, double frequency, int channel,
                        float level = 0.5f) {
    std::vector<float> samples(size_t(frames) * size_t(channels), 0.0f);
    for (int i = 0; i < frames; ++i)
        samples[size_t(i) * size_t(channels) + size_t(channel)] =
            level * float(std::sin(2 * M_PI * frequency * i / rate));
    return samples;
}

struct Decoded {
    bool opened = false;
    std::string error;
    int channels = 0, rate = 0;
    std::vector<int16_t> pcm; // interleaved
};

Decoded Decode(const std::vector<uint8_t>& file) {
    Decoded d;
    auto decoder = platform::OpenAudioDecoder(file, &d.error);
    if (!decoder) return d;
    d.opened = true;
    d.channels = decoder->Channels();
    d.rate = decoder->Rate();
    std::vector<int16_t> block(size_t(4096) * size_t(d.channels));
    for (int n; (n = decoder->Read(block.data(), 4096)) > 0;)
        d.pcm.insert(d.pcm.end(), block.begin(), block.begin() + ptrdiff_t(n) * d.channels);
    return d;
}

// Sign changes of one channel from `from` to `to` frames.
int Crossings(const Decoded& d, int channel, size_t from, size_t to) {
    int count = 0;
    const size_t step = size_t(d.channels);
    for (size_t i = from + 1; i < to; ++i)
        count += (d.pcm[(i - 1) * step + size_t(channel)] < 0) != (d.pcm[i * step + size_t(channel)] < 0);
    return count;
}

double Rms(const Decoded& d, int channel) {
    double sum = 0;
    const size_t frames = d.pcm.size() / size_t(d.channels);
    for (size_t i = 0; i < frames; ++i)
        sum += double(d.pcm[i * size_t(d.channels) + size_t(channel)]) *
               d.pcm[i * size_t(d.channels) + size_t(channel)];
    return frames ? std::sqrt(sum / double(frames)) : 0;
}

// The pages of an Ogg stream, each whole.
std::vector<std::string> SplitPages(const std::vector<uint8_t>& bytes) {
    std::vector<std::string> pages;
    for (size_t at = 0; at + 27 <= bytes.size();) {
        const size_t segments = bytes[at + 26];
        size_t length = 27 + segments;
        for (size_t s = 0; s < segments; ++s)
            length += bytes[at + 27 + s];
        pages.emplace_back(bytes.begin() + ptrdiff_t(at), bytes.begin() + ptrdiff_t(at + length));
        at += length;
    }
    return pages;
}

std::vector<uint8_t> Join(const std::vector<std::string>& pages) {
    std::vector<uint8_t> bytes;
    for (const std::string& page : pages)
        bytes.insert(bytes.end(), page.begin(), page.end());
    return bytes;
}

} // namespace

// The same packets decode to the same samples however they lie on pages:
// packets across page boundaries, a page per packet, all on one page. A
// chained file plays its links one after the other.
TEST(VorbisDecoder, PageLayoutsAndChainedLinksDecodeAlike) {
    const int rate = 22050, frames = rate / 2;
    const std::vector<float> low = Tone(1, rate, frames, 441.0, 0), high = Tone(1, rate, frames, 882.0, 0);
    const Decoded reference = Decode(testsupport::EncodeVorbis(1, rate, low, OggLayout::Standard));
    ASSERT_TRUE(reference.opened) << reference.error;
    EXPECT_EQ(reference.channels, 1);
    EXPECT_EQ(reference.rate, rate);
    ASSERT_EQ(reference.pcm.size(), size_t(frames));
    EXPECT_NEAR(Crossings(reference, 0, 0, size_t(frames)), 441, 4);
    EXPECT_NEAR(Rms(reference, 0), 0.5 * 32768 / std::sqrt(2.0), 1000);

    for (OggLayout layout : {OggLayout::PagePerPacket, OggLayout::SplitPackets, OggLayout::OnePage}) {
        SCOPED_TRACE(int(layout));
        const Decoded d = Decode(testsupport::EncodeVorbis(1, rate, low, layout));
        ASSERT_TRUE(d.opened) << d.error;
        EXPECT_EQ(d.pcm, reference.pcm);
    }

    // Two links, of one and of two channels: 441 Hz, then 882 Hz. (Each
    // link's audio spans several pages, as in any real chain: libvorbisfile
    // skips a link whose audio all lies on one page.)
    std::vector<uint8_t> chained = testsupport::EncodeVorbis(1, rate, low, OggLayout::PagePerPacket, 7);
    std::vector<float> highStereo(size_t(frames) * 2);
    for (size_t i = 0; i < size_t(frames); ++i)
        highStereo[2 * i] = highStereo[2 * i + 1] = high[i];
    const std::vector<uint8_t> second =
        testsupport::EncodeVorbis(2, rate, highStereo, OggLayout::SplitPackets, 8);
    chained.insert(chained.end(), second.begin(), second.end());
    const Decoded both = Decode(chained);
    ASSERT_TRUE(both.opened) << both.error;
    EXPECT_EQ(both.channels, 1);
    ASSERT_EQ(both.pcm.size(), size_t(2 * frames));
    EXPECT_NEAR(Crossings(both, 0, 0, size_t(frames)), 441, 4);
    EXPECT_NEAR(Crossings(both, 0, size_t(frames), size_t(2 * frames)), 882, 6);

    // Links of different rates are refused.
    std::vector<uint8_t> mixedRates = testsupport::EncodeVorbis(1, rate, low, OggLayout::PagePerPacket, 7);
    const std::vector<uint8_t> fast = testsupport::EncodeVorbis(1, 44100, high, OggLayout::Standard, 8);
    mixedRates.insert(mixedRates.end(), fast.begin(), fast.end());
    const Decoded refused = Decode(mixedRates);
    EXPECT_FALSE(refused.opened);
    EXPECT_EQ(refused.error, "Ogg Vorbis links of different sample rates");
}

// Six channels (5.1, coupled by the encoder) are mixed down to stereo by
// their places in Vorbis order: front left, centre, front right, rear left,
// rear right, low frequencies. A tone on one channel reaches the side its
// place names, at its own level, and nothing reaches the other side.
TEST(VorbisDecoder, SixCoupledChannelsMixDownByPlace) {
    const int rate = 44100, frames = rate / 4;
    const char places[] = "LCRLRC";
    for (int channel = 0; channel < 6; ++channel) {
        SCOPED_TRACE(channel);
        // The low-frequency channel is coded only below about 120 Hz.
        const double frequency = channel == 5 ? 60.0 : 441.0;
        const Decoded d = Decode(testsupport::EncodeVorbis(6, rate, Tone(6, rate, frames, frequency, channel),
                                                           OggLayout::Standard));
        ASSERT_TRUE(d.opened) << d.error;
        ASSERT_EQ(d.channels, 2);
        ASSERT_EQ(d.pcm.size(), size_t(frames) * 2);
        const double full = 0.5 * 32768 / std::sqrt(2.0);
        const double left = Rms(d, 0), right = Rms(d, 1);
        if (channel == 5) {
            // The encoder codes the low-frequency channel on its own terms;
            // whatever it gives reaches both sides alike.
            EXPECT_GT(left, full * 0.7);
            EXPECT_NEAR(left, right, full * 0.02);
            continue;
        }
        if (places[channel] != 'R') {
            EXPECT_NEAR(left, full, full * 0.15);
        } else {
            EXPECT_LT(left, full * 0.05);
        }
        if (places[channel] != 'L') {
            EXPECT_NEAR(right, full, full * 0.15);
        } else {
            EXPECT_LT(right, full * 0.05);
        }
    }
}

// A setup header is checked before the decoder takes it: codebooks that would
// need more than the decoder's memory, or that have no dimensions (the
// decoder would divide by them), are refused.
TEST(VorbisDecoder, SetupHeadersAskingTooMuchAreRefused) {
    std::vector<std::vector<uint8_t>> headers = testsupport::VorbisHeaders(1, 22050);
    ASSERT_EQ(headers.size(), 3u);
    // A setup header of one codebook: sync, dimensions (16 bits), entries
    // (24 bits), ordered with every length 1 in one run, no lookup.
    auto setup = [](uint32_t dimensions, uint32_t entries) {
        std::vector<uint8_t> packet = {5, 'v', 'o', 'r', 'b', 'i', 's'};
        uint64_t bits = 0;
        int used = 0;
        auto put = [&](uint64_t value, int count) {
            for (int i = 0; i < count; ++i) {
                bits |= ((value >> i) & 1) << used;
                if (++used == 8) {
                    packet.push_back(uint8_t(bits));
                    bits = 0;
                    used = 0;
                }
            }
        };
        put(0, 8); // one codebook
        put(0x564342, 24);
        put(dimensions, 16);
        put(entries, 24);
        put(1, 1); // ordered
        put(0, 5); // lengths from 1
        int width = 0;
        for (uint32_t v = entries; v; v >>= 1)
            ++width;
        put(entries, width); // one run of every entry
        put(0, 4);           // no lookup
        for (int i = 0; i < 64; ++i)
            put(0, 8); // the rest of a setup header, left empty
        return packet;
    };
    struct Case {
        uint32_t dimensions, entries;
        const char* error; // null: left to the decoder
    } cases[] = {
        {16, 1 << 20, "Ogg Vorbis setup needs too much memory"},
        {1, (1 << 24) - 1, "Ogg Vorbis setup needs too much memory"},
        {0, 16, "bad Ogg Vorbis setup header: a codebook of no dimensions"},
        {1, 16, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entries);
        headers[2] = setup(c.dimensions, c.entries);
        const Decoded d = Decode(testsupport::OggPages(headers));
        EXPECT_FALSE(d.opened);
        if (c.error) {
            EXPECT_EQ(d.error, c.error);
        } else {
            EXPECT_EQ(d.error.rfind("bad Ogg Vorbis data (libvorbisfile error", 0), 0u) << d.error;
        }
    }
}

// A codebook of one used entry is legal however it is written: reading it
// takes one bit and gives that entry. libvorbis takes such a book as a
// residue's classification book only when it has an entry for every
// combination of classifications, which only the sparse form (two entries,
// one unused) has here; every form plays the same samples, to the end and
// again after a rewind, alone and as a link of a chain.
TEST(VorbisDecoder, SingleEntryBooksPlayInEveryForm) {
    using testsupport::SingleEntryBook;
    using testsupport::SingleEntryBookStream;
    const Decoded sparse = Decode(SingleEntryBookStream(SingleEntryBook::Sparse, 40));
    ASSERT_TRUE(sparse.opened) << sparse.error;
    ASSERT_EQ(sparse.pcm.size(), 39u * 32);
    EXPECT_GT(Rms(sparse, 0), 1000);

    for (SingleEntryBook form : {SingleEntryBook::NonSparse, SingleEntryBook::Ordered}) {
        SCOPED_TRACE(int(form));
        const std::vector<uint8_t> file = SingleEntryBookStream(form, 40);
        std::string error;
        auto decoder = platform::OpenAudioDecoder(file, &error);
        ASSERT_TRUE(decoder) << error;
        for (int pass = 0; pass < 2; ++pass) {
            std::vector<int16_t> pcm(sparse.pcm.size() + 1);
            EXPECT_EQ(decoder->Read(pcm.data(), int(pcm.size())), int(sparse.pcm.size()));
            pcm.pop_back();
            EXPECT_EQ(pcm, sparse.pcm);
            EXPECT_TRUE(decoder->Rewind());
        }

        // Between two links of other serial numbers, whose pages stay as they were.
        std::vector<uint8_t> chain = SingleEntryBookStream(SingleEntryBook::Sparse, 40, 1, 7);
        const std::vector<uint8_t> middle = SingleEntryBookStream(form, 40, 1, 8);
        const std::vector<uint8_t> last = SingleEntryBookStream(SingleEntryBook::Sparse, 40, 1, 9);
        chain.insert(chain.end(), middle.begin(), middle.end());
        chain.insert(chain.end(), last.begin(), last.end());
        const Decoded chained = Decode(chain);
        ASSERT_TRUE(chained.opened) << chained.error;
        std::vector<int16_t> thrice;
        for (int i = 0; i < 3; ++i)
            thrice.insert(thrice.end(), sparse.pcm.begin(), sparse.pcm.end());
        EXPECT_EQ(chained.pcm, thrice);
    }
}

// A book of one entry that declares a code longer than one bit is taken by
// libvorbis, which then decodes nothing of the stream: it is refused when
// opened, in every form, rather than playing silence.
TEST(VorbisDecoder, SingleEntryBooksOfLongerCodesAreRefusedWhenOpened) {
    using testsupport::SingleEntryBook;
    for (SingleEntryBook form :
         {SingleEntryBook::Sparse, SingleEntryBook::NonSparse, SingleEntryBook::Ordered})
        for (int length : {2, 5}) {
            SCOPED_TRACE(testing::Message() << int(form) << " " << length);
            const Decoded d = Decode(testsupport::SingleEntryBookStream(form, 40, 1, 1, length));
            EXPECT_FALSE(d.opened) << d.pcm.size() << " samples";
            EXPECT_EQ(
                d.error,
                "bad Ogg Vorbis setup header: a codebook of one entry with a code of more than one bit");
        }
}

// A hole in the data (a page lost or damaged) is skipped and reading goes
// on; junk between pages and pages of another stream cost nothing. Every
// such stream plays the same on its first play as after a rewind, however
// many holes it has: a stream of small packets that lost every other page
// has dozens of holes within one read of the mixer's size.
TEST(VorbisDecoder, HolesInTheDataAreSkipped) {
    using testsupport::SingleEntryBook;
    const std::vector<std::string> pages =
        SplitPages(testsupport::SingleEntryBookStream(SingleEntryBook::Sparse, 400));
    ASSERT_EQ(pages.size(), 403u);
    const int64_t whole = 399 * 32;
    const size_t firstAudio = 3;
    std::string otherStream = pages[200];
    otherStream[14] = char(otherStream[14] ^ 0x55); // another serial number
    std::string damaged = pages[200];
    damaged[damaged.size() - 1] = char(damaged.back() ^ 0x01); // its check value no longer matches
    struct Case {
        const char* what;
        std::vector<std::string> pages;
        int64_t least, most; // frames
    };
    std::vector<Case> cases;
    cases.push_back({"a lost page", pages, whole - 2 * 32, whole - 32});
    cases.back().pages.erase(cases.back().pages.begin() + 200);
    cases.push_back({"a damaged page", pages, whole - 2 * 32, whole - 32});
    cases.back().pages[200] = damaged;
    cases.push_back({"junk between pages", pages, whole, whole});
    cases.back().pages.insert(cases.back().pages.begin() + 200, std::string(37, 'j'));
    cases.push_back({"a page of another stream", pages, whole, whole});
    testsupport::FixOggChecksums(otherStream);
    cases.back().pages.insert(cases.back().pages.begin() + 200, otherStream);
    Case everyOther{"every other page lost", {}, whole / 2 - 32, whole / 2 + 32};
    for (size_t i = 0; i < pages.size(); ++i)
        if (i < firstAudio + 1 || i % 2 == 0 || i + 1 == pages.size()) everyOther.pages.push_back(pages[i]);
    everyOther.least = int64_t(everyOther.pages.size() - firstAudio - 1) * 32 - 32;
    everyOther.most = everyOther.least + 32;
    cases.push_back(everyOther);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string error;
        auto decoder = platform::OpenAudioDecoder(Join(c.pages), &error);
        ASSERT_TRUE(decoder) << error;
        int64_t played[2] = {0, 0};
        std::vector<int16_t> out(4096);
        for (int pass = 0; pass < 2; ++pass) {
            for (int n; (n = decoder->Read(out.data(), 4096)) > 0;)
                played[pass] += n;
            ASSERT_TRUE(decoder->Rewind());
        }
        EXPECT_GE(played[0], c.least);
        EXPECT_LE(played[0], c.most);
        EXPECT_EQ(played[1], played[0]);
    }
}

// Damage that keeps every page's check value right reaches the decoder: each
// file is refused with a reason or decodes within its bounds, to its end and
// again after a rewind. One such flipped bit makes the decoder fail on its
// first packet and, started again, divide by zero: a failed stream stays
// ended.
TEST(VorbisDecoder, DamageBehindRightCheckValuesNeverCrashes) {
    const int rate = 22050;
    const std::vector<uint8_t> good =
        testsupport::EncodeVorbis(2, rate, Tone(2, rate, rate / 4, 441.0, 1), OggLayout::SplitPackets);
    const char* data = std::getenv("VB_TEST_DATA");
    ASSERT_NE(data, nullptr) << "VB_TEST_DATA names the test data folder";
    const std::string tone = testsupport::ReadFileBytes(std::string(data) + "/platform/tone441.ogg");
    // A stream whose classification book the decoder writes again.
    const std::vector<uint8_t> single =
        testsupport::SingleEntryBookStream(testsupport::SingleEntryBook::NonSparse, 40);
    const std::string samples[] = {std::string(good.begin(), good.end()), tone,
                                   std::string(single.begin(), single.end())};

    {
        std::string bad = tone;
        bad[559] = char(bad[559] ^ 0x01);
        testsupport::FixOggChecksums(bad);
        auto decoder = platform::OpenAudioDecoder(std::vector<uint8_t>(bad.begin(), bad.end()), nullptr);
        ASSERT_TRUE(decoder);
        std::vector<int16_t> out(1024);
        EXPECT_EQ(decoder->Read(out.data(), 1024), 0);
        EXPECT_FALSE(decoder->Rewind());
        EXPECT_EQ(decoder->Read(out.data(), 1024), 0);
    }

    platform::SeedRand(1160);
    int decoded = 0, refused = 0;
    testsupport::ForRounds(1500, 2000, [&](int round) {
        std::string bytes = testsupport::Damage(samples[round % 3], round / 3);
        testsupport::FixOggChecksums(bytes);
        if (testsupport::ExpectDecodesToAnEndOrRefuses(bytes))
            ++decoded;
        else
            ++refused;
    });
    EXPECT_GT(decoded, 0);
    EXPECT_GT(refused, 0);
}
