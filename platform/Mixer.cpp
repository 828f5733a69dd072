#include "platform/Mixer.h"

#include "platform/AudioDecoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace platform {
namespace {

constexpr int kBlockFrames = 1024;
constexpr int kStreamBufferFrames = 4096;
constexpr uint32_t kSerialMask = 0x3FFFFFFF;

// Positions are 32.32 fixed point in source frames, so that a source at the
// output rate steps by exactly one frame and plays back bit for bit.
uint64_t StepFor(int sourceRate, int outputRate) {
    return (uint64_t(uint32_t(sourceRate)) << 32) / uint64_t(uint32_t(outputRate));
}

} // namespace

struct Mixer::Channel {
    uint32_t handle = 0;
    ChannelState state = ChannelState::Stopped;
    bool loop = false;
    float volume = 1.0f;
    float slideTarget = 0.0f;
    float slideStep = 0.0f;
    uint32_t slideFramesLeft = 0;
    uint64_t position = 0;

    void Reset(bool loopFlag) {
        state = ChannelState::Stopped;
        loop = loopFlag;
        volume = 1.0f;
        slideFramesLeft = 0;
        position = 0;
    }
    // The volumes of the next `frames` output frames, unused: the same steps
    // NextVolume takes, so a skipped slide lands on the same float.
    void SkipVolumes(uint64_t frames) {
        for (uint64_t n = std::min<uint64_t>(frames, slideFramesLeft); n > 0; --n)
            NextVolume();
    }
    // The volume for the next output frame; a slide ends exactly on its target.
    float NextVolume() {
        if (slideFramesLeft == 0) return volume;
        if (--slideFramesLeft == 0)
            volume = slideTarget;
        else
            volume += slideStep;
        return volume;
    }
    // A slide runs by the output's clock whether or not the channel sounds,
    // so a paused or stopped channel reaches its target on time too.
    void AdvanceSlide(uint32_t frames) {
        if (slideFramesLeft == 0) return;
        if (frames >= slideFramesLeft) {
            volume = slideTarget;
            slideFramesLeft = 0;
        } else {
            volume += slideStep * float(frames);
            slideFramesLeft -= frames;
        }
    }
};

struct Mixer::Sample {
    uint32_t handle = 0;
    bool loop = false;
    int channels = 1;
    size_t frames = 0;
    uint64_t step = 0;
    std::vector<int16_t> pcm;
    std::vector<Channel> voices;
};

struct Mixer::Stream {
    Channel channel;
    uint32_t handle = 0;
    std::unique_ptr<AudioDecoder> decoder;
    int channels = 1;
    uint64_t step = 0;
    std::vector<int16_t> buffer; // decoded frames; `position` is relative to its first frame
    size_t bufferFrames = 0;
    bool decoderEnded = false;
    // Frames the decoder gave since its last rewind. While output is skipped
    // the buffer's frames are only counted, and the decoder is not followed:
    // `bufferCurrent` is false until mixing decodes the buffer afresh.
    uint64_t decoded = 0;
    bool bufferCurrent = true;
    int64_t passFrames = -1; // the frames of one pass, counted when skipping first needs them

    void Rewind() {
        decoder->Rewind();
        bufferFrames = 0;
        decoderEnded = false;
        decoded = 0;
        bufferCurrent = true;
        channel.position = 0;
    }
};

Mixer::Mixer(int outputRate)
    : outputRate_(outputRate > 0 ? outputRate : kAudioRate), mix_(kBlockFrames * 2) {}

Mixer::~Mixer() = default;

uint32_t Mixer::NewHandle(Kind kind) {
    // Serials run up and are never handed out twice; a billion handles is far
    // beyond any session's sound count.
    uint32_t serial = nextSerial_++ & kSerialMask;
    return (uint32_t(kind) << 30) | serial;
}

Mixer::Channel* Mixer::FindChannel(uint32_t handle) const {
    auto it = handles_.find(handle);
    if (it == handles_.end()) return nullptr;
    const Ref& ref = it->second;
    if (ref.kind == Kind::Voice) return &ref.sample->voices[size_t(ref.voice)];
    if (ref.kind == Kind::Stream) return &ref.stream->channel;
    return nullptr;
}

