#include "platform/AudioDecoder.h"

#include "platform/Files.h"
#include "platform/VorbisDecoder.h"
#include "platform/WavReader.h"

#include <cstring>

namespace platform {
namespace {

class WavDecoder final : public AudioDecoder {
  public:
    WavDecoder(std::vector<uint8_t> bytes, const WavLayout& layout)
        : bytes_(std::move(bytes)), layout_(layout) {
        // The layout points into the bytes, which moved with the vector's buffer intact.
        channels_ = layout_.channels;
        rate_ = layout_.rate;
    }
    int Read(int16_t* out, int frames) override {
        size_t left = layout_.frameCount - next_;
        size_t count = size_t(frames) < left ? size_t(frames) : left;
        ConvertWavFrames(layout_, next_, count, out);
        next_ += count;
        return int(count);
    }
    bool Rewind() override {
        next_ = 0;
        return true;
    }

  private:
    std::vector<uint8_t> bytes_;
    WavLayout layout_;
    size_t next_ = 0;
};

} // namespace

std::unique_ptr<AudioDecoder> OpenAudioDecoder(std::vector<uint8_t> bytes, std::string* error) {
    if (bytes.size() >= 12 && std::memcmp(bytes.data(), "RIFF", 4) == 0 &&
        std::memcmp(bytes.data() + 8, "WAVE", 4) == 0) {
        WavLayout layout;
        if (!ParseWav(bytes.data(), bytes.size(), layout, error)) return nullptr;
        return std::make_unique<WavDecoder>(std::move(bytes), layout);
    }
    if (bytes.size() >= 4 && std::memcmp(bytes.data(), "OggS", 4) == 0)
        return OpenVorbisDecoder(std::move(bytes), error);
    if (error) *error = "unknown sound format";
    return nullptr;
}

bool ReadFileRegion(const std::string& nativePath, uint64_t offset, uint64_t length,
                    std::vector<uint8_t>& out) {
    File file = File::OpenNative(nativePath, kFileRead, FileCreation::OpenExisting);
    const int64_t size = file.Size();
    if (size < 0 || offset > uint64_t(size)) return false;
    const uint64_t available = uint64_t(size) - offset;
    if (length == 0) length = available;
    if (length > available || file.Seek(int64_t(offset), SeekOrigin::Begin) != int64_t(offset)) return false;
    out.resize(size_t(length));
    return file.ReadExact(out.data(), int64_t(length));
}

} // namespace platform
