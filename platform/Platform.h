#pragma once
#include "platform/Audio.h"
#include "platform/Clipboard.h"
#include "platform/Input.h"
#include "platform/Window.h"

#include <memory>
#include <string>
#include <string_view>

namespace platform {

enum class BackendKind { Sdl, Headless };

// One backend: the window, the input devices, the pointer, the clipboard and
// the sound output of one kind. `sdl` shows a real window and plays sound;
// `headless` keeps everything in memory and runs anywhere.
class Backend {
  public:
    virtual ~Backend() = default;
    virtual BackendKind Kind() const = 0;
    virtual Window& GetWindow() = 0;
    virtual Input& GetInput() = 0;
    virtual Cursors& GetCursors() = 0;
    virtual Clipboard& GetClipboard() = 0;
    virtual AudioDevice& GetAudioDevice() = 0;
    // Moves the pending system events (or scripted ones) into the window's
    // event queue and the input state. Called once per frame.
    virtual void PumpEvents() = 0;
};

struct BackendResult {
    std::unique_ptr<Backend> backend;
    bool noDisplay = false; // the sdl backend found no display to open a window on
    std::string error;      // why there is no backend, in words for the user
};

// How a headless run keeps time. Virtual: the headless backend switches the
// platform clock to virtual time for the rest of the process (see
// platform/Clock.h), so a run replays exactly and as fast as the machine
// allows. Real: the wall clock, for watching a run. The sdl backend always
// keeps the wall clock.
enum class HeadlessTime { Virtual, Real };

// headlessScript: for the headless backend, a file of scripted input events
// (see platform/headless/EventScript.h); empty for none.
BackendResult CreateBackend(BackendKind kind, const std::string& headlessScript = {},
                            HeadlessTime headlessTime = HeadlessTime::Virtual);

// "sdl" or "headless"; false for any other name.
bool ParseBackendKind(std::string_view name, BackendKind& kind);

} // namespace platform
