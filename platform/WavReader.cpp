#include "platform/WavReader.h"

#include <cmath>
#include <cstring>

namespace platform {
namespace {

uint16_t ReadLe16(const uint8_t* p) {
    return uint16_t(p[0] | (p[1] << 8));
}
uint32_t ReadLe32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// The "fmt " chunk's fixed part, as stored.
struct WavFormatChunk {
    uint16_t formatTag;
    uint16_t channels;
    uint32_t rate;
    uint32_t bytesPerSecond;
    uint16_t blockAlign;
    uint16_t bitsPerSample;
};
static_assert(sizeof(WavFormatChunk) == 16);

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatFloat = 3;
constexpr uint16_t kFormatExtensible = 0xFFFE;

bool Fail(std::string* error, const char* reason) {
    if (error) *error = reason;
    return false;
}

} // namespace

bool ParseWav(const uint8_t* data, size_t size, WavLayout& out, std::string* error) {
    if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0)
        return Fail(error, "not a RIFF/WAVE file");
    // The RIFF size is often wrong in files written by streaming tools, so the
    // chunk walk is bounded by the bytes actually present.
    size_t pos = 12;
    bool haveFormat = false;
    WavFormatChunk fmt{};
    uint16_t tag = 0;
    while (size - pos >= 8) {
        const uint8_t* header = data + pos;
        uint32_t chunkSize = ReadLe32(header + 4);
        pos += 8;
        if (chunkSize > size - pos) {
            if (std::memcmp(header, "data", 4) == 0)
                return Fail(error, "data chunk runs past the end of the file");
            return Fail(error, "chunk runs past the end of the file");
        }
        const uint8_t* body = data + pos;
        if (std::memcmp(header, "fmt ", 4) == 0) {
            if (chunkSize < sizeof(WavFormatChunk)) return Fail(error, "format chunk too short");
            fmt.formatTag = ReadLe16(body);
            fmt.channels = ReadLe16(body + 2);
            fmt.rate = ReadLe32(body + 4);
            fmt.bytesPerSecond = ReadLe32(body + 8);
            fmt.blockAlign = ReadLe16(body + 12);
            fmt.bitsPerSample = ReadLe16(body + 14);
            tag = fmt.formatTag;
            if (tag == kFormatExtensible) {
                // cbSize (2), valid bits (2), channel mask (4), then the sub-format
                // GUID whose first two bytes are the plain format tag.
                if (chunkSize < 16 + 2 + 22) return Fail(error, "extensible format chunk too short");
                tag = ReadLe16(body + 24);
            }
            haveFormat = true;
        } else if (std::memcmp(header, "data", 4) == 0) {
            if (!haveFormat) return Fail(error, "data chunk before format chunk");
            if (tag != kFormatPcm && tag != kFormatFloat) return Fail(error, "not PCM data");
            if (fmt.channels != 1 && fmt.channels != 2)
                return Fail(error, "only mono and stereo are supported");
            if (fmt.rate == 0 || fmt.rate > 384000) return Fail(error, "bad sample rate");
            WavLayout layout;
            switch (fmt.bitsPerSample) {
            case 8:
                layout.encoding = WavLayout::Encoding::UnsignedInt8;
                break;
            case 16:
                layout.encoding = WavLayout::Encoding::SignedInt16;
                break;
            case 24:
                layout.encoding = WavLayout::Encoding::SignedInt24;
                break;
            case 32:
                layout.encoding =
                    tag == kFormatFloat ? WavLayout::Encoding::Float32 : WavLayout::Encoding::SignedInt32;
                break;
            default:
                return Fail(error, "unsupported bits per sample");
            }
            if (tag == kFormatFloat && fmt.bitsPerSample != 32) return Fail(error, "unsupported float width");
            int bytesPerFrame = fmt.channels * (fmt.bitsPerSample / 8);
            if (fmt.blockAlign != bytesPerFrame)
                return Fail(error, "block alignment does not match the format");
            layout.channels = fmt.channels;
            layout.rate = int(fmt.rate);
            layout.bytesPerFrame = bytesPerFrame;
            layout.frames = body;
            layout.frameCount = chunkSize / size_t(bytesPerFrame);
            out = layout;
            return true;
        }
        pos += chunkSize;
        if ((chunkSize & 1) && pos < size) ++pos; // chunks are padded to even sizes
    }
    return Fail(error, haveFormat ? "no data chunk" : "no format chunk");
}

void ConvertWavFrames(const WavLayout& layout, size_t first, size_t count, int16_t* out) {
    const uint8_t* p = layout.frames + first * size_t(layout.bytesPerFrame);
    size_t samples = count * size_t(layout.channels);
    switch (layout.encoding) {
    case WavLayout::Encoding::UnsignedInt8:
        for (size_t i = 0; i < samples; ++i)
            out[i] = int16_t((int(p[i]) - 128) * 256);
        break;
    case WavLayout::Encoding::SignedInt16:
        for (size_t i = 0; i < samples; ++i)
            out[i] = int16_t(ReadLe16(p + 2 * i));
        break;
    case WavLayout::Encoding::SignedInt24:
        for (size_t i = 0; i < samples; ++i)
            out[i] = int16_t(ReadLe16(p + 3 * i + 1));
        break;
    case WavLayout::Encoding::SignedInt32:
        for (size_t i = 0; i < samples; ++i)
            out[i] = int16_t(ReadLe16(p + 4 * i + 2));
        break;
    case WavLayout::Encoding::Float32:
        for (size_t i = 0; i < samples; ++i) {
            uint32_t bits = ReadLe32(p + 4 * i);
            float f;
            std::memcpy(&f, &bits, 4);
            if (!(f == f)) f = 0.0f; // NaN
            float scaled = std::fmin(std::fmax(f * 32767.0f, -32768.0f), 32767.0f);
            out[i] = int16_t(std::lrintf(scaled));
        }
        break;
    }
}

} // namespace platform