Mixer::Sample* Mixer::FindSample(uint32_t handle) const {
    auto it = handles_.find(handle);
    return it != handles_.end() && it->second.kind == Kind::Sample ? it->second.sample : nullptr;
}

Mixer::Stream* Mixer::FindStream(uint32_t handle) const {
    auto it = handles_.find(handle);
    return it != handles_.end() && it->second.kind == Kind::Stream ? it->second.stream : nullptr;
}

uint32_t Mixer::LoadSample(std::vector<uint8_t> bytes, bool loop, int maxVoices) {
    // Decoding happens outside the lock so that the output never waits for it.
    std::unique_ptr<AudioDecoder> decoder = OpenAudioDecoder(std::move(bytes), nullptr);
    if (!decoder) return 0;
    auto sample = std::make_unique<Sample>();
    sample->loop = loop;
    sample->channels = decoder->Channels();
    sample->step = StepFor(decoder->Rate(), outputRate_);
    sample->voices.resize(size_t(std::clamp(maxVoices, 1, 65535)));
    std::vector<int16_t> block(size_t(kBlockFrames) * size_t(sample->channels));
    for (;;) {
        int got = decoder->Read(block.data(), kBlockFrames);
        if (got <= 0) break;
        sample->pcm.insert(sample->pcm.end(), block.begin(), block.begin() + got * sample->channels);
        if (got < kBlockFrames) break;
    }
    sample->frames = sample->pcm.size() / size_t(sample->channels);

    std::lock_guard guard(lock_);
    sample->handle = NewHandle(Kind::Sample);
    handles_[sample->handle] = Ref{Kind::Sample, sample.get(), nullptr, -1};
    samples_.push_back(std::move(sample));
    return samples_.back()->handle;
}

uint32_t Mixer::LoadSampleFile(const std::string& nativePath, uint64_t offset, uint64_t length, bool loop,
                               int maxVoices) {
    std::vector<uint8_t> bytes;
    if (!ReadFileRegion(nativePath, offset, length, bytes)) return 0;
    return LoadSample(std::move(bytes), loop, maxVoices);
}

int Mixer::SampleMaxVoices(uint32_t handle) const {
    std::lock_guard guard(lock_);
    const Sample* sample = FindSample(handle);
    return sample ? int(sample->voices.size()) : 0;
}

bool Mixer::FreeSample(uint32_t handle) {
    std::unique_ptr<Sample> doomed; // destroyed after the lock is released
    std::lock_guard guard(lock_);
    Sample* sample = FindSample(handle);
    if (!sample) return false;
    for (const Channel& voice : sample->voices)
        if (voice.handle) handles_.erase(voice.handle);
    handles_.erase(handle);
    auto it =
        std::find_if(samples_.begin(), samples_.end(), [&](const auto& s) { return s.get() == sample; });
    doomed = std::move(*it);
    samples_.erase(it);
    return true;
}

uint32_t Mixer::SampleChannel(uint32_t handle) {
    std::lock_guard guard(lock_);
    Sample* sample = FindSample(handle);
    if (!sample) return 0;
    int chosen = -1;
    for (size_t i = 0; i < sample->voices.size(); ++i) {
        if (sample->voices[i].handle == 0 || sample->voices[i].state == ChannelState::Stopped) {
            chosen = int(i);
            break;
        }
    }
    if (chosen < 0) {
        // Every voice is busy: the one furthest along gives way.
        uint64_t furthest = 0;
        for (size_t i = 0; i < sample->voices.size(); ++i) {
            if (chosen < 0 || sample->voices[i].position > furthest) {
                chosen = int(i);
                furthest = sample->voices[i].position;
            }
        }
    }
    Channel& voice = sample->voices[size_t(chosen)];
    if (voice.handle) handles_.erase(voice.handle);
    voice.Reset(sample->loop);
    voice.handle = NewHandle(Kind::Voice);
    handles_[voice.handle] = Ref{Kind::Voice, sample, nullptr, chosen};
    return voice.handle;
}

