#pragma once
#include "platform/Audio.h"

#include <cstdint>
#include <string>

namespace platform {

// Output through SDL's audio subsystem (whatever driver SDL picks, or the one
// named by SDL_AUDIODRIVER, e.g. "dummy" on a machine without sound).
class SdlAudioDevice final : public AudioDevice {
  public:
    SdlAudioDevice() = default;
    ~SdlAudioDevice() override;
    bool Start(AudioRenderer* renderer) override;
    void Stop() override;
    int Rate() const override { return kAudioRate; }
    // Why the last Start failed.
    const std::string& LastError() const { return error_; }

  private:
    static void Callback(void* self, uint8_t* stream, int bytes);

    uint32_t device_ = 0;
    bool subsystemStarted_ = false;
    AudioRenderer* renderer_ = nullptr;
    std::string error_;
};

} // namespace platform
