#include "platform/Platform.h"

#include "platform/Clock.h"
#include "platform/headless/HeadlessBackend.h"
#include "platform/sdl/SdlBackend.h"

#include <cstdlib>

namespace platform {

bool ParseBackendKind(std::string_view name, BackendKind& kind) {
    if (name == "sdl")
        kind = BackendKind::Sdl;
    else if (name == "headless")
        kind = BackendKind::Headless;
    else
        return false;
    return true;
}

BackendResult CreateBackend(BackendKind kind, const std::string& headlessScript, HeadlessTime headlessTime) {
    BackendResult result;
    if (kind == BackendKind::Headless) {
        auto backend = std::make_unique<HeadlessBackend>();
        // The program writes its screenshots from the device's back buffer.
        backend->GetWindow().KeepPresentedFrames(false);
        if (!headlessScript.empty()) {
            std::vector<ScriptEvent> events;
            std::string problem;
            if (!LoadEventScript(headlessScript, events, &problem)) {
                result.error = "Input script " + headlessScript + ": " + problem;
                return result;
            }
            backend->AddEvents(events);
        }
        if (headlessTime == HeadlessTime::Virtual) SetVirtualClock(true);
        result.backend = std::move(backend);
        return result;
    }

    // Without a display server (and without a video driver chosen by hand) SDL
    // would fail with a less helpful message, so this case is told apart first.
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    bool noServer = (!display || !*display) && (!wayland || !*wayland);
    if (noServer && (!driver || !*driver)) {
        result.noDisplay = true;
        result.error = "No display available: neither DISPLAY nor WAYLAND_DISPLAY is set. "
                       "Run with --headless to play without a window.";
        return result;
    }
    auto backend = std::make_unique<SdlBackend>();
    std::string problem;
    if (!backend->Start(problem)) {
        result.noDisplay = true;
        result.error = "No display available: " + problem + ". Run with --headless to play without a window.";
        return result;
    }
    result.backend = std::move(backend);
    return result;
}

} // namespace platform
