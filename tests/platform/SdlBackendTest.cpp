#include "platform/sdl/SdlBackend.h"
#include "platform/Clock.h"
#include "platform/GraphicsDevice.h"
#include "platform/Mixer.h"
#include "platform/Platform.h"
#include "platform/sdl/SdlAudioDevice.h"
#include "tests/support/SoundData.h"

#include <gtest/gtest.h>

// The test feeds the backend SDL's own events.
#include <SDL2/SDL.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
// With a display, SDL_Init and SDL_Quit alone leave one D-Bus allocation behind.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\n";
}
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Runs a command and gives its standard output.
std::string Shell(const std::string& command) {
    std::string out;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe))
            out += buffer;
        pclose(pipe);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
        out.pop_back();
    return out;
}

// For a test that opens real X windows: SDL is told to use X rather than the
// dummy driver the test environment picks, until the test ends. SDL's X11
// code leaves allocations of the system libraries it loads (D-Bus, the GL
// driver) behind at SDL_Quit; they are not this program's leaks.
class UsingX {
  public:
    UsingX() {
        if (const char* driver = std::getenv("SDL_VIDEODRIVER")) driver_ = driver;
        unsetenv("SDL_VIDEODRIVER");
    }
    ~UsingX() {
        if (!driver_.empty()) setenv("SDL_VIDEODRIVER", driver_.c_str(), 1);
    }

  private:
    std::string driver_;
#if defined(__SANITIZE_ADDRESS__)
    __lsan::ScopedDisabler systemLibraryLeaks_;
#endif
};

// Pumps events for up to `ms` until `done` holds.
template <class Done> bool PumpUntil(platform::Backend& backend, uint32_t ms, Done done) {
    uint32_t start = platform::Milliseconds();
    while (platform::Milliseconds() - start < ms) {
        backend.PumpEvents();
        if (done()) return true;
        platform::SleepMilliseconds(5);
    }
    return false;
}

} // namespace

// The translation of SDL's input events, fed straight to a window that was
// never opened (no display needed): every press and release becomes a record
// in order, however close together, and the pointer's movement is recorded in
// frame pixels up to where each button event says it is.
TEST(SdlEvents, EveryPressAndReleaseBecomesARecordAtThePointersPlace) {
    using platform::KeyRecord;
    using platform::MouseRecord;
    auto key = [](SDL_Scancode code, bool down, bool repeat = false) {
        SDL_Event event{};
        event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        event.key.keysym.scancode = code;
        event.key.repeat = repeat ? 1 : 0;
        return event;
    };
    auto button = [](uint8_t which, bool down, int x, int y) {
        SDL_Event event{};
        event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        event.button.button = which;
        event.button.x = x;
        event.button.y = y;
        return event;
    };
    auto motion = [](int x, int y, int xrel, int yrel) {
        SDL_Event event{};
        event.type = SDL_MOUSEMOTION;
        event.motion.x = x;
        event.motion.y = y;
        event.motion.xrel = xrel;
        event.motion.yrel = yrel;
        return event;
    };
    struct Case {
        const char* what;
        std::vector<SDL_Event> events;
        std::vector<std::pair<uint8_t, uint8_t>> keys;   // key, state
        std::vector<std::pair<uint32_t, int32_t>> mouse; // offset, data
        int x, y;                                        // the pointer afterwards
    };
    using platform::kKeyDown;
    const Case cases[] = {
        {"a key tapped at one instant",
         {key(SDL_SCANCODE_A, true), key(SDL_SCANCODE_A, false)},
         {{platform::kDikA, kKeyDown}, {platform::kDikA, 0}},
         {},
         0,
         0},
        {"three taps and the system's repeat of a held key",
         {key(SDL_SCANCODE_RETURN, true), key(SDL_SCANCODE_RETURN, true, true),
          key(SDL_SCANCODE_RETURN, false), key(SDL_SCANCODE_RETURN, true), key(SDL_SCANCODE_RETURN, false),
          key(SDL_SCANCODE_RETURN, true), key(SDL_SCANCODE_RETURN, false)},
         {{platform::kDikReturn, kKeyDown},
          {platform::kDikReturn, 0},
          {platform::kDikReturn, kKeyDown},
          {platform::kDikReturn, 0},
          {platform::kDikReturn, kKeyDown},
          {platform::kDikReturn, 0}},
         {},
         0,
         0},
        {"a click with no motion before it",
         {button(SDL_BUTTON_LEFT, true, 40, 50), button(SDL_BUTTON_LEFT, false, 40, 50)},
         {},
         {{platform::kMouseOffsetX, 40},
          {platform::kMouseOffsetY, 50},
          {platform::kMouseOffsetButton0, kKeyDown},
          {platform::kMouseOffsetButton0, 0}},
         40,
         50},
        {"a double click after a move, then a right and a middle click",
         {motion(10, 20, 3, 4), button(SDL_BUTTON_LEFT, true, 10, 20), button(SDL_BUTTON_LEFT, false, 10, 20),
          button(SDL_BUTTON_LEFT, true, 10, 20), button(SDL_BUTTON_LEFT, false, 10, 20),
          button(SDL_BUTTON_RIGHT, true, 12, 20), button(SDL_BUTTON_RIGHT, false, 12, 20),
          button(SDL_BUTTON_MIDDLE, true, 12, 20), button(SDL_BUTTON_MIDDLE, false, 12, 20)},
         {},
         {{platform::kMouseOffsetX, 10},
          {platform::kMouseOffsetY, 20},
          {platform::kMouseOffsetButton0, kKeyDown},
          {platform::kMouseOffsetButton0, 0},
          {platform::kMouseOffsetButton0, kKeyDown},
          {platform::kMouseOffsetButton0, 0},
          {platform::kMouseOffsetX, 2},
          {platform::kMouseOffsetButton1, kKeyDown},
          {platform::kMouseOffsetButton1, 0},
          {platform::kMouseOffsetButton2, kKeyDown},
          {platform::kMouseOffsetButton2, 0}},
         12,
         20},
    };
    for (const Case& c : cases) {
        platform::Input input;
        platform::SdlWindow window{input};
        SDL_Event focus{};
        focus.type = SDL_WINDOWEVENT;
        focus.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
        window.Handle(focus);
        for (const SDL_Event& event : c.events)
            window.Handle(event);

        KeyRecord keys[64];
        std::vector<std::pair<uint8_t, uint8_t>> gotKeys;
        for (size_t i = 0, n = input.ReadKeyRecords(keys, 64); i < n; ++i)
            gotKeys.push_back({keys[i].key, keys[i].state});
        MouseRecord mouse[64];
        std::vector<std::pair<uint32_t, int32_t>> gotMouse;
        for (size_t i = 0, n = input.ReadMouseRecords(mouse, 64); i < n; ++i)
            gotMouse.push_back({mouse[i].offset, mouse[i].data});
        EXPECT_EQ(gotKeys, c.keys) << c.what;
        EXPECT_EQ(gotMouse, c.mouse) << c.what;
        int x = -1, y = -1;
        input.CursorPosition(x, y);
        EXPECT_EQ(x, c.x) << c.what;
        EXPECT_EQ(y, c.y) << c.what;
    }
}