uint32_t Mixer::CreateStream(std::vector<uint8_t> bytes, bool loop) {
    std::unique_ptr<AudioDecoder> decoder = OpenAudioDecoder(std::move(bytes), nullptr);
    if (!decoder) return 0;
    auto stream = std::make_unique<Stream>();
    stream->channels = decoder->Channels();
    stream->step = StepFor(decoder->Rate(), outputRate_);
    stream->decoder = std::move(decoder);
    stream->buffer.resize(size_t(kStreamBufferFrames) * size_t(stream->channels));
    stream->channel.Reset(loop);
    // The first block is decoded here, so that starting the music costs the
    // output thread nothing.
    FillStream(*stream);

    std::lock_guard guard(lock_);
    stream->handle = NewHandle(Kind::Stream);
    stream->channel.handle = stream->handle;
    handles_[stream->handle] = Ref{Kind::Stream, nullptr, stream.get(), -1};
    streams_.push_back(std::move(stream));
    return streams_.back()->handle;
}

uint32_t Mixer::CreateStreamFile(const std::string& nativePath, uint64_t offset, uint64_t length, bool loop) {
    std::vector<uint8_t> bytes;
    if (!ReadFileRegion(nativePath, offset, length, bytes)) return 0;
    return CreateStream(std::move(bytes), loop);
}

bool Mixer::FreeStream(uint32_t handle) {
    std::unique_ptr<Stream> doomed;
    std::lock_guard guard(lock_);
    Stream* stream = FindStream(handle);
    if (!stream) return false;
    handles_.erase(handle);
    auto it =
        std::find_if(streams_.begin(), streams_.end(), [&](const auto& s) { return s.get() == stream; });
    doomed = std::move(*it);
    streams_.erase(it);
    return true;
}

bool Mixer::Play(uint32_t handle, bool restart) {
    std::lock_guard guard(lock_);
    Channel* channel = FindChannel(handle);
    if (!channel) return false;
    RewindChannel(handle, *channel, restart);
    channel->state = ChannelState::Playing;
    return true;
}

bool Mixer::Cue(uint32_t handle) {
    std::lock_guard guard(lock_);
    Channel* channel = FindChannel(handle);
    if (!channel) return false;
    RewindChannel(handle, *channel, true);
    channel->state = ChannelState::Paused;
    return true;
}

void Mixer::RewindChannel(uint32_t handle, Channel& channel, bool always) {
    if (Stream* stream = FindStream(handle)) {
        bool finished = stream->decoderEnded && (channel.position >> 32) >= stream->bufferFrames;
        if (always || finished) stream->Rewind();
    } else {
        const Sample* sample = handles_.at(handle).sample;
        if (always || (channel.position >> 32) >= sample->frames) channel.position = 0;
    }
}

bool Mixer::Pause(uint32_t handle) {
    std::lock_guard guard(lock_);
    Channel* channel = FindChannel(handle);
    if (!channel || channel->state != ChannelState::Playing) return false;
    channel->state = ChannelState::Paused;
    return true;
}

bool Mixer::Stop(uint32_t handle) {
    std::lock_guard guard(lock_);
    Channel* channel = FindChannel(handle);
    if (!channel) return false;
    channel->state = ChannelState::Stopped;
    channel->slideFramesLeft = 0;
    return true;
}

bool Mixer::Looping(uint32_t handle) const {
    std::lock_guard guard(lock_);
    const Channel* channel = FindChannel(handle);
    return channel && channel->loop;
}

bool Mixer::SetLooping(uint32_t handle, bool loop) {
    std::lock_guard guard(lock_);
    Channel* channel = FindChannel(handle);
    if (!channel) return false;
    channel->loop = loop;
    return true;
}

ChannelState Mixer::State(uint32_t handle) const {
    std::lock_guard guard(lock_);
    const Channel* channel = FindChannel(handle);
    return channel ? channel->state : ChannelState::Stopped;
}

bool Mixer::SetVolume(uint32_t handle, float volume) {
    std::lock_guard guard(lock_);
    Channel* channel = FindChannel(handle);
    if (!channel) return false;
    channel->volume = std::max(volume, 0.0f);
    channel->slideFramesLeft = 0;
    return true;
}

bool Mixer::SlideVolume(uint32_t handle, float target, uint32_t ms) {
    std::lock_guard guard(lock_);
    Channel* channel = FindChannel(handle);
    if (!channel) return false;
    target = std::max(target, 0.0f);
    uint64_t frames = uint64_t(ms) * uint64_t(outputRate_) / 1000;
    if (frames == 0) {
        channel->volume = target;
        channel->slideFramesLeft = 0;
        return true;
    }
    frames = std::min<uint64_t>(frames, UINT32_MAX);
    channel->slideTarget = target;
    channel->slideStep = (target - channel->volume) / float(frames);
    channel->slideFramesLeft = uint32_t(frames);
    return true;
}

