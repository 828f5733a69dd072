// The platform clock's virtual time and the parts of the platform that keep
// time by it: the display pacing of the software device, the null audio
// device and the headless backend that switches it on.
#include "platform/Audio.h"
#include "platform/Clock.h"
#include "platform/GraphicsDevice.h"
#include "platform/Platform.h"
#include "platform/headless/HeadlessBackend.h"
#include "platform/headless/NullAudioDevice.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace {

using platform::Milliseconds;
using platform::SleepMilliseconds;

// Every test starts in virtual time and leaves the clock real.
class VirtualTime : public ::testing::Test {
  protected:
    VirtualTime() { platform::SetVirtualClock(true); }
    ~VirtualTime() override { platform::SetVirtualClock(false); }
};

double RealSecondsOf(void (*work)()) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST_F(VirtualTime, MovesOnlyBySleepsWhichReturnAtOnce) {
    EXPECT_TRUE(platform::IsClockVirtual());
    EXPECT_EQ(Milliseconds(), platform::kVirtualClockStart);
    std::this_thread::sleep_for(std::chrono::milliseconds(15)); // real time passes, the clock stands
    EXPECT_EQ(Milliseconds(), platform::kVirtualClockStart);

    // An hour of sleeps in one-second steps takes no real time worth the name.
    const double real = RealSecondsOf([] {
        for (int i = 0; i < 3600; ++i)
            SleepMilliseconds(1000);
    });
    EXPECT_LT(real, 5.0);
    EXPECT_EQ(Milliseconds() - platform::kVirtualClockStart, 3600000u);

    // The count wraps like the real one; differences stay right across it.
    const uint32_t before = Milliseconds();
    SleepMilliseconds(0xFFFFFFFFu - before - 2);
    const uint32_t nearWrap = Milliseconds();
    SleepMilliseconds(10);
    EXPECT_LT(Milliseconds(), nearWrap);
    EXPECT_EQ(Milliseconds() - nearWrap, 10u);

    // Switching it on again starts afresh; switched off, sleeps wait again.
    platform::SetVirtualClock(true);
    EXPECT_EQ(Milliseconds(), platform::kVirtualClockStart);
    platform::SetVirtualClock(false);
    EXPECT_FALSE(platform::IsClockVirtual());
    const uint32_t start = Milliseconds();
    SleepMilliseconds(20);
    EXPECT_GE(Milliseconds() - start, 20u);
}

TEST_F(VirtualTime, SleepsFromSeveralThreadsAllCount) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < 10000; ++i)
                SleepMilliseconds(3);
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(Milliseconds() - platform::kVirtualClockStart, 4u * 10000u * 3u);
}

// ---------------------------------------------------------------- display pacing

struct NullSink final : platform::FrameSink {
    void ShowFrame(const uint32_t*, int, int, int) override {}
};

std::unique_ptr<platform::GraphicsDevice> MakeDevice(NullSink& sink, uint32_t interval) {
    platform::PresentParameters p;
    p.backBufferWidth = 16;
    p.backBufferHeight = 8;
    p.presentationInterval = interval;
    std::unique_ptr<platform::GraphicsDevice> device;
    EXPECT_EQ(platform::CreateDevice(0, p, &sink, &device), platform::kOk);
    return device;
}

TEST_F(VirtualTime, IntervalOneShowsSixtyFramesASecondAndALateFrameDoesNotHurryTheNext) {
    NullSink sink;
    std::unique_ptr<platform::GraphicsDevice> device = MakeDevice(sink, platform::kPresentIntervalOne);
    ASSERT_TRUE(device);
    ASSERT_EQ(device->Present(), platform::kOk); // the first frame shows at once
    const uint32_t start = Milliseconds();
    std::vector<uint32_t> steps;
    uint32_t last = start;
    for (int i = 0; i < 120; ++i) {
        ASSERT_EQ(device->Present(), platform::kOk);
        steps.push_back(Milliseconds() - last);
        last = Milliseconds();
    }
    // Two seconds exactly, in steps of 16 and 17 ms.
    EXPECT_EQ(Milliseconds() - start, 2000u);
    for (uint32_t step : steps)
        EXPECT_TRUE(step == 16 || step == 17) << step;
    EXPECT_EQ(steps[0] + steps[1] + steps[2], 50u);

    // A frame that took 100 ms: it shows at once and the next comes a period later.
    SleepMilliseconds(100);
    uint32_t before = Milliseconds();
    ASSERT_EQ(device->Present(), platform::kOk);
    EXPECT_EQ(Milliseconds(), before);
    ASSERT_EQ(device->Present(), platform::kOk);
    EXPECT_EQ(Milliseconds() - before, 16u);

    // Immediate presentation is not paced at all.
    NullSink other;
    std::unique_ptr<platform::GraphicsDevice> immediate =
        MakeDevice(other, platform::kPresentIntervalImmediate);
    ASSERT_TRUE(immediate);
    before = Milliseconds();
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(immediate->Present(), platform::kOk);
    EXPECT_EQ(Milliseconds(), before);
}

