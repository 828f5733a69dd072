#pragma once
#include "platform/Audio.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

// An output device without sound hardware. It pulls blocks from the renderer
// as time passes: either when told (tests advance it by frames or
// milliseconds and read back what was rendered) or, for headless runs of the
// program, by the wall clock on a thread of its own.
class NullAudioDevice final : public AudioDevice {
  public:
    enum class Clocking { Manual, WallClock };
    explicit NullAudioDevice(Clocking clocking = Clocking::Manual, int rate = kAudioRate);
    ~NullAudioDevice() override;

    bool Start(AudioRenderer* renderer) override;
    void Stop() override;
    int Rate() const override { return rate_; }

    // Renders the next `frames` frames (nothing while stopped).
    void Advance(int frames);
    // Renders up to the frame that `ms` more milliseconds of output end on;
    // the fractions carry over, so 1000 calls of 1 ms give exactly one second.
    void AdvanceMilliseconds(uint32_t ms);
    uint64_t FramesRendered() const;

    // While capturing, every rendered frame is kept for reading back.
    void SetCapture(bool capture);
    std::vector<int16_t> Captured() const;
    void ClearCapture();

  private:
    void RenderFrames(int frames);

    const Clocking clocking_;
    const int rate_;
    mutable std::mutex lock_;
    AudioRenderer* renderer_ = nullptr;
    uint64_t framesRendered_ = 0;
    uint64_t millisecondsAdvanced_ = 0;
    uint64_t framesAtMillisecondBase_ = 0;
    bool capture_ = false;
    std::vector<int16_t> captured_;
    std::vector<int16_t> block_;
    std::atomic<bool> running_{false};
    std::thread thread_;
};

} // namespace platform
