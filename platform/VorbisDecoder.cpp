#include "platform/VorbisDecoder.h"

// stb_vorbis is third-party C written to its own standards; its warnings are
// not ours to fix, so they are silenced for this one inclusion.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wunused-value"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmisleading-indentation"
#define STB_VORBIS_NO_STDIO
#define STB_VORBIS_NO_PUSHDATA_API
#include <stb/stb_vorbis.h>
#pragma GCC diagnostic pop

#include <algorithm>
#include <cmath>
#include <limits>

namespace platform {
namespace {

// The highest sample rate taken, as for wave files.
constexpr unsigned kMaxRate = 384000;

int16_t ToSample(float value) {
    if (std::isnan(value)) return 0;
    return int16_t(std::lrint(std::clamp(value * 32768.0f, -32768.0f, 32767.0f)));
}

class VorbisDecoder final : public AudioDecoder {
  public:
    // Three to six channels are mixed down to stereo by their places, as
    // stb_vorbis's own 16-bit output does; of more only the first two play.
    VorbisDecoder(std::vector<uint8_t> bytes, std::vector<uint8_t> arena, stb_vorbis* vorbis, int channels,
                  int rate)
        : bytes_(std::move(bytes)), arena_(std::move(arena)), vorbis_(vorbis), source_(channels),
          planes_(size_t(channels) * kBlockFrames), pointers_(size_t(channels)) {
        channels_ = channels == 1 ? 1 : 2;
        rate_ = rate;
        for (int c = 0; c < channels; ++c)
            pointers_[size_t(c)] = &planes_[size_t(c) * kBlockFrames];
    }
    ~VorbisDecoder() override { stb_vorbis_close(vorbis_); }

    // Decoded as floats and converted here: stb_vorbis's own conversion to
    // 16 bits overflows on the out-of-range values a damaged stream decodes to.
    int Read(int16_t* out, int frames) override {
        int done = 0;
        while (done < frames) {
            const int want = std::min(frames - done, kBlockFrames);
            const int got = stb_vorbis_get_samples_float(vorbis_, source_, pointers_.data(), want);
            if (got <= 0) break;
            for (int i = 0; i < got; ++i) {
                int16_t* frame = out + size_t(done + i) * size_t(channels_);
                if (channels_ == 1) {
                    frame[0] = ToSample(pointers_[0][i]);
                    continue;
                }
                float left = 0.0f, right = 0.0f;
                const char* places = source_ >= 3 && source_ <= 6 ? kPlaces[source_ - 3] : "LR";
                for (int c = 0; places[c] != 0; ++c) {
                    const float v = pointers_[size_t(c)][i];
                    if (places[c] != 'R') left += v;
                    if (places[c] != 'L') right += v;
                }
                frame[0] = ToSample(left);
                frame[1] = ToSample(right);
            }
            done += got;
        }
        return done;
    }
    bool Rewind() override { return stb_vorbis_seek_start(vorbis_) != 0; }

  private:
    static constexpr int kBlockFrames = 1024;
    // The places of 3 to 6 channels in Vorbis order: left, right or centre.
    static constexpr const char* kPlaces[4] = {"LCR", "LRLR", "LCRLR", "LCRLRC"};

