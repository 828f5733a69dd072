#include "foundation/Streamer.h"
#include "foundation/ByteOrder.h"

#include <new>

namespace kis {
namespace {

bool Matches(uint32_t id, uint32_t subId, uint32_t wantedId, uint32_t wantedSubId) {
    return id == wantedId && (wantedSubId == kAnyStreamSubId || subId == wantedSubId);
}

// A group's smallest form in the directory: its record and its two counts.
constexpr uint64_t kMinGroupBytes = Streamer::kRecordSize + 8;

} // namespace

STREAMGROUP::~STREAMGROUP() {
    groups.DeleteAll();
    blocks.DeleteAll();
}

// ---- common ----

Streamer::Streamer(Stream* stream, std::unique_ptr<Stream> owned)
    : owned_(std::move(owned)), stream_(owned_ ? owned_.get() : stream) {
    if (!stream_) {
        failed_ = true;
        return;
    }
    start_ = stream_->GetPosition();
}

Streamer::~Streamer() = default;

bool Streamer::Fail() {
    failed_ = true;
    current_ = &root_;
    return false;
}

// ---- writer ----

StreamWriter::StreamWriter(Stream* stream, std::unique_ptr<Stream> owned)
    : Streamer(stream, std::move(owned)) {
    uint8_t header[kHeaderSize];
    StoreLE32(header, kSignature);
    StoreLE32(header + 4, kVersion);
    StoreLE32(header + 8, kHeaderSize);
    StoreLE32(header + 12, kTrailerFailed); // until finished in good order
    StoreLE32(header + 16, 0);
    WriteChecked(header, kHeaderSize);
}

StreamWriter::~StreamWriter() {
    Finish();
}

bool StreamWriter::Fail() {
    block_ = nullptr;
    return Streamer::Fail();
}

bool StreamWriter::WriteChecked(const void* buffer, int64_t n) {
    if (failed_) return false;
    if (n == 0) return true;
    if (stream_->Write(buffer, n) != n) return Fail();
    return true;
}

bool StreamWriter::WriteU32(uint32_t value) {
    uint8_t bytes[4];
    StoreLE32(bytes, value);
    return WriteChecked(bytes, 4);
}

bool StreamWriter::WriteRecord(uint32_t id, uint32_t subId, uint32_t offset, uint32_t size) {
    uint8_t record[kRecordSize];
    StoreLE32(record, id);
    StoreLE32(record + 4, subId);
    StoreLE32(record + 8, offset);
    StoreLE32(record + 12, size);
    StoreLE32(record + 16, 0);
    return WriteChecked(record, kRecordSize);
}

bool StreamWriter::RelativePosition(uint32_t& out) {
    int64_t position = stream_->GetPosition() - start_;
    if (position < 0 || position > int64_t(UINT32_MAX)) return Fail();
    out = uint32_t(position);
    return true;
}

bool StreamWriter::BeginGroup(uint32_t id, uint32_t subId) {
    if (failed_ || finished_) return false;
    if (block_) return Fail();
    uint32_t offset = 0;
    if (!RelativePosition(offset)) return false;
    auto* group = new (std::nothrow) STREAMGROUP;
    if (!group) return Fail();
    group->id = id;
    group->subId = subId;
    group->offset = offset;
    group->parent = current_;
    if (current_->groups.Add(group) < 0) {
        delete group;
        return Fail();
    }
    current_ = group;
    return true;
}

bool StreamWriter::EndGroup() {
    if (failed_ || finished_) return false;
    if (block_ || current_ == &root_) return Fail();
    current_ = current_->parent;
    return true;
}

bool StreamWriter::BeginBlock(uint32_t id, uint32_t subId) {
    if (failed_ || finished_) return false;
    if (block_) return Fail();
    uint32_t offset = 0;
    if (!RelativePosition(offset)) return false;
    auto* block = new (std::nothrow) STREAMBLOCK{id, subId, offset, 0, 0};
    if (!block) return Fail();
    if (current_->blocks.Add(block) < 0) {
        delete block;
        return Fail();
    }
    block_ = block;
    return true;
}

bool StreamWriter::EndBlock() {
    if (failed_ || finished_) return false;
    if (!block_) return Fail();
    block_ = nullptr;
    return true;
}

bool StreamWriter::Write(const void* buffer, uint32_t n) {
    if (failed_ || finished_) return false;
    if (!block_) return Fail();
    if (uint64_t(block_->size) + n > UINT32_MAX) return Fail();
    if (!WriteChecked(buffer, n)) return false;
    block_->size += n;
    for (STREAMGROUP* group = current_; group != &root_; group = group->parent)
        group->size += n;
    return true;
}

bool StreamWriter::WriteGroup(const STREAMGROUP& group, bool isRoot) {
    if (!isRoot) WriteRecord(group.id, group.subId, group.offset, group.size);
    WriteU32(uint32_t(group.groups.Count()));
    for (int32_t i = 0; i < group.groups.Count(); ++i)
        WriteGroup(*group.groups.Get(i), false);
    WriteU32(uint32_t(group.blocks.Count()));
    for (int32_t i = 0; i < group.blocks.Count(); ++i) {
        const STREAMBLOCK* block = group.blocks.Get(i);
        WriteRecord(block->id, block->subId, block->offset, block->size);
    }
    return !failed_;
}

bool StreamWriter::Finish() {
    if (finished_) return !failed_;
    finished_ = true;
    if (!stream_) return false;
    if (!failed_ && (block_ || current_ != &root_)) Fail();
    uint32_t directory = 0;
    if (!failed_ && RelativePosition(directory) && WriteGroup(root_, true)) {
        const int64_t end = stream_->GetPosition();
        uint8_t trailer[8];
        StoreLE32(trailer, kTrailerGood);
        StoreLE32(trailer + 4, directory);
        if (stream_->Seek(start_ + 12, 0) != start_ + 12) Fail();
        WriteChecked(trailer, 8);
        stream_->Seek(end, 0);
    }
    if (failed_) stream_->SetSize(start_);
    return !failed_;
}

template <class Char>
FileWriter<Char>::FileWriter(const Char* name)
    : StreamWriter(nullptr, std::make_unique<FileStream<Char>>(name, kStreamCreate)) {}

template class FileWriter<char16_t>;
template class FileWriter<char>;

MemoryWriter::MemoryWriter() : StreamWriter(nullptr, std::make_unique<MemoryStream>()) {
    memory_ = static_cast<MemoryStream*>(stream_);
}

// ---- reader ----

StreamReader::StreamReader(Stream* stream, std::unique_ptr<Stream> owned)
    : Streamer(stream, std::move(owned)) {
    if (failed_) return;
    directoryEnd_ = stream_->GetSize();
    uint32_t signature = 0, version = 0, headerSize = 0, trailer = 0;
    if (!ReadU32(signature) || !ReadU32(version) || !ReadU32(headerSize) || !ReadU32(trailer) ||
        !ReadU32(dataEnd_))
        return;
    if (signature != kSignature || version != kVersion || headerSize != kHeaderSize ||
        trailer != kTrailerGood || dataEnd_ < kHeaderSize || start_ + dataEnd_ > directoryEnd_) {
        Fail();
        return;
    }
    if (stream_->Seek(start_ + dataEnd_, 0) != start_ + dataEnd_) {
        Fail();
        return;
    }
    ReadGroupBody(root_, 0);
    current_ = &root_;
}

bool StreamReader::Fail() {
    block_ = nullptr;
    return Streamer::Fail();
}

bool StreamReader::ReadU32(uint32_t& value) {
    uint8_t bytes[4];
    if (failed_) return false;
    if (stream_->Read(bytes, 4) != 4) return Fail();
    value = LoadLE32(bytes);
    return true;
}

bool StreamReader::InData(uint32_t offset, uint32_t size) const {
    return offset >= kHeaderSize && uint64_t(offset) + size <= dataEnd_;
}

// Every count is held against the bytes left in the directory before anything
// is made from it, and nesting is capped.
bool StreamReader::ReadGroupBody(STREAMGROUP& group, int depth) {
    uint32_t groupCount = 0;
    if (!ReadU32(groupCount)) return false;
    const int64_t left = directoryEnd_ - stream_->GetPosition();
    if (left < 0 || uint64_t(groupCount) * kMinGroupBytes > uint64_t(left)) return Fail();
    if (groupCount > 0 && depth >= kMaxDepth) return Fail();
    for (uint32_t i = 0; i < groupCount; ++i) {
        uint32_t record[5];
        for (uint32_t& word : record)
            if (!ReadU32(word)) return false;
        if (!InData(record[2], record[3])) return Fail();
        auto* child = new (std::nothrow) STREAMGROUP;
        if (!child) return Fail();
        child->id = record[0];
        child->subId = record[1];
        child->offset = record[2];
        child->size = record[3];
        child->parent = &group;
        if (group.groups.Add(child) < 0) {
            delete child;
            return Fail();
        }
        if (!ReadGroupBody(*child, depth + 1)) return false;
    }
    uint32_t blockCount = 0;
    if (!ReadU32(blockCount)) return false;
    const int64_t rest = directoryEnd_ - stream_->GetPosition();
    if (rest < 0 || uint64_t(blockCount) * kRecordSize > uint64_t(rest)) return Fail();
    group.blocks.SetCapacity(int32_t(blockCount));
    for (uint32_t i = 0; i < blockCount; ++i) {
        uint32_t record[5];
        for (uint32_t& word : record)
            if (!ReadU32(word)) return false;
        if (!InData(record[2], record[3])) return Fail();
        auto* block = new (std::nothrow) STREAMBLOCK{record[0], record[1], record[2], record[3], record[4]};
        if (!block) return Fail();
        if (group.blocks.Add(block) < 0) {
            delete block;
            return Fail();
        }
    }
    return true;
}

bool StreamReader::OpenGroup(uint32_t id, uint32_t subId) {
    if (failed_) return false;
    if (block_) return Fail();
    for (int32_t i = 0; i < current_->groups.Count(); ++i) {
        STREAMGROUP* group = current_->groups.Get(i);
        if (Matches(group->id, group->subId, id, subId)) {
            current_ = group;
            return true;
        }
    }
    return Fail();
}

bool StreamReader::CloseGroup() {
    if (failed_) return false;
    if (block_ || current_ == &root_) return Fail();
    current_ = current_->parent;
    return true;
}

bool StreamReader::HasBlock(uint32_t id, uint32_t subId) const {
    if (failed_) return false;
    for (int32_t i = 0; i < current_->blocks.Count(); ++i) {
        const STREAMBLOCK* block = current_->blocks.Get(i);
        if (Matches(block->id, block->subId, id, subId)) return true;
    }
    return false;
}

bool StreamReader::OpenBlock(uint32_t id, uint32_t subId) {
    if (failed_) return false;
    for (int32_t i = 0; i < current_->blocks.Count(); ++i) {
        const STREAMBLOCK* block = current_->blocks.Get(i);
        if (!Matches(block->id, block->subId, id, subId)) continue;
        if (stream_->Seek(start_ + block->offset, 0) != start_ + block->offset) return Fail();
        block_ = block;
        position_ = 0;
        return true;
    }
    return Fail();
}

bool StreamReader::CloseBlock() {
    if (failed_) return false;
    if (!block_) return Fail();
    block_ = nullptr;
    return true;
}

bool StreamReader::Read(void* buffer, uint32_t n) {
    if (failed_) return false;
    if (!block_ || uint64_t(position_) + n > block_->size) return Fail();
    if (n == 0) return true;
    if (stream_->Read(buffer, n) != int64_t(n)) return Fail();
    position_ += n;
    return true;
}

template <class Char>
FileReader<Char>::FileReader(const Char* name)
    : StreamReader(nullptr, std::make_unique<FileStream<Char>>(name, kStreamRead | kStreamShareRead)) {}

template class FileReader<char16_t>;
template class FileReader<char>;

} // namespace kis
