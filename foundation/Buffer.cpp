#include "foundation/Buffer.h"

#include "platform/Memory.h"

#include <cstdlib>
#include <cstring>

namespace kis {

bool Buffer::SetLength(uint32_t length, uint32_t charSize) {
    if (charSize != 1 && charSize != 2) return false;
    uint64_t bytes = (static_cast<uint64_t>(length) + 1) * charSize;
    if (bytes > UINT32_MAX) return false;
    void* block = platform::Reallocate(data_, static_cast<size_t>(bytes));
    if (block == nullptr) {
        if (data_ == nullptr || bytes > capacity_) return false;
        block = data_; // a failed shrink: the larger block still holds the text
    } else {
        capacity_ = static_cast<uint32_t>(bytes);
    }
    data_ = block;
    length_ = length;
    std::memset(static_cast<char*>(data_) + static_cast<size_t>(length) * charSize, 0, charSize);
    return true;
}

bool Buffer::Resize(uint32_t length, uint32_t charSize) {
    if (charSize != 1 && charSize != 2) return false;
    uint64_t needed = (static_cast<uint64_t>(length) + 1) * charSize;
    if (needed > capacity_) {
        uint64_t characters = data_ == nullptr ? uint64_t{length} + 1 : (uint64_t{length} / 1024 + 1) * 1024;
        uint64_t bytes = characters * charSize;
        if (bytes > UINT32_MAX) return false;
        void* block = platform::Reallocate(data_, static_cast<size_t>(bytes));
        if (block == nullptr) return false;
        data_ = block;
        capacity_ = static_cast<uint32_t>(bytes);
    }
    length_ = length;
    std::memset(static_cast<char*>(data_) + static_cast<size_t>(length) * charSize, 0, charSize);
    return true;
}

void Buffer::Free() {
    std::free(data_);
    data_ = nullptr;
    capacity_ = 0;
    length_ = 0;
}

} // namespace kis