bool Mixer::IsSliding(uint32_t handle) const {
    std::lock_guard guard(lock_);
    const Channel* channel = FindChannel(handle);
    return channel && channel->slideFramesLeft > 0;
}

void Mixer::SetSampleVolume(int volume) {
    std::lock_guard guard(lock_);
    sampleVolume_ = std::clamp(volume, 0, kMaxGlobalVolume);
}

void Mixer::SetStreamVolume(int volume) {
    std::lock_guard guard(lock_);
    streamVolume_ = std::clamp(volume, 0, kMaxGlobalVolume);
}

int Mixer::SampleVolume() const {
    std::lock_guard guard(lock_);
    return sampleVolume_;
}

int Mixer::StreamVolume() const {
    std::lock_guard guard(lock_);
    return streamVolume_;
}

void Mixer::Render(int16_t* stereo, int frames) {
    std::lock_guard guard(lock_);
    try {
        RenderBlocks(stereo, frames);
    } catch (const std::bad_alloc&) {
        std::memset(stereo, 0, sizeof(int16_t) * size_t(std::max(frames, 0)) * 2);
        StopStreamsForMemory();
    }
}

void Mixer::Skip(int frames) {
    std::lock_guard guard(lock_);
    try {
        SkipBlocks(frames);
    } catch (const std::bad_alloc&) {
        StopStreamsForMemory();
    }
}

// A stream whose decoding failed halfway is in no state to go on; the
// samples, decoded whole, need nothing more and end as they would.
void Mixer::StopStreamsForMemory() {
    for (const auto& stream : streams_)
        stream->channel.state = ChannelState::Stopped;
    outOfMemory_ = true;
}

void Mixer::RenderBlocks(int16_t* stereo, int frames) {
    const float sampleGain = float(sampleVolume_) / float(kMaxGlobalVolume);
    const float streamGain = float(streamVolume_) / float(kMaxGlobalVolume);
    while (frames > 0) {
        int block = std::min(frames, kBlockFrames);
        float* mix = mix_.data();
        std::memset(mix, 0, sizeof(float) * size_t(block) * 2);
        for (const auto& sample : samples_)
            for (Channel& voice : sample->voices) {
                if (voice.state == ChannelState::Playing)
                    MixVoice(*sample, voice, mix, block, sampleGain);
                else
                    voice.AdvanceSlide(uint32_t(block));
            }
        for (const auto& stream : streams_) {
            if (stream->channel.state == ChannelState::Playing)
                MixStream(*stream, mix, block, streamGain);
            else
                stream->channel.AdvanceSlide(uint32_t(block));
        }
        for (int i = 0; i < block * 2; ++i)
            stereo[i] = int16_t(std::lrintf(std::clamp(mix[i], -32768.0f, 32767.0f)));
        stereo += block * 2;
        frames -= block;
    }
}

void Mixer::SkipBlocks(int frames) {
    // The same blocks as Render, so that the slides of silent channels take
    // the same steps.
    while (frames > 0) {
        int block = std::min(frames, kBlockFrames);
        for (const auto& sample : samples_)
            for (Channel& voice : sample->voices) {
                if (voice.state == ChannelState::Playing)
                    SkipVoice(*sample, voice, block);
                else
                    voice.AdvanceSlide(uint32_t(block));
            }
        for (const auto& stream : streams_) {
            if (stream->channel.state == ChannelState::Playing)
                SkipStream(*stream, block);
            else
                stream->channel.AdvanceSlide(uint32_t(block));
        }
        frames -= block;
    }
}

