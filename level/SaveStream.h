#pragma once
// The level save stream: the bytes of one saved game in memory, the writer
// that builds them and the bounded reader that takes them apart. The same
// writer and reader build and read every little-endian record of the level's
// world (characters, jobs, the character table in game data).
//
// A saved game is a run of blocks; a block starts with a u32 size that counts
// itself. The profile store keeps the stream's data block as an opaque chunk
// and gives it back as bytes, so nothing here knows about files.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

// The memory record of one level save stream. It owns its data block (the
// stream's bytes, the only part written to the profile) and an optional
// second block kept beside it in memory only. The profile store owns the
// buffer of each saved game (a std::unique_ptr); dropping that pointer drops
// the saved game.
class SaveBuffer {
  public:
    SaveBuffer() = default;
    explicit SaveBuffer(std::vector<uint8_t> data) : data_(std::move(data)) {}
    SaveBuffer(const SaveBuffer&) = delete;
    SaveBuffer& operator=(const SaveBuffer&) = delete;
    ~SaveBuffer() { Release(); }

    // Frees the data block and the second block, each only when present, and
    // leaves both empty; safe to call again.
    void Release();

    bool HasData() const { return !data_.empty(); }
    std::span<const uint8_t> Data() const { return data_; }
    std::vector<uint8_t>& DataBlock() { return data_; }
    bool HasSecond() const { return !second_.empty(); }
    std::vector<uint8_t>& SecondBlock() { return second_; }

  private:
    std::vector<uint8_t> data_;
    std::vector<uint8_t> second_;
};

// Builds a save stream. Alloc hands out the next n bytes; the address stays
// valid only until the next Alloc (the block may move as it grows), so a
// caller fills a record before asking for the next one and patches earlier
// ones through their offsets. A failed Alloc is sticky: every later one fails
// too and Failed() reports it.
class SaveWriter {
  public:
    // The largest stream the writer builds; a level's state is a few kB.
    static constexpr size_t kMaxSize = 4u << 20;

    // Reserves n bytes at the end (zeroed when zero is set) and returns their
    // address, or null when the stream would outgrow kMaxSize or failed before.
    uint8_t* Alloc(size_t n, bool zero = true);
    void PutU32(uint32_t v);
    void PutI32(int32_t v) { PutU32(static_cast<uint32_t>(v)); }
    void PutF32(float v);

    // A block whose size is known only at its end: BeginBlock writes a
    // placeholder size and returns the block's offset, EndBlock stores the
    // size of everything written since (the size word included).
    size_t BeginBlock();
    void EndBlock(size_t offset);
    // Stores v at an offset already written.
    void PatchU32(size_t offset, uint32_t v);

    size_t Size() const { return bytes_.size(); }
    // Marks the stream failed (a part that could not write its record).
    void Fail() { failed_ = true; }
    // The byte at an offset already written (patching a record after later
    // ones were appended).
    uint8_t* At(size_t offset) { return bytes_.data() + offset; }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    bool Failed() const { return failed_; }
    // Hands the stream over as a buffer (empty after a failure) and starts
    // afresh.
    std::unique_ptr<SaveBuffer> Finish();
    // Hands the bytes over (empty after a failure) and starts afresh.
    std::vector<uint8_t> TakeBytes();

  private:
    std::vector<uint8_t> bytes_;
    bool failed_ = false;
};

// Reads a save stream. Every read is bounded by the bytes left; a read past
// the end returns null (or 0) and sets the sticky error flag, after which every
// read fails, so a loader can read a whole record and test Failed() once.
class SaveReader {
  public:
    SaveReader() = default;
    explicit SaveReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    // The next n bytes, or null with the error flag set when fewer remain.
    const uint8_t* ReadPtr(size_t n);
    uint32_t ReadU32();
    // The same, answering whether the value was there.
    bool ReadU32(uint32_t* value);
    // The next n bytes without moving on; null when fewer remain (the reader
    // does not fail).
    const uint8_t* Peek(size_t n) const {
        return failed_ || n > bytes_.size() - position_ ? nullptr : bytes_.data() + position_;
    }
    int32_t ReadI32() { return static_cast<int32_t>(ReadU32()); }
    float ReadF32();

    // A block: reads its u32 size and returns a reader over the whole block
    // (size word included, already read). A size below minSize or beyond the
    // bytes left fails (the error flag is set and an empty, failed reader is
    // returned). With maxSize given, a larger size fails as well.
    SaveReader ReadBlock(uint32_t minSize, uint32_t maxSize = 0xFFFFFFFFu);

    // Sets the error flag (a loader that found a value out of range).
    void Fail() { failed_ = true; }
    bool Failed() const { return failed_; }
    size_t Remaining() const { return failed_ ? 0 : bytes_.size() - position_; }
    size_t Position() const { return position_; }
    bool AtEnd() const { return !failed_ && position_ == bytes_.size(); }

  private:
    std::span<const uint8_t> bytes_;
    size_t position_ = 0;
    bool failed_ = false;
};
