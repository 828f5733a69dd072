#pragma once
#include <cstddef>
#include <new>

// The text layer does not go on without the memory it asked for: it throws
// std::bad_alloc, which the program's shell meets as any allocation that
// failed (it tells the player, saves as every quit does and ends the run).
[[noreturn]] void KGEOutOfMemory();

// A new object; throws std::bad_alloc when the memory is not there.
template <typename T, typename... Args> T* KGENew(Args&&... args) {
    T* object = new (std::nothrow) T(static_cast<Args&&>(args)...);
    if (!object) KGEOutOfMemory();
    return object;
}

// An array of n value-initialised elements; throws std::bad_alloc when the
// memory is not there.
template <typename T> T* KGEAllocArray(size_t n) {
    T* items = new (std::nothrow) T[n ? n : 1]();
    if (!items) KGEOutOfMemory();
    return items;
}
