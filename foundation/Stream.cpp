#include "foundation/Stream.h"

#include "platform/Memory.h"

#include <cstdlib>
#include <cstring>

namespace kis {

int64_t Stream::GetSize() {
    int64_t position = Seek(0, 1);
    int64_t size = Seek(0, 2);
    Seek(position, 0);
    return size;
}

int64_t Stream::GetPosition() {
    return Seek(0, 1);
}

int64_t Stream::SeekTo(int64_t position) {
    return Seek(position, 0);
}

bool Stream::ReadExact(void* buffer, int64_t count) {
    return Read(buffer, count) == count;
}

bool Stream::WriteExact(const void* buffer, int64_t count) {
    return Write(buffer, count) == count;
}

// ---- handle streams ----

bool HandleStream::IsOpen() {
    return handle_ && handle_->IsOpen();
}

int64_t HandleStream::SetSize(int64_t size) {
    if (!IsOpen()) return 0;
    Seek(size, 0);
    return handle_->SetSize(size) ? 1 : 0;
}

int64_t HandleStream::Seek(int64_t offset, int origin) {
    if (!IsOpen() || origin < 0 || origin > 2) return 0;
    int64_t position = handle_->Seek(offset, static_cast<platform::SeekOrigin>(origin));
    if (position < 0) return 0;
    return static_cast<int64_t>(static_cast<uint32_t>(position));
}

int64_t HandleStream::Read(void* buffer, int64_t count) {
    if (!IsOpen()) return -1;
    return handle_->Read(buffer, static_cast<uint32_t>(count));
}

int64_t HandleStream::Write(const void* buffer, int64_t count) {
    if (!IsOpen()) return -1;
    return handle_->Write(buffer, static_cast<uint32_t>(count));
}

template <class Char>
FileStream<Char>::FileStream(const Char* name, uint32_t mode)
    : FileStream(name, mode == kStreamCreate ? kStreamRead | kStreamWrite : mode,
                 mode == kStreamCreate ? kStreamCreateAlways : kStreamOpenExisting) {}

template <class Char> FileStream<Char>::FileStream(const Char* name, uint32_t access, uint32_t creation) {
    handle_ = &file_;
    unsigned rights = ((access & kStreamRead) ? unsigned(platform::kFileRead) : 0u) |
                      ((access & kStreamWrite) ? unsigned(platform::kFileWrite) : 0u);
    platform::FileCreation how;
    switch (creation) {
    case kStreamCreateNew:
        how = platform::FileCreation::CreateNew;
        break;
    case kStreamCreateAlways:
        how = platform::FileCreation::CreateAlways;
        break;
    case kStreamOpenExisting:
    case kStreamTruncateExisting:
        how = platform::FileCreation::OpenExisting;
        break;
    case kStreamOpenAlways:
        how = platform::FileCreation::OpenAlways;
        break;
    default:
        return;
    }
    file_ = platform::File::Open(name, static_cast<platform::FileAccess>(rights), how);
    if (creation == kStreamTruncateExisting && file_.IsOpen() && !file_.SetSize(0)) file_.Close();
}

template <class Char> FileStream<Char>::~FileStream() {
    file_.Close();
    handle_ = nullptr;
}

template class FileStream<char16_t>;
template class FileStream<char>;

// ---- memory streams ----

bool CustomMemoryStream::IsOpen() {
    return block_ && size_ != 0 && position_ != 0;
}

int64_t CustomMemoryStream::Seek(int64_t offset, int origin) {
    switch (origin) {
    case 0:
        position_ = offset;
        break;
    case 1:
        position_ += offset;
        break;
    case 2:
        position_ = size_ + offset;
        break;
    default:
        break;
    }
    return position_;
}

int64_t CustomMemoryStream::Read(void* buffer, int64_t count) {
    if (size_ < 0 || position_ < 0 || position_ >= size_ || count <= 0) return 0;
    int64_t n = count < size_ - position_ ? count : size_ - position_;
    std::memcpy(buffer, block_ + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
}

MemoryStream::~MemoryStream() {
    SetCapacity(0);
    size_ = 0;
    position_ = 0;
}

uint8_t* MemoryStream::Reserve(int64_t& capacity) {
    if (capacity != 0 && capacity != size_) capacity = (capacity + 8191) & ~int64_t(8191);
    if (capacity == capacity_) return block_;
    if (capacity <= 0) {
        std::free(block_);
        return nullptr;
    }
    return static_cast<uint8_t*>(platform::Reallocate(block_, static_cast<size_t>(capacity)));
}

void MemoryStream::SetCapacity(int64_t capacity) {
    uint8_t* block = Reserve(capacity);
    if (!block && capacity > 0) return; // out of memory: the old block stays
    block_ = block;
    capacity_ = block ? capacity : 0;
}

int64_t MemoryStream::SetSize(int64_t size) {
    if (size < 0) return 0;
    int64_t oldSize = size_;
    SetCapacity(size);
    if (size > capacity_) return 0;
    if (size > oldSize) std::memset(block_ + oldSize, 0, static_cast<size_t>(size - oldSize));
    size_ = size;
    if (position_ > size_) position_ = size_;
    return 1;
}

int64_t MemoryStream::Write(const void* buffer, int64_t count) {
    if (size_ < 0 || position_ < 0 || count < 0 || position_ + count <= 0) return 0;
    int64_t end = position_ + count;
    if (end > size_) {
        if (capacity_ < end) SetCapacity(end);
        if (capacity_ < end) return 0;
        if (position_ > size_) std::memset(block_ + size_, 0, static_cast<size_t>(position_ - size_));
        size_ = end;
    }
    if (count > 0) std::memcpy(block_ + position_, buffer, static_cast<size_t>(count));
    position_ = end;
    return count;
}

} // namespace kis
