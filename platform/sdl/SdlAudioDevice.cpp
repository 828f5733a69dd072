#include "platform/sdl/SdlAudioDevice.h"

#include <SDL.h>

namespace platform {

SdlAudioDevice::~SdlAudioDevice() {
    Stop();
}

bool SdlAudioDevice::Start(AudioRenderer* renderer) {
    Stop();
    if (!renderer) return false;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        error_ = SDL_GetError();
        return false;
    }
    subsystemStarted_ = true;
    renderer_ = renderer;
    SDL_AudioSpec want{};
    want.freq = kAudioRate;
    want.format = AUDIO_S16SYS;
    want.channels = kAudioChannels;
    want.samples = 1024;
    want.callback = &SdlAudioDevice::Callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts to whatever the hardware wants.
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device_ == 0) {
        error_ = SDL_GetError();
        Stop();
        return false;
    }
    SDL_PauseAudioDevice(device_, 0);
    return true;
}

void SdlAudioDevice::Stop() {
    if (device_) {
        SDL_CloseAudioDevice(device_); // waits for a running callback
        device_ = 0;
    }
    if (subsystemStarted_) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystemStarted_ = false;
    }
    renderer_ = nullptr;
}

void SdlAudioDevice::Callback(void* self, uint8_t* stream, int bytes) {
    auto* device = static_cast<SdlAudioDevice*>(self);
    device->renderer_->Render(reinterpret_cast<int16_t*>(stream),
                              bytes / int(sizeof(int16_t) * kAudioChannels));
}

} // namespace platform
