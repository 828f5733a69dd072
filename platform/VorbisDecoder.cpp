#include "platform/VorbisDecoder.h"

#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>

namespace platform {
namespace {

// The highest sample rate taken, as for wave files.
constexpr uint32_t kMaxRate = 384000;
// The most channels a stream may have; Vorbis allows 255, but nothing the
// game plays has more than six.
constexpr int kMaxChannels = 16;
// What the decoder's tables for a stream's codebooks may take, as estimated
// from its setup header before the decoder is opened.
constexpr uint64_t kMaxDecoderMemory = uint64_t{8} << 20;

int16_t ToSample(float value) {
    if (std::isnan(value)) return 0;
    return int16_t(std::lrint(std::clamp(value * 32768.0f, -32768.0f, 32767.0f)));
}

uint32_t LoadU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// ---- The header packets, read before the decoder is opened ------------------------

// The first three packets (identification, comment, setup) of every logical
// stream, as far as the bytes hold them. Pages are not checked: the decoder
// does that.
std::vector<std::vector<std::vector<uint8_t>>> HeaderPackets(const std::vector<uint8_t>& bytes) {
    std::vector<std::vector<std::vector<uint8_t>>> streams;
    std::map<uint32_t, size_t> indexBySerial;
    std::map<uint32_t, bool> packetOpen; // the last packet continues on the next page
    for (size_t page = 0; page + 27 <= bytes.size();) {
        const uint8_t* head = &bytes[page];
        if (std::memcmp(head, "OggS", 4) != 0) break;
        const size_t segments = head[26];
        if (page + 27 + segments > bytes.size()) break;
        const uint32_t serial = LoadU32(head + 14);
        if (indexBySerial.find(serial) == indexBySerial.end()) {
            indexBySerial[serial] = streams.size();
            streams.emplace_back();
        }
        std::vector<std::vector<uint8_t>>& packets = streams[indexBySerial[serial]];
        size_t body = page + 27 + segments;
        for (size_t s = 0; s < segments; ++s) {
            const size_t lacing = head[27 + s];
            const size_t available = body < bytes.size() ? std::min(lacing, bytes.size() - body) : 0;
            // A fourth packet ends what is kept of the stream.
            if (!packetOpen[serial] && packets.size() < 4) packets.emplace_back();
            if (packets.size() <= 3)
                packets.back().insert(packets.back().end(), bytes.begin() + ptrdiff_t(body),
                                      bytes.begin() + ptrdiff_t(body + available));
            packetOpen[serial] = lacing == 255;
            body += lacing;
        }
        page = body;
    }
    for (auto& packets : streams)
        if (packets.size() > 3) packets.resize(3);
    return streams;
}

bool IsHeader(const std::vector<uint8_t>& packet, uint8_t type) {
    return packet.size() >= 7 && packet[0] == type && std::memcmp(&packet[1], "vorbis", 6) == 0;
}

// The comment header's counts, each held against the bytes its packet has
// left, so that a damaged one is named as such.
bool CommentHeaderFits(const std::vector<uint8_t>& packet) {
    size_t at = 7;
    auto count = [&](uint32_t& value) {
        if (packet.size() - at < 4) return false;
        value = LoadU32(&packet[at]);
        at += 4;
        return true;
    };
    uint32_t vendor = 0, comments = 0;
    if (!count(vendor) || vendor > packet.size() - at) return false;
    at += vendor;
    if (!count(comments) || comments > (packet.size() - at) / 4) return false;
    for (uint32_t i = 0; i < comments; ++i) {
        uint32_t length = 0;
        if (!count(length) || length > packet.size() - at) return false;
        at += length;
    }
    return true;
}

// Bits of a packet, least significant first, as Vorbis packs them. Reading
// past the end gives false and stays there.
class BitReader {
  public:
    explicit BitReader(const std::vector<uint8_t>& packet, size_t start) : packet_(packet), bit_(start * 8) {}
    bool Read(int bits, uint64_t& value) {
        value = 0;
        if (uint64_t(bits) > packet_.size() * 8 - std::min<uint64_t>(bit_, packet_.size() * 8)) {
            bit_ = packet_.size() * 8;
            return false;
        }
        for (int i = 0; i < bits; ++i, ++bit_)
            value |= uint64_t((packet_[bit_ / 8] >> (bit_ % 8)) & 1) << i;
        return true;
    }
    bool Skip(uint64_t bits) {
        if (bits > packet_.size() * 8 - bit_) return false;
        bit_ += bits;
        return true;
    }

