#pragma once
#include "platform/Audio.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace platform {

// The game's sound output: samples decoded whole into memory, each able to
// play on a fixed number of voices, and music streams decoded block by block.
// A voice or a stream is a "channel" with the same controls. Every handle is
// new: a handle of a freed sample or of a voice that was taken over stays
// stale and every call with it does nothing.
//
// Calls come from the game thread; Render comes from the output device's
// thread. Both work on the state below under one lock.
enum class ChannelState : uint32_t { Stopped = 0, Playing = 1, Paused = 3 };

constexpr int kDefaultVoicesPerSample = 16;
constexpr int kMaxGlobalVolume = 10000;

class Mixer final : public AudioRenderer {
  public:
    explicit Mixer(int outputRate = kAudioRate);
    ~Mixer() override;
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    // Samples. `loop` is the loop flag every new voice of the sample starts with.
    uint32_t LoadSample(std::vector<uint8_t> bytes, bool loop, int maxVoices = kDefaultVoicesPerSample);
    // The sample stored at `offset` in a file, `length` bytes long (0: to the end).
    uint32_t LoadSampleFile(const std::string& nativePath, uint64_t offset, uint64_t length, bool loop,
                            int maxVoices = kDefaultVoicesPerSample);
    int SampleMaxVoices(uint32_t sample) const; // 0 for a stale handle
    bool FreeSample(uint32_t sample);
    // A voice of the sample, stopped at its start: a free one, or, when every
    // voice is playing or paused, the one furthest along, under a new handle.
    uint32_t SampleChannel(uint32_t sample);

    // Streams: decoded while they play, looping seamlessly when the loop flag is set.
    uint32_t CreateStream(std::vector<uint8_t> bytes, bool loop);
    uint32_t CreateStreamFile(const std::string& nativePath, uint64_t offset, uint64_t length, bool loop);
    bool FreeStream(uint32_t stream);

    // Channels (voices and streams).
    bool Play(uint32_t channel, bool restart); // restart from the start, or resume
    // Readies the channel at its start without playing it: it is paused, so
    // it keeps its voice as a playing channel does, until Play(channel, false)
    // starts it. Pause itself acts only on a playing channel.
    bool Cue(uint32_t channel);
    bool Pause(uint32_t channel);
    bool Stop(uint32_t channel);
    bool Looping(uint32_t channel) const;
    bool SetLooping(uint32_t channel, bool loop);
    ChannelState State(uint32_t channel) const; // Stopped for a stale handle
    bool SetVolume(uint32_t channel, float volume);
    // Moves the volume linearly to `target`, reaching it after `ms` of output
    // (at once for 0). The slide runs on while the channel is paused.
    bool SlideVolume(uint32_t channel, float target, uint32_t ms);
    bool IsSliding(uint32_t channel) const;

    // Global volumes, 0..10000: one for all sample voices, one for all streams.
    void SetSampleVolume(int volume);
    void SetStreamVolume(int volume);
    int SampleVolume() const;
    int StreamVolume() const;

    int OutputRate() const { return outputRate_; }
    // Both run on the output device's thread. Memory that runs out there
    // (a stream's decoding) cannot end the program in order from that thread:
    // the block is silent, every stream stops, and OutOfMemory tells the
    // game thread (TakeOutOfMemory), which ends the run as for any
    // allocation that failed.
    void Render(int16_t* stereo, int frames) override;
    // Voices and streams move on, end and slide as Render would move them,
    // with nothing mixed and no music decoded; a stream decodes what it needs
    // only when it is mixed again.
    void Skip(int frames) override;
    // True once after the output ran out of memory (the music stopped there).
    bool TakeOutOfMemory() { return outOfMemory_.exchange(false); }

  private:
    struct Channel;
    struct Sample;
    struct Stream;
    enum class Kind : uint32_t { Sample = 1, Voice = 2, Stream = 3 };
    struct Ref {
        Kind kind;
        Sample* sample;
        Stream* stream;
        int voice;
    };

    uint32_t NewHandle(Kind kind);
    Channel* FindChannel(uint32_t handle) const;
    Sample* FindSample(uint32_t handle) const;
    Stream* FindStream(uint32_t handle) const;
    // Puts a channel back to its start when `always` is set or it has ended.
    void RewindChannel(uint32_t handle, Channel& channel, bool always);
    // Render's and Skip's work, with the lock held.
    void RenderBlocks(int16_t* stereo, int frames);
    void SkipBlocks(int frames);
    void StopStreamsForMemory();
    void MixVoice(const Sample& sample, Channel& voice, float* mix, int frames, float gain);
    void MixStream(Stream& stream, float* mix, int frames, float gain);
    static void SkipVoice(const Sample& sample, Channel& voice, int frames);
    static void SkipStream(Stream& stream, int frames);
    static void FillStream(Stream& stream);
    static void CountStreamFill(Stream& stream);
    static void RestoreStreamBuffer(Stream& stream);

    const int outputRate_;
    mutable std::mutex lock_;
    uint32_t nextSerial_ = 1;
    std::unordered_map<uint32_t, Ref> handles_;
    std::vector<std::unique_ptr<Sample>> samples_;
    std::vector<std::unique_ptr<Stream>> streams_;
    int sampleVolume_ = kMaxGlobalVolume;
    int streamVolume_ = kMaxGlobalVolume;
    std::vector<float> mix_; // one block of float stereo, allocated once
    std::atomic<bool> outOfMemory_{false};
};

} // namespace platform