// MixVoice's steps in closed form: the voice stops on the frame whose step
// reaches the end, or wraps (the position is always below the end).
void Mixer::SkipVoice(const Sample& sample, Channel& voice, int frames) {
    if (sample.frames == 0) {
        voice.state = ChannelState::Stopped;
        return;
    }
    const uint64_t end = uint64_t(sample.frames) << 32;
    uint64_t steps = uint64_t(frames);
    if (!voice.loop && voice.position < end && sample.step > 0) {
        const uint64_t toEnd = (end - voice.position + sample.step - 1) / sample.step;
        if (toEnd <= steps) {
            voice.SkipVolumes(toEnd);
            voice.position += toEnd * sample.step;
            voice.state = ChannelState::Stopped;
            return;
        }
    }
    voice.SkipVolumes(steps);
    voice.position += steps * sample.step;
    if (voice.position >= end) {
        if (!voice.loop) {
            voice.state = ChannelState::Stopped;
            return;
        }
        voice.position %= end;
    }
}

// MixStream's steps: runs of frames that stay inside the buffer at once, and
// the buffer's refills counted instead of decoded.
void Mixer::SkipStream(Stream& stream, int frames) {
    Channel& channel = stream.channel;
    while (frames > 0) {
        const uint64_t last = stream.bufferFrames > 0 ? uint64_t(stream.bufferFrames - 1) << 32 : 0;
        if (channel.position < last) {
            const uint64_t inside =
                stream.step > 0 ? (last - channel.position - 1) / stream.step + 1 : uint64_t(frames);
            const int run = int(std::min<uint64_t>(inside, uint64_t(frames)));
            channel.SkipVolumes(uint64_t(run));
            channel.position += uint64_t(run) * stream.step;
            frames -= run;
            continue;
        }
        const size_t drop = std::min(size_t(channel.position >> 32), stream.bufferFrames);
        stream.bufferFrames -= drop;
        channel.position -= uint64_t(drop) << 32;
        CountStreamFill(stream);
        if (size_t(channel.position >> 32) >= stream.bufferFrames) {
            channel.state = ChannelState::Stopped;
            return;
        }
        channel.NextVolume();
        channel.position += stream.step;
        --frames;
    }
}

void Mixer::MixVoice(const Sample& sample, Channel& voice, float* mix, int frames, float gain) {
    const uint64_t end = uint64_t(sample.frames) << 32;
    const int16_t* pcm = sample.pcm.data();
    const int ch = sample.channels;
    if (sample.frames == 0) {
        voice.state = ChannelState::Stopped;
        return;
    }
    for (int f = 0; f < frames; ++f) {
        size_t index = size_t(voice.position >> 32);
        float frac = float(uint32_t(voice.position)) * (1.0f / 4294967296.0f);
        size_t next = index + 1 < sample.frames ? index + 1 : (voice.loop ? 0 : index);
        float l0 = pcm[index * ch], l1 = pcm[next * ch];
        float r0 = pcm[index * ch + ch - 1], r1 = pcm[next * ch + ch - 1];
        float volume = voice.NextVolume() * gain;
        mix[2 * f] += (l0 + (l1 - l0) * frac) * volume;
        mix[2 * f + 1] += (r0 + (r1 - r0) * frac) * volume;
        voice.position += sample.step;
        if (voice.position >= end) {
            if (!voice.loop) {
                voice.state = ChannelState::Stopped;
                return;
            }
            voice.position %= end;
        }
    }
}

void Mixer::FillStream(Stream& stream) {
    const size_t capacity = stream.buffer.size() / size_t(stream.channels);
    bool rewoundWithoutData = false;
    while (stream.bufferFrames < capacity) {
        int got = stream.decoder->Read(stream.buffer.data() + stream.bufferFrames * size_t(stream.channels),
                                       int(capacity - stream.bufferFrames));
        if (got > 0) {
            stream.bufferFrames += size_t(got);
            stream.decoded += uint64_t(got);
            stream.decoderEnded = false;
            rewoundWithoutData = false;
            continue;
        }
        // The end of the data: a looping stream carries on from its first
        // frame within the same buffer, so the wrap leaves no gap.
        stream.decoderEnded = true;
        if (!stream.channel.loop || rewoundWithoutData || !stream.decoder->Rewind()) break;
        stream.decoded = 0;
        rewoundWithoutData = true;
    }
}