TEST(RealTime, IntervalOneStillPacesToAboutSixtyFramesASecond) {
    ASSERT_FALSE(platform::IsClockVirtual());
    NullSink sink;
    std::unique_ptr<platform::GraphicsDevice> device = MakeDevice(sink, platform::kPresentIntervalOne);
    ASSERT_TRUE(device);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 13; ++i)
        ASSERT_EQ(device->Present(), platform::kOk);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(ms, 195.0) << "12 frame periods at 60 Hz";
    EXPECT_LT(ms, 2000.0);
}

// ---------------------------------------------------------------- null audio device

// Counts the frames it is asked for.
struct CountingRenderer final : platform::AudioRenderer {
    uint64_t frames = 0;
    void Render(int16_t* out, int count) override {
        std::fill(out, out + count * platform::kAudioChannels, int16_t(0));
        frames += uint64_t(count);
    }
};

TEST_F(VirtualTime, TheNullDeviceRendersWhatTheClockHasPassedWhenToldToFollowIt) {
    CountingRenderer renderer;
    platform::NullAudioDevice device(platform::NullAudioDevice::Clocking::PlatformClock);
    ASSERT_TRUE(device.Start(&renderer));
    // No thread of its own in virtual time: nothing happens until it follows the clock.
    SleepMilliseconds(500);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(device.FramesRendered(), 0u);
    device.FollowClock();
    EXPECT_EQ(device.FramesRendered(), uint64_t(platform::kAudioRate) / 2);
    // Steps of 1000 / 60 ms carry their fractions: a second is a second's frames.
    for (int i = 0; i < 60; ++i) {
        SleepMilliseconds(i % 3 == 0 ? 16 : 17);
        device.FollowClock();
    }
    EXPECT_EQ(device.FramesRendered(), uint64_t(platform::kAudioRate) * 3 / 2);
    EXPECT_EQ(renderer.frames, device.FramesRendered());
    device.Stop();
    SleepMilliseconds(1000);
    device.FollowClock();
    EXPECT_EQ(renderer.frames, uint64_t(platform::kAudioRate) * 3 / 2);

    // A manually clocked device does not follow the clock.
    platform::NullAudioDevice manual;
    ASSERT_TRUE(manual.Start(&renderer));
    SleepMilliseconds(1000);
    manual.FollowClock();
    EXPECT_EQ(manual.FramesRendered(), 0u);
}

TEST(RealTime, TheNullDeviceFollowsTheWallClockOnAThreadOfItsOwn) {
    ASSERT_FALSE(platform::IsClockVirtual());
    CountingRenderer renderer;
    platform::NullAudioDevice device(platform::NullAudioDevice::Clocking::PlatformClock);
    ASSERT_TRUE(device.Start(&renderer));
    for (int i = 0; i < 200 && device.FramesRendered() < uint64_t(platform::kAudioRate) / 20; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    device.Stop();
    EXPECT_GE(device.FramesRendered(), uint64_t(platform::kAudioRate) / 20);
}

// ---------------------------------------------------------------- headless backend

TEST_F(VirtualTime, ScriptedEventsAndSoundComeAtTheirVirtualTimes) {
    platform::SetVirtualClock(false);
    // The headless backend made for a run switches virtual time on; asked for
    // real time it leaves the clock alone.
    platform::BackendResult real =
        platform::CreateBackend(platform::BackendKind::Headless, {}, platform::HeadlessTime::Real);
    ASSERT_TRUE(real.backend);
    EXPECT_FALSE(platform::IsClockVirtual());
    platform::BackendResult created = platform::CreateBackend(platform::BackendKind::Headless);
    ASSERT_TRUE(created.backend);
    EXPECT_TRUE(platform::IsClockVirtual());
    auto& backend = static_cast<platform::HeadlessBackend&>(*created.backend);

    std::vector<platform::ScriptEvent> events;
    std::string error;
    ASSERT_TRUE(platform::ParseEventScript("100 key down A\n250 key up A\n1000 close\n", events, &error))
        << error;
    backend.AddEvents(events);
    CountingRenderer renderer;
    ASSERT_TRUE(backend.GetAudioDevice().Start(&renderer));
    ASSERT_TRUE(backend.GetWindow().Create(u"Verbolunde", 64, 48));
    backend.GetWindow().Show();

    // Frames of 5 ms: the events come in the first frame at or after their time.
    std::vector<uint32_t> keyTimes;
    uint32_t closedAt = 0;
    for (uint32_t frame = 0; frame < 400 && !closedAt; ++frame) {
        backend.PumpEvents();
        platform::KeyRecord keys[8];
        for (size_t i = 0, n = backend.GetInput().ReadKeyRecords(keys, 8); i < n; ++i)
            if (keys[i].key != 0) // not the letter the press typed
                keyTimes.push_back(keys[i].time - platform::kVirtualClockStart);
        platform::WindowEvent event;
        while (backend.GetWindow().PollEvent(event))
            if (event == platform::WindowEvent::Close)
                closedAt = Milliseconds() - platform::kVirtualClockStart;
        SleepMilliseconds(5);
    }
    EXPECT_EQ(keyTimes, (std::vector<uint32_t>{100, 250}));
    EXPECT_EQ(closedAt, 1000u);
    // The sound has been rendered up to the last pump, on this thread.
    EXPECT_EQ(renderer.frames, uint64_t(platform::kAudioRate));
    backend.GetAudioDevice().Stop();
}

} // namespace
