#include "platform/Mixer.h"
#include "platform/Platform.h"
#include "platform/Clock.h"
#include "platform/GraphicsDevice.h"
#include "platform/sdl/SdlAudioDevice.h"
#include "tests/support/SoundData.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Runs a command and gives its standard output.
std::string Shell(const std::string& command) {
    std::string out;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
        pclose(pipe);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

// Pumps events for up to `ms` until `done` holds.
template <class Done>
bool PumpUntil(platform::Backend& backend, uint32_t ms, Done done) {
    uint32_t start = platform::Milliseconds();
    while (platform::Milliseconds() - start < ms) {
        backend.PumpEvents();
        if (done()) return true;
        platform::SleepMilliseconds(5);
    }
    return false;
}

} // namespace

TEST(SdlAudio, PlaysASoundThroughTheSdlDevice) {
    // The test environment chooses SDL's dummy driver, so this runs on machines without sound.
    platform::Mixer mixer;
    platform::SdlAudioDevice device;
    ASSERT_TRUE(device.Start(&mixer)) << device.LastError();
    uint32_t sample = mixer.LoadSample(testsupport::MakeWav16(1, 44100, std::vector<int16_t>(4410, 9000)), false);
    uint32_t voice = mixer.SampleChannel(sample);
    ASSERT_TRUE(mixer.Play(voice, true));
    uint32_t start = platform::Milliseconds();
    while (mixer.State(voice) == platform::ChannelState::Playing && platform::Milliseconds() - start < 3000)
        platform::SleepMilliseconds(10);
    EXPECT_EQ(mixer.State(voice), platform::ChannelState::Stopped) << "the device pulled the 100 ms sound through";
    device.Stop();
}

TEST(SdlWindow, FramesOnTheDummyDriverArePacedByTheDevice) {
    // SDL's software renderer claims vertical sync but presents at once; a
    // window that believed it would let the frame loop spin at full speed.
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (!driver || std::string(driver) != "dummy") GTEST_SKIP() << "the test environment picks the dummy driver";
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
    for (int i = 0; i < 13; ++i) ASSERT_EQ(device->Present(), platform::kOk);
    EXPECT_GE(platform::Milliseconds() - start, 190u) << "12 frame periods at about 60 Hz";
    device.reset();
    window.Destroy();
}

TEST(SdlWindow, OpensShowsAFrameAndReportsInputUnderX) {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) GTEST_SKIP() << "no X display (DISPLAY unset); run under Xvfb to check the window";
    if (Shell("command -v xdotool").empty()) GTEST_SKIP() << "xdotool is not installed; it types the test's keys";
    unsetenv("SDL_VIDEODRIVER"); // the test environment picks the dummy driver; this test wants X

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