// FillStream's bookkeeping without the decoding: the decoder gives all it is
// asked for until the pass's end, as its reads do.
void Mixer::CountStreamFill(Stream& stream) {
    if (stream.passFrames < 0) {
        // Counting the frames of a pass takes the decoder along, so the
        // buffer is decoded afresh before it is mixed again.
        std::vector<int16_t> scratch(size_t(kBlockFrames) * size_t(stream.channels));
        stream.decoder->Rewind();
        int64_t frames = 0;
        for (int got; (got = stream.decoder->Read(scratch.data(), kBlockFrames)) > 0;)
            frames += got;
        stream.passFrames = frames;
    }
    stream.bufferCurrent = false;
    const uint64_t pass = uint64_t(stream.passFrames);
    const size_t capacity = stream.buffer.size() / size_t(stream.channels);
    bool rewoundWithoutData = false;
    while (stream.bufferFrames < capacity) {
        const uint64_t got =
            std::min<uint64_t>(capacity - stream.bufferFrames, pass - std::min(pass, stream.decoded));
        if (got > 0) {
            stream.bufferFrames += size_t(got);
            stream.decoded += got;
            stream.decoderEnded = false;
            rewoundWithoutData = false;
            continue;
        }
        stream.decoderEnded = true;
        if (!stream.channel.loop || rewoundWithoutData) break;
        stream.decoded = 0;
        rewoundWithoutData = true;
    }
}

// The buffer holds the last `bufferFrames` frames the decoder gave, a run of
// the looped pass ending where `decoded` stands: decodes that run again and
// leaves the decoder where the counting left it (a counted fill never ends
// just after a rewind, which would leave `decoded` at 0 with a full buffer).
void Mixer::RestoreStreamBuffer(Stream& stream) {
    const uint64_t pass = uint64_t(std::max<int64_t>(stream.passFrames, 0));
    const int ch = stream.channels;
    stream.bufferCurrent = true;
    stream.decoder->Rewind();
    if (pass == 0) return;
    const uint64_t buffered = uint64_t(stream.bufferFrames);
    uint64_t at = buffered <= stream.decoded ? stream.decoded - buffered
                                             : (pass - (buffered - stream.decoded) % pass) % pass;
    for (uint64_t skip = at; skip > 0;) {
        const int want = int(std::min<uint64_t>(skip, uint64_t(stream.buffer.size()) / uint64_t(ch)));
        const int got = stream.decoder->Read(stream.buffer.data(), want);
        if (got <= 0) break;
        skip -= uint64_t(got);
    }
    for (size_t filled = 0; filled < stream.bufferFrames;) {
        if (at == pass) {
            stream.decoder->Rewind();
            at = 0;
        }
        const int want = int(std::min<uint64_t>(stream.bufferFrames - filled, pass - at));
        const int got = stream.decoder->Read(stream.buffer.data() + filled * size_t(ch), want);
        if (got <= 0) break;
        filled += size_t(got);
        at += uint64_t(got);
    }
}

void Mixer::MixStream(Stream& stream, float* mix, int frames, float gain) {
    Channel& channel = stream.channel;
    const int ch = stream.channels;
    if (!stream.bufferCurrent) RestoreStreamBuffer(stream);
    for (int f = 0; f < frames; ++f) {
        size_t index = size_t(channel.position >> 32);
        if (index + 1 >= stream.bufferFrames) {
            // Keep the frame being played (interpolation needs it) and decode after it.
            size_t drop = std::min(index, stream.bufferFrames);
            size_t keep = stream.bufferFrames - drop;
            std::memmove(stream.buffer.data(), stream.buffer.data() + drop * size_t(ch),
                         keep * size_t(ch) * sizeof(int16_t));
            stream.bufferFrames = keep;
            channel.position -= uint64_t(drop) << 32;
            FillStream(stream);
            index = size_t(channel.position >> 32);
            if (index >= stream.bufferFrames) {
                channel.state = ChannelState::Stopped;
                return;
            }
        }
        float frac = float(uint32_t(channel.position)) * (1.0f / 4294967296.0f);
        size_t next = index + 1 < stream.bufferFrames ? index + 1 : index;
        const int16_t* pcm = stream.buffer.data();
        float l0 = pcm[index * ch], l1 = pcm[next * ch];
        float r0 = pcm[index * ch + ch - 1], r1 = pcm[next * ch + ch - 1];
        float volume = channel.NextVolume() * gain;
        mix[2 * f] += (l0 + (l1 - l0) * frac) * volume;
        mix[2 * f + 1] += (r0 + (r1 - r0) * frac) * volume;
        channel.position += stream.step;
    }
}

} // namespace platform
