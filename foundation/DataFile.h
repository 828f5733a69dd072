#pragma once
// The chunked data-file container: every pack, the settings file, the profiles
// and the compiled language file. A file is a 20-byte header, the chunks' bytes
// one after another, and a directory at the end: a tree of nodes, each holding
// child nodes and chunk entries found by a 32-bit id and sub-id.
//
// The first error of any operation closes the file and stays set, so a caller
// can run a whole sequence of reads or writes and test the outcome once.

#include "platform/Files.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kis {

// A directory entry as it is stored in the file.
struct DataFileEntry {
    uint32_t id;
    uint32_t subId;
    uint32_t offset; // absolute file offset of the chunk's first byte
    uint32_t size;   // bytes
};
static_assert(sizeof(DataFileEntry) == 16);

// Sub-id (and data version) that matches any.
constexpr uint32_t kAnySubId = 0xFFFFFFFFu;

struct DataFileNode {
    uint32_t id = 0;
    uint32_t subId = 0;
    DataFileNode* parent = nullptr;
    std::vector<std::unique_ptr<DataFileNode>> children;
    std::vector<DataFileEntry> entries;
    DataFileNode* returnNode = nullptr; // where CloseNode goes back to; null when not entered

    DataFileNode* AddChild(uint32_t childId, uint32_t childSubId);
    DataFileEntry& AddEntry(const DataFileEntry& entry);
    void Clear();
};

class BaseDataFile {
  public:
    static constexpr uint32_t kStateFailed = 1;
    static constexpr uint32_t kStateClosed = 2;
    // Directory nesting a reader accepts; deeper files are refused.
    static constexpr int kMaxNodeDepth = 64;
    static constexpr int64_t kMaxPosition = 0x7FFFFFFF;

    virtual ~BaseDataFile();
    BaseDataFile(const BaseDataFile&) = delete;
    BaseDataFile& operator=(const BaseDataFile&) = delete;

    // Finishes a writer, closes the file, frees the directory; the file is
    // closed and committed once however often this runs. True when the file
    // never failed.
    bool Close();
    // Raises the sticky failure: closes the file (a writer deletes what it
    // wrote). Always false.
    bool Fail();

    // Reading.
    bool HasChunk(uint32_t id, uint32_t subId);
    bool OpenChunk(uint32_t id, uint32_t subId);
    bool OpenChunkEntry(const DataFileEntry* entry);
    bool CloseChunk();
    bool OpenNode(uint32_t id, uint32_t subId);
    bool EnterNode(DataFileNode* node);
    bool CloseNode();
    bool Read(void* buffer, uint32_t n);
    bool ReadCrc(void* buffer, uint32_t n, uint32_t* crc);
    bool ReadVerified(void* buffer, uint32_t n, uint32_t expected);
    bool SeekInChunk(uint32_t position);
    int64_t Tell();
    int64_t GetChunkPos();
    // The bytes of the open chunk not read yet: 0 when none is open or the
    // file has failed. Readers hold every count against it before sizing.
    uint32_t ChunkBytesLeft();

    // Writing.
    bool BeginChunk(uint32_t id, uint32_t subId);
    bool Write(const void* buffer, uint32_t n);
    bool WriteCrc(const void* buffer, uint32_t n, uint32_t* crc);
    bool EndChunk();

    uint32_t GetState() const { return state_; }
    // The system's error at the first failure (a file that did not open, a
    // write cut short, a rename refused); 0 when none was seen.
    int GetError() const { return error_; }
    // A writer's folder that could not be flushed after the rename into
    // place (the system's error; 0 when it was): the file stands written.
    int GetSyncError() const { return syncError_; }
    bool IsGood() const { return state_ == 0; }
    uint32_t GetTypeId() const { return typeId_; }
    uint32_t GetTypeVersion() const { return typeVersion_; }
    uint32_t GetDataVersion() const { return root_.subId; }
    const DataFileNode& GetRoot() const { return root_; }
    DataFileNode* GetCurrentNode() { return current_; }
    // The path as it was opened, in UTF-16 (an 8-bit path is read as UTF-8,
    // as the file layer reads it).
    const char16_t* GetFileName() const { return fileName_; }
    // The entry of the chunk being read or written, null when none.
    const DataFileEntry* GetOpenChunk() const { return openChunk_; }

  protected:
    BaseDataFile(uint32_t typeId, uint32_t typeVersion, uint32_t dataVersion);

