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

#include <limits>

namespace platform {
namespace {

class VorbisDecoder final : public AudioDecoder {
public:
    // More than two channels are mixed down to stereo by stb_vorbis itself.
    VorbisDecoder(std::vector<uint8_t> bytes, stb_vorbis* vorbis, int channels, int rate)
        : bytes_(std::move(bytes)), vorbis_(vorbis) {
        channels_ = channels == 1 ? 1 : 2;
        rate_ = rate;
    }
    ~VorbisDecoder() override { stb_vorbis_close(vorbis_); }

    int Read(int16_t* out, int frames) override {
        int done = 0;
        while (done < frames) {
            int got = stb_vorbis_get_samples_short_interleaved(vorbis_, channels_, out + done * channels_,
                                                               (frames - done) * channels_);
            if (got <= 0) break;
            done += got;
        }
        return done;
    }
    bool Rewind() override { return stb_vorbis_seek_start(vorbis_) != 0; }

private:
    std::vector<uint8_t> bytes_;
    stb_vorbis* vorbis_;
};

} // namespace

std::unique_ptr<AudioDecoder> OpenVorbisDecoder(std::vector<uint8_t> bytes, std::string* error) {
    if (bytes.size() > size_t(std::numeric_limits<int>::max())) {
        if (error) *error = "Ogg Vorbis data too large";
        return nullptr;
    }
    int code = 0;
    stb_vorbis* vorbis = stb_vorbis_open_memory(bytes.data(), int(bytes.size()), &code, nullptr);
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
    return std::make_unique<VorbisDecoder>(std::move(bytes), vorbis, info.channels, int(info.sample_rate));
}

} // namespace platform
