#pragma once
#include <cstddef>
#include <new>

namespace platform {
class Window;
}

// The text layer does not survive running out of memory: it tells the player
// and ends the process on the spot, without clean-up or exit handlers.

// The window the message is shown over (null: stderr only). The program sets
// it once its window exists.
void SetOutOfMemoryWindow(platform::Window* window);

// Writes "Out of memory!" (caption "Error") to stderr, shows it in a box over
// the window when there is one, and exits with code 3.
[[noreturn]] void KGEOutOfMemory();

// A new object; ends the process when the memory is not there.
template <typename T, typename... Args> T* KGENew(Args&&... args) {
    T* object = new (std::nothrow) T(static_cast<Args&&>(args)...);
    if (!object) KGEOutOfMemory();
    return object;
}

// An array of n value-initialised elements; ends the process when the memory
// is not there.
template <typename T> T* KGEAllocArray(size_t n) {
    T* items = new (std::nothrow) T[n ? n : 1]();
    if (!items) KGEOutOfMemory();
    return items;
}
