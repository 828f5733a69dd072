#pragma once
#include "platform/Audio.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace platform {

// An output device without sound hardware. It pulls blocks from the renderer
// as time passes: either when told (tests advance it by frames or
// milliseconds and read back what was rendered) or, for headless runs of the
// program, by the platform clock. In real time a thread of its own follows
// the clock; in virtual time nothing runs by itself and the owner calls
// FollowClock (the headless backend does at every pump), so the sound is
// rendered at the same moments of every run.
class NullAudioDevice final : public AudioDevice {
  public:
    enum class Clocking { Manual, PlatformClock };
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
    // With platform clocking: renders up to the frame the clock has reached
    // since Start. Nothing with manual clocking or while stopped.
    void FollowClock();
    uint64_t FramesRendered() const;

    // While capturing, every rendered frame is kept for reading back.
    void SetCapture(bool capture);
    std::vector<int16_t> Captured() const;
    void ClearCapture();
    // What was captured as a 16-bit PCM WAV file at the device's rate; false
    // with the reason when the file cannot be written.
    bool WriteCapturedWav(const std::string& path, std::string* error) const;

  private:
    // Both with the lock held.
    void RenderFrames(int frames);
    void RenderMilliseconds(uint32_t ms);

    const Clocking clocking_;
    const int rate_;
    mutable std::mutex lock_;
    AudioRenderer* renderer_ = nullptr;
    uint64_t framesRendered_ = 0;
    uint64_t millisecondsAdvanced_ = 0;
    uint64_t framesAtMillisecondBase_ = 0;
    uint32_t clockLast_ = 0; // the platform clock at Start or at the last FollowClock
    bool capture_ = false;
    std::vector<int16_t> captured_;
    std::vector<int16_t> block_;
    std::atomic<bool> running_{false};
    std::thread thread_;
};

} // namespace platform
