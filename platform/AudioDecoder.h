#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// Decodes one sound held in memory to signed 16-bit frames, block by block.
// The decoder owns the encoded bytes, so a music stream needs no open file.
class AudioDecoder {
  public:
    virtual ~AudioDecoder() = default;
    int Channels() const { return channels_; }
    int Rate() const { return rate_; }
    // Decodes up to `frames` interleaved frames; fewer only at the end.
    virtual int Read(int16_t* out, int frames) = 0;
    // Goes back to the first frame.
    virtual bool Rewind() = 0;

  protected:
    int channels_ = 0;
    int rate_ = 0;
};

// Chooses the decoder by the bytes' magic: "RIFF....WAVE" for PCM wave files,
// "OggS" for Ogg Vorbis. Null, with a reason, for anything else or bad data.
std::unique_ptr<AudioDecoder> OpenAudioDecoder(std::vector<uint8_t> bytes, std::string* error);

// Reads `length` bytes at `offset` of a file (length 0: to the end of the file).
// False when the file cannot be opened or the region lies outside it.
bool ReadFileRegion(const std::string& nativePath, uint64_t offset, uint64_t length,
                    std::vector<uint8_t>& out);

} // namespace platform