TEST(SdlAudio, PlaysASoundThroughTheSdlDevice) {
    // The test environment chooses SDL's dummy driver, so this runs on machines without sound.
    platform::Mixer mixer;
    platform::SdlAudioDevice device;
    ASSERT_TRUE(device.Start(&mixer)) << device.LastError();
    uint32_t sample =
        mixer.LoadSample(testsupport::MakeWav16(1, 44100, std::vector<int16_t>(4410, 9000)), false);
    uint32_t voice = mixer.SampleChannel(sample);
    ASSERT_TRUE(mixer.Play(voice, true));
    uint32_t start = platform::Milliseconds();
    while (mixer.State(voice) == platform::ChannelState::Playing && platform::Milliseconds() - start < 3000)
        platform::SleepMilliseconds(10);
    EXPECT_EQ(mixer.State(voice), platform::ChannelState::Stopped)
        << "the device pulled the 100 ms sound through";
    device.Stop();
}

TEST(SdlWindow, FramesOnTheDummyDriverArePacedByTheDevice) {
    // SDL's software renderer claims vertical sync but presents at once; a
    // window that believed it would let the frame loop spin at full speed.
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (!driver || std::string(driver) != "dummy")
        GTEST_SKIP() << "the test environment picks the dummy driver";
    platform::BackendResult result = platform::CreateBackend(platform::BackendKind::Sdl);
    ASSERT_TRUE(result.backend) << result.error;
    platform::Window& window = result.backend->GetWindow();
    ASSERT_TRUE(window.Create(u"Verbolunde pacing test", 64, 48));
    EXPECT_FALSE(window.PacesToDisplay());

    struct WindowSink final : platform::FrameSink {
        explicit WindowSink(platform::Window& w) : window(w) {}
        void ShowFrame(const uint32_t* pixels, int width, int height, int pitch) override {
            window.Present(pixels, width, height, pitch);
        }
        bool PacesToDisplay() const override { return window.PacesToDisplay(); }
        platform::Window& window;
    } sink(window);
    platform::PresentParameters p;
    p.backBufferWidth = 64;
    p.backBufferHeight = 48;
    p.presentationInterval = platform::kPresentIntervalOne;
    std::unique_ptr<platform::GraphicsDevice> device;
    ASSERT_EQ(platform::CreateDevice(0, p, &sink, &device), platform::kOk);
    const uint32_t start = platform::Milliseconds();
    for (int i = 0; i < 13; ++i)
        ASSERT_EQ(device->Present(), platform::kOk);
    EXPECT_GE(platform::Milliseconds() - start, 190u) << "12 frame periods at about 60 Hz";
    device.reset();
    window.Destroy();
}

