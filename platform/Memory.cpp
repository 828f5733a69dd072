#include "platform/Memory.h"

#include <cstdlib>
#include <new>

namespace platform {

void* Reallocate(void* block, std::size_t bytes) noexcept {
    if (bytes == 0) {
        std::free(block);
        return nullptr;
    }
    for (;;) {
        if (void* moved = std::realloc(block, bytes)) return moved;
        const std::new_handler handler = std::get_new_handler();
        if (!handler) return nullptr;
        try {
            handler();
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
    }
}

} // namespace platform