  private:
    const std::vector<uint8_t>& packet_;
    uint64_t bit_;
};

int BitsOf(uint64_t value) {
    int bits = 0;
    for (; value; value >>= 1)
        ++bits;
    return bits;
}

// The largest v with v to the power dimensions at most entries.
uint64_t LatticeValues(uint64_t entries, uint64_t dimensions) {
    if (dimensions == 0) return 0;
    auto power = [&](uint64_t v) {
        uint64_t p = 1;
        for (uint64_t d = 0; d < dimensions; ++d) {
            if (p > entries / std::max<uint64_t>(v, 1)) return entries + 1;
            p *= v;
        }
        return p;
    };
    uint64_t v = uint64_t(std::floor(std::pow(double(entries), 1.0 / double(dimensions))));
    while (v > 0 && power(v) > entries)
        --v;
    while (power(v + 1) <= entries)
        ++v;
    return v;
}

// What the decoder will take for the codebooks the setup header declares:
// for each entry its code length, code, index and its dimensions' values,
// and the lattice or list of quantised values. A codebook of no dimensions
// gives kZeroDimensions: the decoder divides by the dimensions of the books
// it uses without checking them. The headers are read only as far as they
// can be; whatever is damaged beyond that the decoder refuses.
constexpr uint64_t kZeroDimensions = ~uint64_t{0};

uint64_t CodebookMemory(const std::vector<uint8_t>& setup) {
    BitReader bits(setup, 7);
    uint64_t books = 0, memory = 0;
    if (!bits.Read(8, books)) return 0;
    for (uint64_t book = 0; book <= books; ++book) {
        uint64_t sync, dimensions, entries, ordered, value;
        if (!bits.Read(24, sync) || sync != 0x564342 || !bits.Read(16, dimensions) ||
            !bits.Read(24, entries) || !bits.Read(1, ordered))
            return memory;
        if (dimensions == 0) return kZeroDimensions;
        memory += entries * (dimensions * 4 + 16);
        if (memory > kMaxDecoderMemory) return memory;
        if (ordered) {
            if (!bits.Read(5, value)) return memory;
            for (uint64_t current = 0; current < entries;) {
                if (!bits.Read(BitsOf(entries - current), value)) return memory;
                current += value;
            }
        } else {
            uint64_t sparse;
            if (!bits.Read(1, sparse)) return memory;
            for (uint64_t entry = 0; entry < entries; ++entry) {
                uint64_t used = 1;
                if (sparse && !bits.Read(1, used)) return memory;
                if (used && !bits.Read(5, value)) return memory;
            }
        }
        uint64_t lookup, quantBits, sequence;
        if (!bits.Read(4, lookup)) return memory;
        if (lookup == 1 || lookup == 2) {
            if (!bits.Read(32, value) || !bits.Read(32, value) || !bits.Read(4, quantBits) ||
                !bits.Read(1, sequence))
                return memory;
            const uint64_t values = lookup == 1 ? LatticeValues(entries, dimensions) : entries * dimensions;
            memory += values * 8;
            if (memory > kMaxDecoderMemory || !bits.Skip(values * (quantBits + 1))) return memory;
        }
    }
    return memory;
}

// Every stream's headers are checked for what the decoder would otherwise
// take on trust: the comment header's counts, the channel count, the sample
// rate, and the memory its codebooks need.
bool HeadersAcceptable(const std::vector<std::vector<std::vector<uint8_t>>>& streams, std::string* error) {
    auto fail = [&](const char* reason) {
        if (error) *error = reason;
        return false;
    };
    for (const auto& packets : streams) {
        if (packets.size() >= 1 && IsHeader(packets[0], 1) && packets[0].size() >= 16) {
            const int channels = packets[0][11];
            const uint32_t rate = LoadU32(&packets[0][12]);
            if (channels < 1 || channels > kMaxChannels) return fail("bad Ogg Vorbis channel count");
            if (rate == 0 || rate > kMaxRate) return fail("bad Ogg Vorbis sample rate");
        }
        if (packets.size() >= 2 && IsHeader(packets[1], 3) && !CommentHeaderFits(packets[1]))
            return fail("bad Ogg Vorbis comment header");
        if (packets.size() >= 3 && IsHeader(packets[2], 5)) {
            const uint64_t memory = CodebookMemory(packets[2]);
            if (memory == kZeroDimensions)
                return fail("bad Ogg Vorbis setup header: a codebook of no dimensions");
            if (memory > kMaxDecoderMemory) return fail("Ogg Vorbis setup needs too much memory");
        }
    }
    return true;
}

// ---- Reading from memory ------------------------------------------------------------

struct MemorySource {
    std::vector<uint8_t> bytes;
    size_t position = 0;
};

size_t ReadMemory(void* out, size_t size, size_t count, void* source) {
    auto* memory = static_cast<MemorySource*>(source);
    if (size == 0) return 0;
    const size_t items = std::min(count, (memory->bytes.size() - memory->position) / size);
    std::memcpy(out, memory->bytes.data() + memory->position, items * size);
    memory->position += items * size;
    return items;
}

int SeekMemory(void* source, ogg_int64_t offset, int whence) {
    auto* memory = static_cast<MemorySource*>(source);
    const int64_t base = whence == SEEK_SET   ? 0
                         : whence == SEEK_CUR ? int64_t(memory->position)
                         : whence == SEEK_END ? int64_t(memory->bytes.size())
                                              : -1;
    if (base < 0 || offset < -base || offset > int64_t(memory->bytes.size()) - base) return -1;
    memory->position = size_t(base + offset);
    return 0;
}

long TellMemory(void* source) {
    return long(static_cast<MemorySource*>(source)->position);
}

// The places of 3 to 6 channels in Vorbis order: left, right or centre.
constexpr const char* kPlaces[4] = {"LCR", "LRLR", "LCRLR", "LCRLRC"};

class VorbisDecoder final : public AudioDecoder {
  public:
    VorbisDecoder(std::unique_ptr<MemorySource> source, int channels, int rate) : source_(std::move(source)) {
        channels_ = channels;
        rate_ = rate;
    }
    ~VorbisDecoder() override {
        if (open_) ov_clear(&file_);
    }