TEST(SdlWindow, OpensShowsAFrameAndReportsInputUnderX) {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        GTEST_SKIP() << "no X display (DISPLAY unset); run under Xvfb to check the window";
    if (Shell("command -v xdotool").empty())
        GTEST_SKIP() << "xdotool is not installed; it types the test's keys";
    UsingX usingX;

    platform::BackendResult result = platform::CreateBackend(platform::BackendKind::Sdl);
    ASSERT_TRUE(result.backend) << result.error;
    platform::Backend& backend = *result.backend;
    platform::Window& window = backend.GetWindow();
    platform::Input& input = backend.GetInput();
    ASSERT_TRUE(window.Create(u"Verbolunde window test", 320, 200));
    window.Show();
    std::vector<uint32_t> frame(160 * 100, 0xFF3080C0u);
    window.Present(frame.data(), 160, 100, 160);
    EXPECT_FALSE(window.DisplayModes().empty());

    std::string id = Shell("xdotool search --sync --name 'Verbolunde window test' | head -1");
    ASSERT_FALSE(id.empty());
    Shell("xdotool windowfocus --sync " + id);
    ASSERT_TRUE(PumpUntil(backend, 2000, [&] { return input.Acquired(); })) << "focus gained";

    // The frame is scaled to the 320 x 200 client area: pointer (200, 100) is frame pixel (100, 50).
    Shell("xdotool mousemove --window " + id + " 200 100 click 1");
    Shell("xdotool key --window " + id + " a");
    std::vector<platform::KeyRecord> keys;
    std::vector<platform::MouseRecord> mouse;
    PumpUntil(backend, 2000, [&] {
        platform::KeyRecord k[16];
        keys.insert(keys.end(), k, k + input.ReadKeyRecords(k, 16));
        platform::MouseRecord m[16];
        mouse.insert(mouse.end(), m, m + input.ReadMouseRecords(m, 16));
        return keys.size() >= 2;
    });
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].key, platform::kDikA);
    EXPECT_EQ(keys[0].state, platform::kKeyDown);
    EXPECT_EQ(keys[1].state, 0);
    int clicks = 0;
    for (const auto& record : mouse)
        if (record.offset == platform::kMouseOffsetButton0) ++clicks;
    EXPECT_EQ(clicks, 2); // down and up
    int x = 0, y = 0;
    input.CursorPosition(x, y);
    EXPECT_EQ(x, 100);
    EXPECT_EQ(y, 50);

    // Focus moves away when the window is hidden.
    window.Hide();
    EXPECT_TRUE(PumpUntil(backend, 2000, [&] { return !input.Acquired(); })) << "focus lost";
}