    virtual bool ProcessHeader() = 0; // reads or writes the header
    virtual bool Finish() = 0;        // runs in Close while the file is good
    virtual void Commit() = 0;        // runs once after the file is closed

    // Opens `path` (or, for a writer with `temporary`, that file) and processes
    // the header; true when the file is open and good.
    // fresh: the file is made new, failing when anything stands at the path.
    bool OpenFile(const platform::GamePath& path, bool forWrite, bool fresh = false);
    bool SeekFile(int64_t position);
    int64_t FilePosition();

    uint32_t state_ = kStateFailed | kStateClosed;
    int error_ = 0;
    int syncError_ = 0;
    platform::File file_;
    uint32_t typeId_;
    uint32_t typeVersion_;
    DataFileNode root_;
    DataFileNode* current_ = &root_;
    DataFileEntry* openChunk_ = nullptr;
    // Reader: read position inside the open chunk. Writer: file position of
    // the header's directory-offset field.
    int64_t position_ = 0;
    int64_t fileSize_ = 0;
    char16_t fileName_[260] = {};

  private:
    bool SelectChunk(DataFileEntry* entry);
    DataFileEntry* FindEntry(uint32_t id, uint32_t subId);

    bool closing_ = false;
};

class BaseDataFileReader : public BaseDataFile {
  protected:
    using BaseDataFile::BaseDataFile;
    bool ProcessHeader() override; // ReadHeader
    bool Finish() override { return true; }
    void Commit() override {}

  private:
    bool ReadNode(DataFileNode& node, int depth);
};

class BaseDataFileWriter : public BaseDataFile {
  protected:
    using BaseDataFile::BaseDataFile;
    bool ProcessHeader() override; // WriteHeader
    bool Finish() override;
    // With a temporary file: flushed, renamed over the target when good,
    // deleted when failed. Without one the target itself is deleted on failure.
    void Commit() override;

    platform::GamePath target_;    // the file to write
    platform::GamePath temporary_; // the file actually written when writing with backup
};

template <class Char> class DataFileReader : public BaseDataFileReader {
  public:
    DataFileReader(uint32_t typeId, uint32_t typeVersion, uint32_t dataVersion)
        : BaseDataFileReader(typeId, typeVersion, dataVersion) {}
    ~DataFileReader() override { Close(); }

    // Reads the header and the whole directory; the root node becomes current.
    bool Open(const Char* path);
};

template <class Char> class DataFileWriter : public BaseDataFileWriter {
  public:
    DataFileWriter(uint32_t typeId, uint32_t typeVersion, uint32_t dataVersion)
        : BaseDataFileWriter(typeId, typeVersion, dataVersion) {}
    ~DataFileWriter() override { Close(); }

    // Writes the header. With backup, the content goes to a file made new
    // (never through a link) at the path with ".bak" appended, which replaces
    // the old file only when closed in good order; when that file cannot be
    // made (anything stands at its name) the open fails and the old one stays
    // as it is. Without backup the file at the path is written directly.
    bool Open(const Char* path, bool backup);
};

using DataFileReaderW = DataFileReader<char16_t>;
using DataFileReaderA = DataFileReader<char>;
using DataFileWriterW = DataFileWriter<char16_t>;
using DataFileWriterA = DataFileWriter<char>;

// The owner of an open reader or writer. Deleting one closes its file first
// (the destructor runs Close), so no deleter of its own is needed; a writer
// whose result matters is closed explicitly before it goes.
using DataFileReaderPtr = std::unique_ptr<DataFileReaderW>;
using DataFileReaderPtrA = std::unique_ptr<DataFileReaderA>;
using DataFileWriterPtr = std::unique_ptr<DataFileWriterW>;

// A new open reader, or null on any failure. Data version kAnySubId accepts any
// data version. The caller gives the reader back with CloseDataFile.
DataFileReaderW* OpenDataFileForRead(const char16_t* path, uint32_t typeId, uint32_t typeVersion,
                                     uint32_t dataVersion);
// A new writer with the header written, or null on failure.
DataFileWriterW* OpenDataFileForWrite(const char16_t* path, uint32_t typeId, uint32_t typeVersion,
                                      uint32_t dataVersion, bool backup);
// Close, then delete; the result of Close, false for null.
bool CloseDataFile(BaseDataFile* file);

} // namespace kis
