#pragma once
// Group streams: a tree of groups and blocks written onto a kis::Stream and
// read back from one. Blocks hold the bytes; groups only nest. The bytes of
// the blocks follow a 20-byte header one after another, and the tree of
// groups and blocks is written after them when the writer finishes.
//
// Layout from the stream position where the writer started (u32 little-endian):
//   0  signature 0x4D54534B ("KSTM" as bytes)
//   4  format version 1
//   8  header size 20
//  12  trailer: 0x39E1AE85 once finished in good order, 0x4641494C ("FAIL")
//      while unfinished
//  16  directory offset, from the start position
//  20  the blocks' bytes
//  directory: the root's child count, its children, its block count, its
//      block records; every other group is its record followed by the same.
// Group and block records are 20 bytes: id, sub-id, offset (from the start
// position), size in bytes, and a word that is 0.
//
// The first failure of a writer or reader is sticky: it returns to the root
// group and every later call does nothing and returns false. A writer that
// failed cuts the stream back to where it started when it finishes.

#include "foundation/List.h"
#include "foundation/Stream.h"

#include <cstdint>
#include <memory>

namespace kis {

struct STREAMBLOCK {
    uint32_t id;
    uint32_t subId;
    uint32_t offset; // from the start position
    uint32_t size;
    uint32_t reserved;
};
static_assert(sizeof(STREAMBLOCK) == 20);

struct STREAMGROUP {
    STREAMGROUP() = default;
    ~STREAMGROUP();
    STREAMGROUP(const STREAMGROUP&) = delete;
    STREAMGROUP& operator=(const STREAMGROUP&) = delete;

    uint32_t id = 0;
    uint32_t subId = 0;
    uint32_t offset = 0; // where the group's bytes begin, from the start position
    uint32_t size = 0;   // bytes of the blocks written inside it
    STREAMGROUP* parent = nullptr;
    list<STREAMGROUP> groups;
    list<STREAMBLOCK> blocks;
};

// The common part of readers and writers: the stream, where the data starts,
// the failed flag and the group tree.
class Streamer {
  public:
    static constexpr uint32_t kSignature = 0x4D54534B;
    static constexpr uint32_t kVersion = 1;
    static constexpr uint32_t kHeaderSize = 20;
    static constexpr uint32_t kTrailerGood = 0x39E1AE85;
    static constexpr uint32_t kTrailerFailed = 0x4641494C;
    static constexpr uint32_t kRecordSize = 20;
    // Group nesting a reader accepts.
    static constexpr int kMaxDepth = 64;

    // Sets the failed flag (once) and returns to the root group. Always false.
    virtual bool Fail();
    virtual ~Streamer();
    Streamer(const Streamer&) = delete;
    Streamer& operator=(const Streamer&) = delete;

    bool Failed() const { return failed_; }
    Stream* GetStream() const { return stream_; }
    const STREAMGROUP& GetRoot() const { return root_; }
    const STREAMGROUP* GetCurrentGroup() const { return current_; }

  protected:
    // Works on `owned` when given (and deletes it when it goes away, after a
    // writer has finished), else on `stream`. No stream at all is a failed
    // streamer.
    Streamer(Stream* stream, std::unique_ptr<Stream> owned);

    std::unique_ptr<Stream> owned_;
    Stream* stream_;
    int64_t start_ = 0;
    bool failed_ = false;
    STREAMGROUP root_;
    STREAMGROUP* current_ = &root_;
};

class StreamWriter : public Streamer {
  public:
    // Writes the header at the stream's position, which becomes the start.
    explicit StreamWriter(Stream* stream) : StreamWriter(stream, nullptr) {}
    // Finishes the stream (once).
    ~StreamWriter() override;

    // Opens a group inside the current one; no block may be open.
    bool BeginGroup(uint32_t id, uint32_t subId);
    // Closes the current group; false at the root or with a block open.
    bool EndGroup();
    // Starts a block in the current group; none may be open.
    bool BeginBlock(uint32_t id, uint32_t subId);
    bool EndBlock();
    // Appends bytes to the open block.
    bool Write(const void* buffer, uint32_t n);

    bool Fail() override;
    // Writes the tree and the trailer, or cuts the stream back to the start
    // when anything failed. Runs once; true when the stream is good.
    bool Finish();

  protected:
    StreamWriter(Stream* stream, std::unique_ptr<Stream> owned);

  private:
    // Does nothing when failed or for 0 bytes; a short write fails.
    bool WriteChecked(const void* buffer, int64_t n);
    bool WriteU32(uint32_t value);
    bool WriteRecord(uint32_t id, uint32_t subId, uint32_t offset, uint32_t size);
    bool WriteGroup(const STREAMGROUP& group, bool isRoot);
    // The stream's position from the start; fails beyond 32 bits.
    bool RelativePosition(uint32_t& out);

    STREAMBLOCK* block_ = nullptr;
    bool finished_ = false;
};

// A writer onto a file it creates (an existing file is emptied).
template <class Char> class FileWriter : public StreamWriter {
  public:
    explicit FileWriter(const Char* name);
};
using FileWriterW = FileWriter<char16_t>;
using FileWriterA = FileWriter<char>;

// A writer onto a memory stream of its own.
class MemoryWriter : public StreamWriter {
  public:
    MemoryWriter();
    MemoryStream& GetMemory() { return *memory_; }

  private:
    MemoryStream* memory_;
};

class StreamReader : public Streamer {
  public:
    // Reads the header and the tree from the stream's position; a stream
    // that is not a finished group stream gives a failed reader.
    explicit StreamReader(Stream* stream) : StreamReader(stream, nullptr) {}

    // Enters the first child group of the current one with this id and
    // sub-id (sub-id kAnyStreamSubId: any). No block may be open.
    bool OpenGroup(uint32_t id, uint32_t subId);
    // Returns to the parent group; false at the root or with a block open.
    bool CloseGroup();
    bool HasBlock(uint32_t id, uint32_t subId) const;
    // Opens the first block of the current group with this id and sub-id at
    // its first byte.
    bool OpenBlock(uint32_t id, uint32_t subId);
    bool CloseBlock();
    // Reads n bytes of the open block; reading past its end fails.
    bool Read(void* buffer, uint32_t n);
    const STREAMBLOCK* GetOpenBlock() const { return block_; }

    bool Fail() override;

  protected:
    StreamReader(Stream* stream, std::unique_ptr<Stream> owned);

  private:
    bool ReadU32(uint32_t& value);
    bool ReadGroupBody(STREAMGROUP& group, int depth);
    bool InData(uint32_t offset, uint32_t size) const;

    const STREAMBLOCK* block_ = nullptr;
    uint32_t position_ = 0;    // inside the open block
    uint32_t dataEnd_ = 0;     // the directory offset: where the blocks' bytes end
    int64_t directoryEnd_ = 0; // absolute end of the stream
};

constexpr uint32_t kAnyStreamSubId = 0xFFFFFFFFu;

// A reader of a file it opens for reading.
template <class Char> class FileReader : public StreamReader {
  public:
    explicit FileReader(const Char* name);
};
using FileReaderW = FileReader<char16_t>;
using FileReaderA = FileReader<char>;

} // namespace kis
