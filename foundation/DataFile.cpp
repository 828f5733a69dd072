#include "foundation/DataFile.h"

#include "foundation/ByteOrder.h"
#include "foundation/Ident.h"
#include "platform/Utf.h"

#include <cerrno>
#include <string>

namespace kis {
namespace {

constexpr uint32_t kHeaderConstant = 16;
constexpr uint32_t kNodeRecordSize = 12;  // child count, entry count, check
constexpr uint32_t kChildRecordSize = 20; // id and sub-id, then the record
constexpr uint32_t kEntrySize = 16;

bool Matches(uint32_t id, uint32_t subId, uint32_t wantedId, uint32_t wantedSubId) {
    return id == wantedId && (wantedSubId == kAnySubId || subId == wantedSubId);
}

void AppendU32(std::vector<uint8_t>& out, uint32_t value) {
    uint8_t bytes[4];
    StoreLE32(bytes, value);
    out.insert(out.end(), bytes, bytes + 4);
}

// One node record and everything below it, depth-first: the node's children
// come before its own entries.
void AppendNode(std::vector<uint8_t>& out, const DataFileNode& node, bool isRoot) {
    if (!isRoot) {
        AppendU32(out, node.id);
        AppendU32(out, node.subId);
    }
    uint8_t counts[8];
    StoreLE32(counts, static_cast<uint32_t>(node.children.size()));
    StoreLE32(counts + 4, static_cast<uint32_t>(node.entries.size()));
    out.insert(out.end(), counts, counts + 8);
    AppendU32(out, Crc32(counts, 8, 0, 0));
    for (const auto& child : node.children)
        AppendNode(out, *child, false);
    for (const DataFileEntry& entry : node.entries) {
        AppendU32(out, entry.id);
        AppendU32(out, entry.subId);
        AppendU32(out, entry.offset);
        AppendU32(out, entry.size);
    }
}

// Copies a path of 1 to 259 characters into the file-name field.
bool CopyName(char16_t (&field)[260], const char16_t* path) {
    if (!path || !path[0]) return false;
    size_t length = std::char_traits<char16_t>::length(path);
    if (length > 259) return false;
    std::char_traits<char16_t>::copy(field, path, length + 1);
    return true;
}

// An 8-bit path counts in bytes; as UTF-16 it never grows longer.
bool CopyName(char16_t (&field)[260], const char* path) {
    if (!path || !path[0] || std::char_traits<char>::length(path) > 259) return false;
    std::u16string wide = platform::Utf8ToUtf16(path);
    return CopyName(field, wide.c_str());
}

} // namespace

// ---- directory nodes ----

DataFileNode* DataFileNode::AddChild(uint32_t childId, uint32_t childSubId) {
    auto child = std::make_unique<DataFileNode>();
    child->id = childId;
    child->subId = childSubId;
    child->parent = this;
    children.push_back(std::move(child));
    return children.back().get();
}

DataFileEntry& DataFileNode::AddEntry(const DataFileEntry& entry) {
    if (entries.size() == entries.capacity()) {
        size_t capacity = entries.capacity();
        entries.reserve(capacity < 32 ? capacity + 8 : capacity + capacity / 2);
    }
    entries.push_back(entry);
    return entries.back();
}

void DataFileNode::Clear() {
    children.clear();
    entries.clear();
    entries.shrink_to_fit();
    returnNode = nullptr;
}

// ---- common to readers and writers ----

BaseDataFile::BaseDataFile(uint32_t typeId, uint32_t typeVersion, uint32_t dataVersion)
    : typeId_(typeId), typeVersion_(typeVersion) {
    root_.subId = dataVersion;
}

BaseDataFile::~BaseDataFile() = default;

bool BaseDataFile::OpenFile(const platform::GamePath& path, bool forWrite, bool fresh) {
    if ((state_ & kStateClosed) == 0) return false; // already open
    const platform::FileCreation creation = !forWrite ? platform::FileCreation::OpenExisting
                                            : fresh   ? platform::FileCreation::CreateNew
                                                      : platform::FileCreation::CreateAlways;
    errno = 0;
    file_ = platform::File::Open(path, forWrite ? platform::kFileWrite : platform::kFileRead, creation);
    if (!file_.IsOpen()) {
        error_ = errno;
        return false;
    }
    state_ = 0;
    fileSize_ = forWrite ? 0 : file_.Size();
    if (!ProcessHeader()) Fail();
    return state_ == 0;
}

bool BaseDataFile::Close() {
    // A failure inside the finish step raises the sticky failure, which would
    // close again: the outer call completes the close and the commit.
    if (closing_) return (state_ & kStateFailed) == 0;
    closing_ = true;
    bool wasOpen = (state_ & kStateClosed) == 0;
    if (state_ == 0) Finish();
    if (!file_.Close() && wasOpen) {
        if (error_ == 0) error_ = errno;
        state_ |= kStateFailed;
    }
    root_.Clear();
    current_ = &root_;
    openChunk_ = nullptr;
    if (wasOpen) Commit();
    state_ |= kStateClosed;
    closing_ = false;
    return (state_ & kStateFailed) == 0;
}

bool BaseDataFile::Fail() {
    if (state_ != 0) return false;
    if (error_ == 0) error_ = errno;
    state_ |= kStateFailed;
    if (!closing_) Close();
    return false;
}

bool BaseDataFile::SeekFile(int64_t position) {
    if (position < 0 || position > kMaxPosition) return Fail();
    if (file_.Seek(position, platform::SeekOrigin::Begin) != position) return Fail();
    return true;
}

int64_t BaseDataFile::FilePosition() {
    int64_t position = file_.Tell();
    if (position < 0 || position > kMaxPosition) {
        Fail();
        return -1;
    }
    return position;
}

DataFileEntry* BaseDataFile::FindEntry(uint32_t id, uint32_t subId) {
    if (openChunk_ && Matches(openChunk_->id, openChunk_->subId, id, subId)) return openChunk_;
    for (DataFileEntry& entry : current_->entries)
        if (Matches(entry.id, entry.subId, id, subId)) return &entry;
    return nullptr;
}

bool BaseDataFile::SelectChunk(DataFileEntry* entry) {
    if (entry == openChunk_) return true; // the read position is kept
    openChunk_ = entry;
    position_ = 0;
    return SeekFile(entry->offset);
}

bool BaseDataFile::HasChunk(uint32_t id, uint32_t subId) {
    return state_ == 0 && FindEntry(id, subId) != nullptr;
}

bool BaseDataFile::OpenChunk(uint32_t id, uint32_t subId) {
    if (state_ != 0) return false;
    DataFileEntry* entry = FindEntry(id, subId);
    if (!entry) return Fail();
    return SelectChunk(entry);
}

bool BaseDataFile::OpenChunkEntry(const DataFileEntry* entry) {
    if (state_ != 0) return false;
    if (!entry) return Fail();
    return SelectChunk(const_cast<DataFileEntry*>(entry));
}

bool BaseDataFile::CloseChunk() {
    if (state_ != 0) return false;
    if (!openChunk_) return Fail();
    openChunk_ = nullptr;
    return true;
}

bool BaseDataFile::OpenNode(uint32_t id, uint32_t subId) {
    if (state_ != 0) return false;
    for (const auto& child : current_->children)
        if (Matches(child->id, child->subId, id, subId)) return EnterNode(child.get());
    return Fail();
}

bool BaseDataFile::EnterNode(DataFileNode* node) {
    if (state_ != 0) return false;
    if (openChunk_ || !node) return Fail();
    if (node != current_) {
        node->returnNode = current_;
        current_ = node;
    }
    return true;
}

bool BaseDataFile::CloseNode() {
    if (state_ != 0) return false;
    if (openChunk_ || !current_->returnNode) return Fail();
    DataFileNode* leaving = current_;
    current_ = leaving->returnNode;
    leaving->returnNode = nullptr;
    return true;
}

bool BaseDataFile::Read(void* buffer, uint32_t n) {
    if (state_ != 0) return false;
    if (!openChunk_ || n >= 0x80000000u || position_ + n > openChunk_->size) return Fail();
    if (n == 0) return true;
    if (!file_.ReadExact(buffer, n)) return Fail();
    position_ += n;
    return true;
}

bool BaseDataFile::ReadCrc(void* buffer, uint32_t n, uint32_t* crc) {
    if (!Read(buffer, n)) return false;
    if (crc) *crc = Crc32(buffer, n, 0, *crc);
    return true;
}

bool BaseDataFile::ReadVerified(void* buffer, uint32_t n, uint32_t expected) {
    if (!Read(buffer, n)) return false;
    if (Crc32(buffer, n, 0, 0) != expected) return Fail();
    return true;
}

bool BaseDataFile::SeekInChunk(uint32_t position) {
    if (state_ != 0) return false;
    if (!openChunk_ || position > openChunk_->size) return Fail();
    if (position == position_) return true;
    if (!SeekFile(int64_t(openChunk_->offset) + position)) return false;
    position_ = position;
    return true;
}

int64_t BaseDataFile::Tell() {
    if (state_ != 0 || !openChunk_) return -1;
    return int64_t(openChunk_->offset) + position_;
}

int64_t BaseDataFile::GetChunkPos() {
    return state_ != 0 ? -1 : position_;
}

uint32_t BaseDataFile::ChunkBytesLeft() {
    const int64_t position = GetChunkPos();
    if (!openChunk_ || position < 0 || position > int64_t(openChunk_->size)) return 0;
    return openChunk_->size - uint32_t(position);
}

bool BaseDataFile::BeginChunk(uint32_t id, uint32_t subId) {
    if (state_ != 0) return false;
    if (openChunk_) return Fail();
    int64_t offset = FilePosition();
    if (offset < 0) return false;
    openChunk_ = &current_->AddEntry({id, subId, static_cast<uint32_t>(offset), 0});
    return true;
}

bool BaseDataFile::Write(const void* buffer, uint32_t n) {
    if (state_ != 0) return false;
    if (!openChunk_) return Fail();
    if (n == 0) return true;
    if (!file_.WriteExact(buffer, n)) return Fail();
    openChunk_->size += n;
    return true;
}

bool BaseDataFile::WriteCrc(const void* buffer, uint32_t n, uint32_t* crc) {
    if (!Write(buffer, n)) return false;
    if (crc) *crc = Crc32(buffer, n, 0, *crc);
    return true;
}

bool BaseDataFile::EndChunk() {
    if (state_ != 0) return false;
    if (!openChunk_) return Fail();
    openChunk_ = nullptr;
    return true;
}

// ---- reader ----

bool BaseDataFileReader::ProcessHeader() {
    uint8_t bytes[8];
    if (!file_.ReadExact(bytes, 8)) return false;
    if (LoadLE32(bytes) != typeId_ || LoadLE32(bytes + 4) != typeVersion_) return false;
    if (!file_.ReadExact(bytes, 4) || LoadLE32(bytes) != kHeaderConstant) return false;
    if (!file_.ReadExact(bytes, 4)) return false;
    uint32_t dataVersion = LoadLE32(bytes);
    if (dataVersion != root_.subId && root_.subId != kAnySubId) return Fail();
    root_.subId = dataVersion;
    if (!file_.ReadExact(bytes, 4)) return false;
    uint32_t directory = LoadLE32(bytes);
    if (directory == 0) return false;
    if (!SeekFile(directory)) return false;
    if (!ReadNode(root_, 0)) return false;
    current_ = &root_;
    return true;
}

// The check value guards only the counts, so every count is also held against
// the bytes left in the file, and nesting is capped, before anything is sized
// from it.
bool BaseDataFileReader::ReadNode(DataFileNode& node, int depth) {
    uint8_t record[kNodeRecordSize];
    if (!file_.ReadExact(record, kNodeRecordSize)) return Fail();
    uint32_t childCount = LoadLE32(record);
    uint32_t entryCount = LoadLE32(record + 4);
    if (Crc32(record, 8, 0, 0) != LoadLE32(record + 8)) return Fail();
    int64_t position = FilePosition();
    if (position < 0) return false;
    uint64_t needed = uint64_t(childCount) * kChildRecordSize + uint64_t(entryCount) * kEntrySize;
    if (needed > uint64_t(fileSize_ - position)) return Fail();
    if (childCount > 0 && depth >= kMaxNodeDepth) return Fail();

    node.children.reserve(childCount);
    for (uint32_t i = 0; i < childCount; ++i) {
        uint8_t ids[8];
        if (!file_.ReadExact(ids, 8)) return Fail();
        DataFileNode* child = node.AddChild(LoadLE32(ids), LoadLE32(ids + 4));
        if (!ReadNode(*child, depth + 1)) return false;
    }

    std::vector<uint8_t> bytes(size_t(entryCount) * kEntrySize);
    if (!file_.ReadExact(bytes.data(), int64_t(bytes.size()))) return Fail();
    node.entries.reserve(entryCount);
    for (uint32_t i = 0; i < entryCount; ++i) {
        const uint8_t* p = bytes.data() + size_t(i) * kEntrySize;
        DataFileEntry entry{LoadLE32(p), LoadLE32(p + 4), LoadLE32(p + 8), LoadLE32(p + 12)};
        // A chunk must lie inside the file; a damaged entry fails the open
        // rather than the first read of its chunk.
        if (uint64_t(entry.offset) + entry.size > uint64_t(fileSize_)) return Fail();
        node.entries.push_back(entry);
    }
    return true;
}

// ---- writer ----

bool BaseDataFileWriter::ProcessHeader() {
    uint8_t header[16];
    StoreLE32(header, typeId_);
    StoreLE32(header + 4, typeVersion_);
    StoreLE32(header + 8, kHeaderConstant);
    StoreLE32(header + 12, root_.subId);
    if (!file_.WriteExact(header, 16)) return false;
    position_ = FilePosition();
    if (position_ < 0) return false;
    const uint8_t zero[4] = {};
    return file_.WriteExact(zero, 4);
}

bool BaseDataFileWriter::Finish() {
    if (openChunk_ || current_ != &root_) return Fail();
    int64_t directory = FilePosition();
    if (directory < 0) return false;
    std::vector<uint8_t> bytes;
    AppendNode(bytes, root_, true);
    if (!file_.WriteExact(bytes.data(), int64_t(bytes.size()))) return Fail();
    if (FilePosition() < 0) return false; // the directory itself must stay addressable
    if (!SeekFile(position_)) return false;
    uint8_t offset[4];
    StoreLE32(offset, static_cast<uint32_t>(directory));
    if (!file_.WriteExact(offset, 4)) return Fail();
    if (!file_.Flush()) return Fail(); // on the disk before it may replace the old file
    return true;
}

void BaseDataFileWriter::Commit() {
    const platform::GamePath& written = temporary_.Empty() ? target_ : temporary_;
    if (state_ & kStateFailed) {
        platform::DeleteFile(written);
    } else if (!temporary_.Empty() && !platform::RenameFile(temporary_, target_, &syncError_)) {
        if (error_ == 0) error_ = errno;
        state_ |= kStateFailed;
        platform::DeleteFile(temporary_);
    }
    temporary_ = {};
}

// ---- the twins ----

template <class Char> bool DataFileReader<Char>::Open(const Char* path) {
    if (!CopyName(fileName_, path)) return false;
    return OpenFile(platform::GamePath(path), false);
}

template <class Char> bool DataFileWriter<Char>::Open(const Char* path, bool backup) {
    if (!CopyName(fileName_, path)) return false;
    target_ = platform::GamePath(path);
    // The file is made new under the aside name, never through a link or
    // into an entry standing there, and renamed into place once whole: the
    // name itself may be a link made while the game runs.
    temporary_ = backup ? platform::GamePath::Native(target_.Utf8() + ".bak") : platform::GamePath();
    // A file left at the aside name by a write that never finished (its
    // program was stopped) is this writer's own and gives way; the game's
    // user files have their aside names cleared before (ClearWayForWrite),
    // and removing a link there removes the link alone.
    if (backup && platform::FileExists(temporary_)) platform::DeleteFile(temporary_);
    if (OpenFile(backup ? temporary_ : target_, true, backup)) return true;
    temporary_ = {}; // a file that could not be made was never written: nothing to remove
    return false;
}

template class DataFileReader<char16_t>;
template class DataFileReader<char>;
template class DataFileWriter<char16_t>;
template class DataFileWriter<char>;

DataFileReaderW* OpenDataFileForRead(const char16_t* path, uint32_t typeId, uint32_t typeVersion,
                                     uint32_t dataVersion) {
    auto reader = std::make_unique<DataFileReaderW>(typeId, typeVersion, dataVersion);
    if (!reader->Open(path)) return nullptr;
    return reader.release();
}

DataFileWriterW* OpenDataFileForWrite(const char16_t* path, uint32_t typeId, uint32_t typeVersion,
                                      uint32_t dataVersion, bool backup) {
    auto writer = std::make_unique<DataFileWriterW>(typeId, typeVersion, dataVersion);
    if (!writer->Open(path, backup)) return nullptr;
    return writer.release();
}

bool CloseDataFile(BaseDataFile* file) {
    if (!file) return false;
    bool result = file->Close();
    delete file;
    return result;
}

} // namespace kis
