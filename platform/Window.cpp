#include "platform/Window.h"

#include "platform/Utf.h"

#include <atomic>
#include <cstdio>

namespace platform {
namespace {
std::atomic<bool> raiseRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the raise flag is set from a signal handler");
} // namespace

void ShowMessageBox(Window* window, std::u16string_view text, std::u16string_view caption,
                    MessageBoxIcon icon) {
    std::string line = Utf16ToUtf8(caption) + ": " + Utf16ToUtf8(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    if (window && window->Exists()) window->ShowMessageBoxOnScreen(text, caption, icon);
}

void RequestRaise() {
    raiseRequested.store(true, std::memory_order_relaxed);
}

bool TakeRaiseRequest() {
    return raiseRequested.exchange(false, std::memory_order_relaxed);
}

std::vector<DisplayMode> FixedDisplayModes() {
    static const uint32_t sizes[][2] = {{640, 480},  {800, 600},   {1024, 768},  {1152, 864}, {1280, 720},
                                        {1280, 768}, {1280, 800},  {1280, 1024}, {1366, 768}, {1440, 900},
                                        {1600, 900}, {1680, 1050}, {1920, 1080}};
    std::vector<DisplayMode> modes;
    for (const auto& size : sizes)
        modes.push_back(DisplayMode{size[0], size[1], 60, 22});
    return modes;
}

DisplayMode FixedDesktopMode() {
    return DisplayMode{1920, 1080, 60, 22};
}

} // namespace platform
