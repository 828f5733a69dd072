#pragma once
#include <cstddef>

namespace platform {

// std::realloc (std::malloc for a null block) that meets a shortage as
// operator new does: the program's new-handler runs (it gives back what the
// program keeps in reserve and marks the run as short of memory) and the
// allocation is tried again. Null only when no handler is set or the handler
// has nothing left to give; the block is then unchanged. Code outside the
// C++ allocator (the libraries' own allocators, our realloc-grown arrays)
// goes through it, so that a shortage there is told as out of memory, never
// taken for damaged data. Zero bytes free the block and give null.
void* Reallocate(void* block, std::size_t bytes) noexcept;

} // namespace platform
