#pragma once
// Byte streams with 64-bit sizes and positions: over an open file (the log is
// written through one, other files are read whole through one) and over a
// growable block of memory.

#include "platform/Files.h"

#include <cstdint>

namespace kis {

class Stream {
  public:
    virtual ~Stream() = default;
    virtual bool IsOpen() = 0;
    virtual int64_t SetSize(int64_t size) = 0;
    // origin: 0 from the beginning, 1 from the current position, 2 from the end.
    virtual int64_t Seek(int64_t offset, int origin) = 0;
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual int64_t Write(const void* buffer, int64_t count) = 0;

    int64_t GetSize();     // leaves the position where it was
    int64_t GetPosition(); // Seek (0, 1)
    int64_t SeekTo(int64_t position);
    bool ReadExact(void* buffer, int64_t count);
    bool WriteExact(const void* buffer, int64_t count);
};

// A stream over an open file that somebody else owns. Positions are reported
// in 32 bits: files of 4 GiB and more are not supported.
class HandleStream : public Stream {
  public:
    explicit HandleStream(platform::File* handle = nullptr) : handle_(handle) {}

    bool IsOpen() override;
    // Seeks to size and cuts or extends the file there; 1 on success, else 0.
    int64_t SetSize(int64_t size) override;
    // The low 32 bits of the new position; 0 when the seek fails.
    int64_t Seek(int64_t offset, int origin) override;
    // Transfer the low 32 bits of count; bytes moved, or -1 on an error.
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;

  protected:
    platform::File* handle_;
};

// Open modes of the file streams, after the Windows file calls: -1 creates the
// file for reading and writing (an existing file is emptied); any other mode
// opens an existing file with the access bits it holds. The share bits are
// accepted and have no effect here.
constexpr uint32_t kStreamCreate = 0xFFFFFFFFu;
constexpr uint32_t kStreamRead = 0x80000000u;
constexpr uint32_t kStreamWrite = 0x40000000u;
constexpr uint32_t kStreamShareRead = 1;
constexpr uint32_t kStreamShareWrite = 2;

// Creation modes of the three-argument file stream, with the numbers of the
// Windows file call.
constexpr uint32_t kStreamCreateNew = 1;        // fails when the file exists
constexpr uint32_t kStreamCreateAlways = 2;     // an existing file is emptied
constexpr uint32_t kStreamOpenExisting = 3;     // the file must exist
constexpr uint32_t kStreamOpenAlways = 4;       // made when missing
constexpr uint32_t kStreamTruncateExisting = 5; // must exist, and is emptied

// A stream over a file it opens by name and closes when it goes away.
template <class Char> class FileStream : public HandleStream {
  public:
    FileStream(const Char* name, uint32_t mode);
    // Opens with the access bits of `access` (kStreamRead, kStreamWrite; the
    // share bits have no effect) and one of the creation modes above; an
    // unknown creation mode leaves the stream closed.
    FileStream(const Char* name, uint32_t access, uint32_t creation);
    ~FileStream() override;
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

  private:
    platform::File file_;
};
using FileStreamW = FileStream<char16_t>;
using FileStreamA = FileStream<char>;

// A stream over a block of memory. Positions are not bounded: a position past
// the end makes later reads return 0.
class CustomMemoryStream : public Stream {
  public:
    // True when there is a block, the size is not 0 and the position is not 0.
    bool IsOpen() override;
    int64_t Seek(int64_t offset, int origin) override;
    int64_t Read(void* buffer, int64_t count) override;

    int64_t Size() const { return size_; }
    int64_t Position() const { return position_; }
    const uint8_t* Data() const { return block_; }

  protected:
    CustomMemoryStream() = default;

    int64_t size_ = 0;
    int64_t position_ = 0;
    uint8_t* block_ = nullptr;
};

// A growable memory block. Capacity grows in steps of 8192 bytes.
class MemoryStream : public CustomMemoryStream {
  public:
    MemoryStream() = default;
    ~MemoryStream() override;
    MemoryStream(const MemoryStream&) = delete;
    MemoryStream& operator=(const MemoryStream&) = delete;

    // Sets the size; a position beyond the new end moves to the end. Bytes
    // added at the end are zero.
    int64_t SetSize(int64_t size) override;
    // Copies into the block at the position, growing it; a gap between the old
    // end and the position is filled with zeros.
    int64_t Write(const void* buffer, int64_t count) override;
    // Rounds a non-zero request that differs from the size up to a multiple of
    // 8192 (written back) and returns the block sized to it; 0 frees the block.
    virtual uint8_t* Reserve(int64_t& capacity);

    int64_t Capacity() const { return capacity_; }

  protected:
    void SetCapacity(int64_t capacity);

    // Kept for the file layout of the stream; both kinds of memory come from
    // the heap here.
    uint32_t useGlobalMemory_ = 1;
    int64_t capacity_ = 0;
};

} // namespace kis