    // Opens the stream; false, with a reason, when the decoder refuses it.
    bool Open(std::string* error) {
        const ov_callbacks callbacks{ReadMemory, SeekMemory, nullptr, TellMemory};
        const int code = ov_open_callbacks(source_.get(), &file_, nullptr, 0, callbacks);
        if (code != 0) {
            if (error) *error = "bad Ogg Vorbis data (libvorbisfile error " + std::to_string(code) + ")";
            return false;
        }
        open_ = true;
        // Every link of a chained file plays at the first one's rate.
        for (long link = 0; link < ov_streams(&file_); ++link) {
            const vorbis_info* info = ov_info(&file_, int(link));
            if (!info || info->channels < 1 || info->channels > kMaxChannels) {
                if (error) *error = "bad Ogg Vorbis channel count";
                return false;
            }
            if (info->rate != rate_) {
                if (error) *error = "Ogg Vorbis links of different sample rates";
                return false;
            }
        }
        return true;
    }

    // One channel stays mono; two are left and right; three to six are
    // mixed down to stereo by their places; of more only the first two play.
    int Read(int16_t* out, int frames) override {
        int done = 0;
        int holes = 0;
        while (done < frames) {
            float** pcm = nullptr;
            int link = 0;
            if (broken_) break;
            const long got = ov_read_float(&file_, &pcm, frames - done, &link);
            if (got == OV_HOLE && ++holes < kMaxHoles) continue; // damaged data skipped
            if (got < 0) broken_ = true;
            if (got <= 0) break;
            const vorbis_info* info = ov_info(&file_, link);
            const int source = info ? info->channels : 0;
            if (source < 1) break;
            for (long i = 0; i < got; ++i) {
                int16_t* frame = out + size_t(done + i) * size_t(channels_);
                if (channels_ == 1) {
                    frame[0] = ToSample(pcm[0][i]);
                    continue;
                }
                if (source == 1) {
                    frame[0] = frame[1] = ToSample(pcm[0][i]);
                    continue;
                }
                float left = 0.0f, right = 0.0f;
                const char* places = source >= 3 && source <= 6 ? kPlaces[source - 3] : "LR";
                for (int c = 0; places[c] != 0; ++c) {
                    const float v = pcm[c][i];
                    if (places[c] != 'R') left += v;
                    if (places[c] != 'L') right += v;
                }
                frame[0] = ToSample(left);
                frame[1] = ToSample(right);
            }
            done += int(got);
        }
        return done;
    }

    // A stream whose decoder failed stays ended: libvorbis keeps the tables
    // of a failed start and would decode with them on a second start.
    bool Rewind() override {
        if (broken_ || ov_raw_seek(&file_, 0) != 0) {
            broken_ = true;
            return false;
        }
        return true;
    }

  private:
    // Holes in a row before a damaged stream counts as ended.
    static constexpr int kMaxHoles = 64;

    std::unique_ptr<MemorySource> source_; // read by file_; outlives it
    OggVorbis_File file_{};
    bool open_ = false;
    bool broken_ = false; // the decoder failed (not a hole in the data): nothing more is read
};

} // namespace

std::unique_ptr<AudioDecoder> OpenVorbisDecoder(std::vector<uint8_t> bytes, std::string* error) {
    if (bytes.size() > size_t(std::numeric_limits<long>::max())) {
        if (error) *error = "Ogg Vorbis data too large";
        return nullptr;
    }
    const auto streams = HeaderPackets(bytes);
    if (!HeadersAcceptable(streams, error)) return nullptr;
    // The first stream's identification header gives the output's shape.
    if (streams.empty() || streams[0].empty() || !IsHeader(streams[0][0], 1) || streams[0][0].size() < 16) {
        if (error) *error = "bad Ogg Vorbis data: no identification header";
        return nullptr;
    }
    const int channels = streams[0][0][11] == 1 ? 1 : 2;
    const int rate = int(LoadU32(&streams[0][0][12]));
    auto source = std::make_unique<MemorySource>();
    source->bytes = std::move(bytes);
    auto decoder = std::make_unique<VorbisDecoder>(std::move(source), channels, rate);
    if (!decoder->Open(error)) return nullptr;
    return decoder;
}

} // namespace platform