// SDL's own window events are turned into the game's: a window that comes back
// from being minimised gives one Restored, whichever SDL event reports the way
// back (on X11 it is "shown", and SDL drops its "restored" then).
TEST(SdlWindow, EveryWayOutOfMinimisedGivesOneRestored) {
    platform::BackendResult result = platform::CreateBackend(platform::BackendKind::Sdl);
    ASSERT_TRUE(result.backend) << result.error;
    platform::Backend& backend = *result.backend;
    platform::Window& window = backend.GetWindow();
    ASSERT_TRUE(window.Create(u"Verbolunde event test", 64, 48));
    platform::WindowEvent drained;
    backend.PumpEvents();
    while (window.PollEvent(drained)) {
    }

    auto send = [](std::initializer_list<SDL_WindowEventID> ids) {
        for (SDL_WindowEventID id : ids) {
            SDL_Event event{};
            event.type = SDL_WINDOWEVENT;
            event.window.event = uint8_t(id);
            SDL_PushEvent(&event);
        }
    };
    auto events = [&] {
        backend.PumpEvents();
        std::vector<platform::WindowEvent> out;
        platform::WindowEvent event;
        while (window.PollEvent(event))
            out.push_back(event);
        return out;
    };
    using E = platform::WindowEvent;
    struct Case {
        const char* what;
        std::initializer_list<SDL_WindowEventID> sdl;
        std::vector<E> expected;
    };
    const Case cases[] = {
        {"restored", {SDL_WINDOWEVENT_MINIMIZED, SDL_WINDOWEVENT_RESTORED}, {E::Minimised, E::Restored}},
        {"shown",
         {SDL_WINDOWEVENT_MINIMIZED, SDL_WINDOWEVENT_SHOWN, SDL_WINDOWEVENT_RESTORED},
         {E::Minimised, E::Restored}},
        {"focus",
         {SDL_WINDOWEVENT_MINIMIZED, SDL_WINDOWEVENT_FOCUS_GAINED},
         {E::Minimised, E::Restored, E::FocusGained}},
        {"maximised",
         {SDL_WINDOWEVENT_MINIMIZED, SDL_WINDOWEVENT_MINIMIZED, SDL_WINDOWEVENT_MAXIMIZED},
         {E::Minimised, E::Restored}},
        {"not minimised", {SDL_WINDOWEVENT_RESTORED, SDL_WINDOWEVENT_SHOWN, SDL_WINDOWEVENT_EXPOSED}, {}},
    };
    for (const Case& c : cases) {
        send(c.sdl);
        EXPECT_EQ(events(), c.expected) << c.what;
        send({SDL_WINDOWEVENT_FOCUS_LOST});
        events();
    }
    window.Destroy();
}

// Under X with a window manager: the client area sits where it was placed
// while hidden, minimising and coming back give their events, and full
// screen and back restores the placement.
TEST(SdlWindow, KeepsItsPlacementUnderAWindowManager) {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        GTEST_SKIP() << "no X display (DISPLAY unset); run under Xvfb with a window manager";
    if (Shell("command -v xdotool").empty() || Shell("command -v xprop").empty())
        GTEST_SKIP() << "xdotool and xprop drive this test";
    if (Shell("xprop -root _NET_SUPPORTING_WM_CHECK").find("window id") == std::string::npos)
        GTEST_SKIP() << "no window manager runs on the display";
    UsingX usingX;

    platform::BackendResult result = platform::CreateBackend(platform::BackendKind::Sdl);
    ASSERT_TRUE(result.backend) << result.error;
    platform::Backend& backend = *result.backend;
    platform::Window& window = backend.GetWindow();
    ASSERT_TRUE(window.Create(u"Verbolunde placement test", 320, 200));
    window.SetPosition(100, 80);
    window.Show();
    std::vector<uint32_t> frame(320 * 200, 0xFF20A040u);
    window.Present(frame.data(), 320, 200, 320);
    std::vector<platform::WindowEvent> seen;
    auto pumpFor = [&](uint32_t ms) {
        PumpUntil(backend, ms, [] { return false; });
        platform::WindowEvent event;
        while (window.PollEvent(event))
            seen.push_back(event);
    };
    auto saw = [&](platform::WindowEvent wanted) {
        return std::find(seen.begin(), seen.end(), wanted) != seen.end();
    };
    pumpFor(300);
    std::string id = Shell("xdotool search --sync --name 'Verbolunde placement test' | head -1");
    ASSERT_FALSE(id.empty());
    int x = 0, y = 0;
    window.Position(x, y);
    EXPECT_EQ(x, 100);
    EXPECT_EQ(y, 80);
    std::string corner =
        Shell("xwininfo -id " + id + " | awk '/Absolute upper-left [XY]/ {print $NF}' | tr '\\n' ' '");
    EXPECT_EQ(corner, "100 80") << "the client area's corner on the screen";

    seen.clear();
    Shell("xdotool windowminimize --sync " + id);
    pumpFor(300);
    EXPECT_TRUE(saw(platform::WindowEvent::Minimised));
    EXPECT_TRUE(window.IsMinimised());
    seen.clear();
    Shell("xdotool windowactivate --sync " + id);
    pumpFor(300);
    EXPECT_TRUE(saw(platform::WindowEvent::Restored)) << "a window brought back by the window manager";
    EXPECT_FALSE(window.IsMinimised());

    window.SetFullscreen(true);
    pumpFor(300);
    int width = 0, height = 0;
    window.ClientSize(width, height);
    platform::DisplayMode desktop = window.DesktopMode();
    EXPECT_EQ(width, int(desktop.width));
    EXPECT_EQ(height, int(desktop.height));
    window.SetFullscreen(false);
    pumpFor(300);
    window.Position(x, y);
    window.ClientSize(width, height);
    EXPECT_EQ(x, 100);
    EXPECT_EQ(y, 80);
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 200);
    window.Destroy();
}