    std::vector<uint8_t> bytes_;
    std::vector<uint8_t> arena_; // every allocation of vorbis_
    stb_vorbis* vorbis_;
    int source_;                // the stream's channels
    std::vector<float> planes_; // one decoded block per channel, made once
    std::vector<float*> pointers_;
};

// stb_vorbis allocates by the sizes of the setup header and leaks what it
// allocated when a damaged header fails. Given a memory block it allocates
// nothing else: a header that asks for more than this is refused, and
// failing leaves nothing behind.
constexpr size_t kMaxDecoderMemory = size_t{8} << 20;

stb_vorbis* OpenInArena(const std::vector<uint8_t>& bytes, std::vector<uint8_t>& arena, int* code) {
    stb_vorbis_alloc alloc{reinterpret_cast<char*>(arena.data()), int(arena.size())};
    return stb_vorbis_open_memory(bytes.data(), int(bytes.size()), code, &alloc);
}

uint32_t LoadU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// The second packet of the first logical stream, as far as the bytes hold it.
std::vector<uint8_t> SecondPacket(const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> packet;
    int packetIndex = 0;
    uint32_t serial = 0;
    for (size_t page = 0; page + 27 <= bytes.size();) {
        const uint8_t* head = &bytes[page];
        if (head[0] != 'O' || head[1] != 'g' || head[2] != 'g' || head[3] != 'S') break;
        const size_t segments = head[26];
        if (page + 27 + segments > bytes.size()) break;
        if (page == 0) serial = LoadU32(head + 14);
        size_t body = page + 27 + segments;
        for (size_t s = 0; s < segments; ++s) {
            const size_t lacing = head[27 + s];
            const size_t available = body < bytes.size() ? std::min(lacing, bytes.size() - body) : 0;
            if (LoadU32(head + 14) == serial && packetIndex == 1)
                packet.insert(packet.end(), bytes.begin() + ptrdiff_t(body),
                              bytes.begin() + ptrdiff_t(body + available));
            body += lacing;
            if (LoadU32(head + 14) == serial && lacing < 255 && ++packetIndex > 1) return packet;
        }
        page = body;
    }
    return packet;
}

// stb_vorbis trusts the counts of the comment header: it allocates by the
// vendor length, the comment count and each comment's length before reading
// a byte, and loops over them to the count. Each is held against the bytes
// the packet has left first.
bool CommentHeaderFits(const std::vector<uint8_t>& bytes) {
    const std::vector<uint8_t> packet = SecondPacket(bytes);
    if (packet.size() < 7 || packet[0] != 3)
        return true; // not a comment header: stb_vorbis refuses it itself
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

} // namespace

std::unique_ptr<AudioDecoder> OpenVorbisDecoder(std::vector<uint8_t> bytes, std::string* error) {
    if (bytes.size() > size_t(std::numeric_limits<int>::max())) {
        if (error) *error = "Ogg Vorbis data too large";
        return nullptr;
    }
    if (!CommentHeaderFits(bytes)) {
        if (error) *error = "bad Ogg Vorbis comment header";
        return nullptr;
    }
    // Opened once in the largest block to learn what the stream needs, then
    // kept in a block of that size.
    int code = 0;
    std::vector<uint8_t> arena(kMaxDecoderMemory);
    stb_vorbis* vorbis = OpenInArena(bytes, arena, &code);
    if (vorbis) {
        stb_vorbis_info info = stb_vorbis_get_info(vorbis);
        stb_vorbis_close(vorbis);
        const size_t need = size_t(info.setup_memory_required) + size_t(info.setup_temp_memory_required) +
                            size_t(info.temp_memory_required) + 64;
        arena.assign(std::min(need, kMaxDecoderMemory), 0);
        arena.shrink_to_fit();
        vorbis = OpenInArena(bytes, arena, &code);
    }
    if (!vorbis) {
        if (error) *error = "bad Ogg Vorbis data (stb_vorbis error " + std::to_string(code) + ")";
        return nullptr;
    }
    stb_vorbis_info info = stb_vorbis_get_info(vorbis);
    if (info.channels < 1 || info.sample_rate == 0) {
        stb_vorbis_close(vorbis);
        if (error) *error = "Ogg Vorbis stream without channels";
        return nullptr;
    }
    if (info.sample_rate > kMaxRate) {
        stb_vorbis_close(vorbis);
        if (error) *error = "bad Ogg Vorbis sample rate";
        return nullptr;
    }
    return std::make_unique<VorbisDecoder>(std::move(bytes), std::move(arena), vorbis, info.channels,
                                           int(info.sample_rate));
}

} // namespace platform
