// A headless run's engine in virtual time, with no test clock installed
// anywhere: the frame limiter, the display pacing, the input devices, the
// sound manager and the null audio device all keep the one platform clock.
#include "engine/InputManager.h"
#include "engine/SoundManager.h"
#include "engine/Viewer.h"
#include "engine/VirtualKeys.h"
#include "platform/Clock.h"
#include "platform/headless/HeadlessBackend.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

uint32_t g_start = 0; // the clock at the backend's first pump
std::vector<std::string> g_events;

void Record(const char* kind) {
    g_events.push_back(std::string(kind) + " " + std::to_string(platform::Milliseconds() - g_start));
}
void OnKeyRepeat(uint32_t, uint32_t) {
    Record("repeat");
}
void OnButtonDown(int32_t, int32_t, uint32_t) {
    Record("down");
}
void OnDoubleClick(int32_t, int32_t) {
    Record("double");
}

struct Silence final : platform::AudioRenderer {
    void Render(int16_t* out, int frames) override {
        std::fill(out, out + frames * platform::kAudioChannels, int16_t(0));
    }
};

class HeadlessRun : public ::testing::Test {
  protected:
    HeadlessRun() {
        platform::SetVirtualClock(true);
        g_events.clear();
    }
    ~HeadlessRun() override {
        backend.GetAudioDevice().Stop();
        platform::SetVirtualClock(false);
    }

    // The program's order: window and device with frame timing, then input.
    void Start(uint32_t presentationInterval) {
        ASSERT_EQ(viewer.CreateWindow(u"VerbolundeWindow", 107), kResultOk);
        ASSERT_EQ(viewer.InitializeAdapter(0, kDeviceTypeHal), kResultOk);
        DXLDisplaySettings s;
        viewer.ValidateSettings(&s, nullptr, nullptr);
        s.present.presentationInterval = presentationInterval;
        viewer.SetFrameTiming(true);
        ASSERT_EQ(viewer.ChangeDisplayMode(&s), kResultOk);
        ASSERT_TRUE(viewer.IsFrameTimingRunning());
        ASSERT_EQ(input.CreateDirectInput(), kResultOk);
        ASSERT_EQ(input.CreateDevices(kInputMouse | kInputKeyboard), kResultOk);
        input.GetKeyboard()->SetKeyRepeatCallback(OnKeyRepeat);
        input.GetMouse()->SetButtonDownCallback(OnButtonDown);
        input.GetMouse()->SetDoubleClickCallback(OnDoubleClick);
        ASSERT_EQ(input.SetUpDevices(kInputMouse | kInputKeyboard), kResultOk);
        ASSERT_TRUE(backend.GetAudioDevice().Start(&silence));
    }
    void Script(const char* text) {
        std::vector<platform::ScriptEvent> events;
        std::string error;
        ASSERT_TRUE(platform::ParseEventScript(text, events, &error)) << error;
        backend.AddEvents(events);
    }
    // Runs the main loop's passes until `ms` after the first; the number of frames.
    int RunFor(uint32_t ms) {
        g_start = platform::Milliseconds();
        int frames = 0;
        while (platform::Milliseconds() - g_start < ms) {
            backend.PumpEvents();
            input.PollDevices(kInputMouse | kInputKeyboard);
            EXPECT_EQ(viewer.RenderFrame(0xFF000000), kResultOk);
            ++frames;
        }
        return frames;
    }

    platform::HeadlessBackend backend; // its audio device follows the platform clock
    DXLWindowViewer viewer{&backend.GetWindow()};
    InputManager input{&backend.GetWindow(), &backend.GetInput()};
    Silence silence;
};

TEST_F(HeadlessRun, TheLimiterGivesEachFrameFiveMillisecondsAndEverythingElseKeepsThatTime) {
    Start(platform::kPresentIntervalImmediate);
    Script("0 mouse move 40 30\n"
           "100 mouse down left\n150 mouse up left\n300 mouse down left\n350 mouse up left\n"
           "1000 mouse down left\n1050 mouse up left\n1600 mouse down left\n1650 mouse up left\n"
           "2000 key down A\n2700 key up A\n");
    // The first frame's end is not held, so two frames begin at 0 ms; then one every 5 ms.
    EXPECT_EQ(RunFor(3000), 1 + 600);
    EXPECT_EQ(viewer.GetFramesPerSecond(), 200u);

    // Double click within 500 ms; the key repeats at once, after 605 ms and every 40 ms.
    const std::vector<std::string> expected = {"down 100",    "double 300",  "down 1000",   "down 1600",
                                               "repeat 2000", "repeat 2605", "repeat 2645", "repeat 2685"};
    EXPECT_EQ(g_events, expected);
    EXPECT_EQ(SoundManager::GetTime(), platform::Milliseconds());
    backend.PumpEvents(); // the sound catches up with the clock at every pump
    EXPECT_EQ(backend.GetAudioDevice().FramesRendered(), uint64_t(platform::kAudioRate) * 3);
}

TEST_F(HeadlessRun, WithVerticalSyncTheDisplayPacingGivesSixtyFramesASecond) {
    Start(platform::kPresentIntervalOne);
    Script("100 mouse down left\n150 mouse up left\n");
    // Two frames at 0 ms, as above; then one every 1000 / 60 ms.
    EXPECT_EQ(RunFor(2000), 1 + 120);
    // The first press comes with the first frame at or after its time: 100 ms.
    EXPECT_EQ(g_events, std::vector<std::string>{"down 100"});
    backend.PumpEvents();
    EXPECT_EQ(backend.GetAudioDevice().FramesRendered(), uint64_t(platform::kAudioRate) * 2);
}

} // namespace
