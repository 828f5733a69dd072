#include "platform/headless/NullAudioDevice.h"

#include "platform/Clock.h"
#include "platform/Files.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace platform {
namespace {
constexpr int kBlockFrames = 512;
}

NullAudioDevice::NullAudioDevice(Clocking clocking, int rate)
    : clocking_(clocking), rate_(rate > 0 ? rate : kAudioRate),
      block_(size_t(kBlockFrames) * kAudioChannels) {}

NullAudioDevice::~NullAudioDevice() {
    Stop();
}

bool NullAudioDevice::Start(AudioRenderer* renderer) {
    if (!renderer) return false;
    Stop();
    {
        std::lock_guard guard(lock_);
        renderer_ = renderer;
        millisecondsAdvanced_ = 0;
        framesAtMillisecondBase_ = framesRendered_;
        clockLast_ = Milliseconds();
    }
    if (clocking_ == Clocking::PlatformClock && !IsClockVirtual()) {
        running_ = true;
        try {
            thread_ = std::thread([this] {
                // The pause is a real one: in virtual time a sleep would move the
                // clock on for everybody.
                while (running_) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                    FollowClock();
                }
            });
        } catch (const std::system_error&) {
            // No thread (its stack finds no room under a memory limit): no
            // output, as when a sound device cannot be opened.
            running_ = false;
            std::lock_guard guard(lock_);
            renderer_ = nullptr;
            return false;
        }
    }
    return true;
}

void NullAudioDevice::FollowClock() {
    if (clocking_ != Clocking::PlatformClock) return;
    std::lock_guard guard(lock_);
    if (!renderer_) return;
    const uint32_t now = Milliseconds();
    const uint32_t ms = now - clockLast_;
    clockLast_ = now;
    RenderMilliseconds(ms);
}

void NullAudioDevice::Stop() {
    if (thread_.joinable()) {
        running_ = false;
        thread_.join();
    }
    std::lock_guard guard(lock_);
    renderer_ = nullptr;
}

void NullAudioDevice::Advance(int frames) {
    std::lock_guard guard(lock_);
    RenderFrames(frames);
    // Frame-wise advances move the millisecond base along with them.
    millisecondsAdvanced_ = 0;
    framesAtMillisecondBase_ = framesRendered_;
}

void NullAudioDevice::AdvanceMilliseconds(uint32_t ms) {
    std::lock_guard guard(lock_);
    RenderMilliseconds(ms);
}

void NullAudioDevice::RenderMilliseconds(uint32_t ms) {
    millisecondsAdvanced_ += ms;
    uint64_t target = framesAtMillisecondBase_ + millisecondsAdvanced_ * uint64_t(rate_) / 1000;
    if (target > framesRendered_) RenderFrames(int(target - framesRendered_));
}

void NullAudioDevice::RenderFrames(int frames) {
    if (!renderer_) return;
    while (frames > 0) {
        int block = std::min(frames, kBlockFrames);
        // Nobody hears this device: unless the output is kept, the renderer
        // only moves its sounds on.
        if (capture_) {
            renderer_->Render(block_.data(), block);
            captured_.insert(captured_.end(), block_.begin(), block_.begin() + block * kAudioChannels);
        } else {
            renderer_->Skip(block);
        }
        framesRendered_ += uint64_t(block);
        frames -= block;
    }
}

uint64_t NullAudioDevice::FramesRendered() const {
    std::lock_guard guard(lock_);
    return framesRendered_;
}

void NullAudioDevice::SetCapture(bool capture) {
    std::lock_guard guard(lock_);
    capture_ = capture;
}

std::vector<int16_t> NullAudioDevice::Captured() const {
    std::lock_guard guard(lock_);
    return captured_;
}

void NullAudioDevice::ClearCapture() {
    std::lock_guard guard(lock_);
    captured_.clear();
}

bool NullAudioDevice::WriteCapturedWav(const std::string& path, std::string* error) const {
    std::vector<int16_t> samples = Captured();
    const uint32_t dataBytes = uint32_t(std::min<size_t>(samples.size() * 2, 0xFFFFFF00u));
    std::vector<uint8_t> bytes;
    bytes.reserve(44 + size_t(dataBytes));
    auto put = [&](uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes.push_back(uint8_t(value >> (8 * i)));
    };
    auto tag = [&](const char* four) { bytes.insert(bytes.end(), four, four + 4); };
    tag("RIFF");
    put(36 + dataBytes, 4);
    tag("WAVE");
    tag("fmt ");
    put(16, 4);
    put(1, 2); // PCM
    put(kAudioChannels, 2);
    put(uint32_t(rate_), 4);
    put(uint32_t(rate_) * kAudioChannels * 2, 4);
    put(kAudioChannels * 2, 2);
    put(16, 2);
    tag("data");
    put(dataBytes, 4);
    for (size_t i = 0; i < dataBytes / 2; ++i)
        put(uint16_t(samples[i]), 2);
    errno = 0;                // a path that opens but is no regular file leaves it at zero
    RemoveForReplacing(path); // replaced by a new file, never written through a link
    File file = File::OpenNative(path, kFileWrite, FileCreation::CreateNew);
    if (!file.IsOpen()) {
        if (error) *error = path + ": " + (errno ? std::strerror(errno) : "not a regular file");
        return false;
    }
    const bool written = file.WriteExact(bytes.data(), int64_t(bytes.size()));
    const bool closed = file.Close();
    if (written && closed) return true;
    if (error) *error = path + ": the sound could not be written";
    return false;
}

} // namespace platform
