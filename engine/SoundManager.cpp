// Sections:
//   sound core records: samples, playback channels, music tracks
//   playback records (channel helpers)
//   music
//   SoundManager: life, update, playback, categories, music, volumes, mute,
//     loading of sounds, samples, music and event sounds

#include "engine/SoundManager.h"

#include "engine/Log.h"
#include "engine/SoundHandleTable.h"
#include "foundation/Helpers.h"
#include "foundation/Ident.h"
#include "foundation/List.h"
#include "foundation/Paths.h"
#include "platform/Audio.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Mixer.h"

#include <new>
#include <string>

namespace {

constexpr uint32_t kSampleTag = 0x20000000;
constexpr uint32_t kPlaybackTag = 0x40000000;
constexpr uint32_t kMusicTag = 0x60000000;
constexpr uint32_t kFadingTag = 0xC0000000;

constexpr uint32_t kCategoryFadeMs = 250;
constexpr uint32_t kMusicFadeMs = 500;
// A fading playback is reclaimed this long after its slide should have ended.
constexpr uint32_t kFadeGraceMs = 100;

} // namespace

struct SoundSample;

// One playback of a sample. Records are pooled: a released record goes to
// the free chain and is reused; none is freed before the core goes.
struct SAMPLECHANNEL {
    uint32_t channel = 0; // mixer voice
    uint32_t handle = 0;  // in the playback table, or in the fading table while fading
    SoundSample* sample = nullptr;
    SAMPLECHANNEL* nextFree = nullptr;
    int32_t index = 0; // place in the sample's playback array
    uint32_t category = 0;
    uint32_t fading = 0;
    uint32_t fadeEnd = 0;
    uint32_t held = 0; // paused by a category pause, or made while its category was paused
};

struct SoundSample {
    explicit SoundSample(SoundCore& owner) : core(owner) {}
    ~SoundSample();

    SoundCore& core;
    uint32_t handle = 0;
    kis::Ident name;
    uint32_t loop = 0;
    uint32_t mixerSample = 0;
    uint32_t limit = 0;
    SAMPLECHANNEL** playbacks = nullptr; // room for `limit`, made on the first play
    uint32_t count = 0;

    // Starts a playback on a voice of the sample; its handle, or 0.
    uint32_t Play(uint32_t category, int32_t loopMode);
    // False, with the playback removed, once its voice has stopped. Every
    // walk over playbacks asks this, so finished ones go lazily.
    bool CheckChannel(SAMPLECHANNEL* record);
    // Stops the playback, closes the gap in the playback array and gives the
    // record back to the pool.
    void RemoveChannel(SAMPLECHANNEL* record);
};

struct MusicTrack {
    explicit MusicTrack(SoundCore& owner) : core(owner) {}
    ~MusicTrack();

    SoundCore& core;
    uint32_t handle = 0;
    kis::Ident name;
    uint32_t stream = 0; // 0 until first played
    std::u16string path;
    uint32_t offset = 0;
    uint32_t length = 0; // 0: to the end of the file

    // With `in`: from silence up (or from full down) over 500 ms. Without: at
    // once to full (up) or silence (down).
    void Fade(bool in, bool up) const;
};

struct SoundCore {
    explicit SoundCore(platform::AudioDevice* output) : device(output) {}
    ~SoundCore();

    platform::AudioDevice* device;
    platform::Mixer mixer;
    uint32_t pauseCounters[32] = {};
    uint32_t pauseMask = 0;
    kis::list<SAMPLECHANNEL> records; // owns every record ever made
    SAMPLECHANNEL* freeHead = nullptr;
    HandleTable<kSampleTag, SoundSample> samples;
    HandleTable<kPlaybackTag, SAMPLECHANNEL> playbacks;
    HandleTable<kFadingTag, SAMPLECHANNEL> fading;
    HandleTable<kMusicTag, MusicTrack> music;
    uint32_t walkCursor = 0; // NextPlayback's place: the next handle to look at
};

namespace {

// ---- Playback records -----------------------------------------------------------

SAMPLECHANNEL* AcquireChannel(SoundCore& core) {
    SAMPLECHANNEL* record = core.freeHead;
    if (record) {
        core.freeHead = record->nextFree;
    } else {
        record = new (std::nothrow) SAMPLECHANNEL;
        if (!record) return nullptr;
        if (core.records.Add(record) < 0) {
            delete record;
            return nullptr;
        }
    }
    *record = SAMPLECHANNEL{};
    record->handle = core.playbacks.Add(record);
    if (!record->handle) {
        record->nextFree = core.freeHead;
        core.freeHead = record;
        return nullptr;
    }
    return record;
}

void ReleaseChannel(SoundCore& core, SAMPLECHANNEL* record) {
    if (record->fading)
        core.fading.Remove(record->handle, record);
    else
        core.playbacks.Remove(record->handle, record);
    record->handle = 0;
    record->sample = nullptr;
    record->nextFree = core.freeHead;
    core.freeHead = record;
}

SAMPLECHANNEL* FindPlayback(SoundCore& core, uint32_t handle) {
    SAMPLECHANNEL* record = core.playbacks.Resolve(handle);
    return record && record->sample->CheckChannel(record) ? record : nullptr;
}

void FadePlayback(SoundCore& core, SAMPLECHANNEL* record, uint32_t ms) {
    core.playbacks.Remove(record->handle, record);
    if (core.mixer.State(record->channel) == platform::ChannelState::Playing &&
        core.mixer.SlideVolume(record->channel, 0.0f, ms)) {
        uint32_t handle = core.fading.Add(record);
        if (handle) {
            record->handle = handle;
            record->fading = 1;
            record->fadeEnd = SoundManager::GetTime() + ms + kFadeGraceMs;
            return;
        }
    }
    record->sample->RemoveChannel(record);
}

// Walks the live playbacks of the mask from the newest to the oldest. The
// next handle is taken before a record is handed out, so the caller may
// remove that record (and finished ones are removed here) without cutting
// the walk short.
SAMPLECHANNEL* NextPlayback(SoundCore& core, bool restart, uint32_t mask) {
    if (restart) core.walkCursor = core.playbacks.Newest(nullptr);
    while (core.walkCursor) {
        SAMPLECHANNEL* record = core.playbacks.Resolve(core.walkCursor);
        core.walkCursor = core.playbacks.Older(core.walkCursor, nullptr);
        if (!record || !record->sample->CheckChannel(record)) continue;
        if (record->category & mask) return record;
    }
    return nullptr;
}

void RecomputePauseMask(SoundCore& core) {
    core.pauseMask = 0;
    for (uint32_t bit = 0; bit < 32; ++bit)
        if (core.pauseCounters[bit] > 0) core.pauseMask |= 1u << bit;
}

// ---- Music ------------------------------------------------------------------------

bool ParseName(const char16_t* text, kis::Ident& out) {
    out = kis::Ident{};
    if (!text || !out.Parse(text, kis::Ident::kTerminated, false)) {
        out = kis::Ident{};
        return false;
    }
    return true;
}

std::string NativePathOf(const std::u16string& path) {
    return platform::NativePath(platform::GamePath(path));
}

} // namespace

uint32_t SoundSample::Play(uint32_t category, int32_t loopMode) {
    if (!playbacks) {
        playbacks = new (std::nothrow) SAMPLECHANNEL*[limit];
        if (!playbacks) return 0;
    }
    platform::Mixer& mixer = core.mixer;
    const uint32_t channel = mixer.SampleChannel(mixerSample);
    if (!channel) return 0;

    if (count >= limit) {
        bool placeFreed = false;
        for (uint32_t i = 0; i < count; ++i) {
            SAMPLECHANNEL* record = playbacks[i];
            if (record->channel == channel) record->channel = 0; // the mixer gave this voice away
            if (!CheckChannel(record)) {
                placeFreed = true;
                break;
            }
        }
        if (!placeFreed) {
            mixer.Stop(channel);
            return 0;
        }
    }

    SAMPLECHANNEL* record = AcquireChannel(core);
    if (!record) {
        mixer.Stop(channel);
        return 0;
    }
    // The loop flag is set before a paused category holds the voice, so the
    // voice loops (or not) as asked when it is resumed.
    if (loopMode != kLoopAsLoaded) {
        const bool loop = loopMode != kLoopOnce;
        if (mixer.Looping(channel) != loop) mixer.SetLooping(channel, loop);
    }
    if (category & core.pauseMask) {
        // Cued, not started: the voice stays reserved as a paused one, and a
        // resume plays it from its start.
        mixer.Cue(channel);
        record->held = 1;
    } else {
        if (!mixer.Play(channel, true)) {
            mixer.Stop(channel);
            ReleaseChannel(core, record);
            return 0;
        }
        record->held = 0;
    }
    record->channel = channel;
    record->sample = this;
    record->category = category;
    record->index = int32_t(count);
    playbacks[count++] = record;
    return record->handle;
}

void SoundSample::RemoveChannel(SAMPLECHANNEL* record) {
    core.mixer.Stop(record->channel);
    if (count > 0) {
        SAMPLECHANNEL* last = playbacks[--count];
        playbacks[record->index] = last;
        last->index = record->index;
    }
    ReleaseChannel(core, record);
}

bool SoundSample::CheckChannel(SAMPLECHANNEL* record) {
    if (core.mixer.State(record->channel) != platform::ChannelState::Stopped) return true;
    RemoveChannel(record);
    return false;
}

void MusicTrack::Fade(bool in, bool up) const {
    platform::Mixer& mixer = core.mixer;
    if (in) {
        mixer.SetVolume(stream, up ? 0.0f : 1.0f);
        mixer.SlideVolume(stream, up ? 1.0f : 0.0f, kMusicFadeMs);
        return;
    }
    const float volume = up ? 1.0f : 0.0f;
    mixer.SetVolume(stream, volume);
    if (mixer.IsSliding(stream)) mixer.SlideVolume(stream, volume, 0);
}

SoundSample::~SoundSample() {
    core.mixer.FreeSample(mixerSample);
    for (uint32_t i = 0; i < count; ++i)
        ReleaseChannel(core, playbacks[i]);
    delete[] playbacks;
    core.samples.Remove(handle, this);
}

MusicTrack::~MusicTrack() {
    core.mixer.FreeStream(stream);
    core.music.Remove(handle, this);
}

SoundCore::~SoundCore() {
    // The output stops first, so nothing renders while the sounds go.
    if (device) device->Stop();
    samples.DeleteAll();
    music.DeleteAll();
    for (int32_t i = 0; i < records.Count(); ++i)
        delete records.Get(i);
}

// ---- SoundManager --------------------------------------------------------------------

SoundManager::SoundManager() = default;

SoundManager::~SoundManager() {
    Shutdown();
}

uint32_t SoundManager::GetTime() {
    return platform::Milliseconds();
}

platform::Mixer* SoundManager::GetMixer() const {
    return core_ ? &core_->mixer : nullptr;
}

void SoundManager::Init() {
    if (core_ || !device_) return;
    SoundCore* core = new (std::nothrow) SoundCore(device_);
    if (!core) return;
    if (!device_->Start(&core->mixer)) {
        core->device = nullptr; // never started
        delete core;
        return;
    }
    core_ = core;
    ApplyVolumes();
}

void SoundManager::Shutdown() {
    delete core_;
    core_ = nullptr;
    currentMusic_ = 0;
    fadingMusic_ = 0;
}

void SoundManager::Update() {
    if (!core_) return;
    platform::Mixer& mixer = core_->mixer;
    // Memory ran out on the output's thread, which stopped the music: the
    // failure goes on here, on the game's thread, where the run ends in order
    // (told, a running level saved) as for any allocation that failed.
    if (mixer.TakeOutOfMemory()) throw std::bad_alloc();
    if (fadingMusic_) {
        const MusicTrack* track = core_->music.Resolve(fadingMusic_);
        if (!track || !track->stream) {
            fadingMusic_ = 0;
        } else if (!mixer.IsSliding(track->stream) ||
                   mixer.State(track->stream) == platform::ChannelState::Stopped) {
            mixer.Stop(track->stream);
            fadingMusic_ = 0;
        }
    }
    if (core_->fading.Count() == 0) return;
    const uint32_t now = GetTime();
    SAMPLECHANNEL* record = nullptr;
    uint32_t handle = core_->fading.Newest(&record);
    while (handle) {
        SAMPLECHANNEL* older = nullptr;
        const uint32_t next = core_->fading.Older(handle, &older);
        if (record->sample->CheckChannel(record)) {
            if (int32_t(record->fadeEnd - now) > 0) break;
            if (!mixer.IsSliding(record->channel)) record->sample->RemoveChannel(record);
        }
        handle = next;
        record = older;
    }
}

uint32_t SoundManager::PlayById(uint32_t soundId, uint32_t category, int32_t loopMode) {
    if (!core_) return 0;
    SoundSample* sample = core_->samples.Resolve(soundId);
    return sample ? sample->Play(category, loopMode) : 0;
}

void SoundManager::StopChannel(uint32_t playback) {
    if (!core_) return;
    if (SAMPLECHANNEL* record = FindPlayback(*core_, playback)) record->sample->RemoveChannel(record);
}

void SoundManager::StopChannelFade(uint32_t playback, uint32_t ms) {
    if (!core_) return;
    SAMPLECHANNEL* record = FindPlayback(*core_, playback);
    if (!record) return;
    if (ms == 0 || ms > 0x7FFFFFFFu)
        record->sample->RemoveChannel(record);
    else
        FadePlayback(*core_, record, ms);
}

void SoundManager::PauseCategory(uint32_t mask) {
    if (!core_) return;
    bool started = false;
    for (uint32_t bit = 0; bit < 32; ++bit)
        if ((mask >> bit) & 1u)
            if (core_->pauseCounters[bit]++ == 0) started = true;
    if (!started) return;
    RecomputePauseMask(*core_);
    const uint32_t paused = core_->pauseMask;
    for (SAMPLECHANNEL* record = NextPlayback(*core_, true, paused); record;
         record = NextPlayback(*core_, false, paused)) {
        if (record->held) continue;
        record->held = 1;
        core_->mixer.Pause(record->channel);
    }
    // Fading sounds of a paused category end at once.
    SAMPLECHANNEL* record = nullptr;
    uint32_t handle = core_->fading.Newest(&record);
    while (handle) {
        SAMPLECHANNEL* older = nullptr;
        const uint32_t next = core_->fading.Older(handle, &older);
        if (record->category & paused) record->sample->RemoveChannel(record);
        handle = next;
        record = older;
    }
}

void SoundManager::ResumeCategory(uint32_t mask) {
    if (!core_ || core_->pauseMask == 0) return;
    bool ended = false;
    for (uint32_t bit = 0; bit < 32; ++bit)
        if (((mask >> bit) & 1u) && core_->pauseCounters[bit] > 0)
            if (--core_->pauseCounters[bit] == 0) ended = true;
    if (!ended) return;
    RecomputePauseMask(*core_);
    for (SAMPLECHANNEL* record = NextPlayback(*core_, true, mask); record;
         record = NextPlayback(*core_, false, mask)) {
        if (!record->held || (record->category & core_->pauseMask)) continue;
        record->held = 0;
        core_->mixer.Play(record->channel, false);
    }
}

void SoundManager::FadeOutCategory(uint32_t mask) {
    if (!core_) return;
    for (SAMPLECHANNEL* record = NextPlayback(*core_, true, mask); record;
         record = NextPlayback(*core_, false, mask))
        FadePlayback(*core_, record, kCategoryFadeMs);
}

uint32_t SoundManager::FindMusic(const char16_t* name) {
    if (!core_) return 0;
    kis::Ident wanted;
    if (!ParseName(name, wanted)) return 0;
    MusicTrack* track = nullptr;
    for (uint32_t handle = core_->music.Newest(&track); handle; handle = core_->music.Older(handle, &track)) {
        if (!track->name.Equals(wanted)) continue;
        if (!track->stream)
            track->stream =
                core_->mixer.CreateStreamFile(NativePathOf(track->path), track->offset, track->length, true);
        return track->stream ? handle : 0;
    }
    return 0;
}

bool SoundManager::PlayMusic(const char16_t* name, bool loop) {
    if (!core_) return false;
    platform::Mixer& mixer = core_->mixer;
    const uint32_t handle = FindMusic(name);
    MusicTrack* track = core_->music.Resolve(handle);
    if (track && !track->stream) track = nullptr;
    if (!track) {
        LogLabelValueW(kLogIndent, u"Music not found:", name);
        StopMusic(currentMusic_);
        return false;
    }
    if (handle == currentMusic_) return true;
    if (mixer.Looping(track->stream) != loop) mixer.SetLooping(track->stream, loop);
    StopMusic(currentMusic_);
    track->Fade(true, true);
    if (!mixer.Play(track->stream, true)) {
        StopMusic(currentMusic_);
        return false;
    }
    currentMusic_ = handle;
    if (fadingMusic_ == handle) fadingMusic_ = 0;
    LogLabelValueW(kLogIndent, loop ? u"Music starts, looping:" : u"Music starts:", name);
    return true;
}

void SoundManager::StopMusic(uint32_t music) {
    if (!core_ || music != currentMusic_) return;
    platform::Mixer& mixer = core_->mixer;
    const MusicTrack* current = core_->music.Resolve(currentMusic_);
    if (current && current->stream) {
        if (const MusicTrack* fading = core_->music.Resolve(fadingMusic_)) {
            fading->Fade(false, false);
            mixer.Stop(fading->stream);
        }
        fadingMusic_ = currentMusic_;
        if (mixer.State(current->stream) != platform::ChannelState::Stopped) current->Fade(true, false);
    }
    currentMusic_ = 0;
}

bool SoundManager::IsMusicPlaying() const {
    if (!core_) return false;
    const MusicTrack* track = core_->music.Resolve(currentMusic_);
    return track && track->stream && core_->mixer.State(track->stream) != platform::ChannelState::Stopped;
}

void SoundManager::FreeMusic(uint32_t music) {
    if (!core_) return;
    MusicTrack* track = core_->music.Resolve(music);
    if (!track || !track->stream) return;
    if (currentMusic_ == music) currentMusic_ = 0;
    if (fadingMusic_ == music) fadingMusic_ = 0;
    core_->mixer.FreeStream(track->stream);
    track->stream = 0;
}

void SoundManager::ApplyVolume(int category) {
    if (!core_ || (category != kSoundMusic && category != kSoundEffects)) return;
    const bool on = category == kSoundMusic ? musicOn_ != 0 : soundsOn_ != 0;
    const float percent = category == kSoundMusic ? musicVolume_ : soundsVolume_;
    const int32_t value =
        muted_ || !on ? 0 : kis::Round(percent * float(platform::kMaxGlobalVolume) / 100.0f);
    if (category == kSoundMusic)
        core_->mixer.SetStreamVolume(value);
    else
        core_->mixer.SetSampleVolume(value);
}

void SoundManager::ApplyVolumes() {
    ApplyVolume(kSoundMusic);
    ApplyVolume(kSoundEffects);
}

void SoundManager::Mute() {
    if (!core_ || muted_) return;
    muted_ = 1;
    ApplyVolumes();
}

void SoundManager::Unmute() {
    if (!core_ || !muted_) return;
    muted_ = 0;
    ApplyVolumes();
}

uint32_t SoundManager::FindSample(const char16_t* name) {
    if (!core_) return 0;
    kis::Ident wanted;
    if (!ParseName(name, wanted)) return 0;
    SoundSample* sample = nullptr;
    for (uint32_t handle = core_->samples.Newest(&sample); handle;
         handle = core_->samples.Older(handle, &sample))
        if (sample->name.Equals(wanted)) return handle;
    return 0;
}

uint32_t SoundManager::FindSampleById(uint32_t nameId) {
    if (!core_ || nameId == 0) return 0;
    SoundSample* sample = nullptr;
    for (uint32_t handle = core_->samples.Newest(&sample); handle;
         handle = core_->samples.Older(handle, &sample))
        if (sample->name.length && sample->name.hash == nameId) return handle;
    return 0;
}

uint32_t SoundManager::LoadSound(const char16_t* name, bool loop) {
    if (!core_ || !name || !name[0]) return 0;
    if (uint32_t found = FindSample(name)) return found;
    char16_t path[260];
    kis::MakeFullPathW(path, 260, name, u"Sounds\\", u".ogg");
    LoadSample(path, name, 0, 0, loop);
    return FindSample(name);
}

uint32_t SoundManager::LoadSample(const char16_t* path, const char16_t* name, uint32_t offset,
                                  uint32_t length, bool loop) {
    if (!core_ || !path || !path[0]) return 0;
    SoundSample* sample = new (std::nothrow) SoundSample(*core_);
    if (!sample) return 0;
    sample->handle = core_->samples.Add(sample);
    if (!sample->handle) {
        delete sample;
        return 0;
    }
    sample->loop = loop ? 1 : 0;
    sample->mixerSample = core_->mixer.LoadSampleFile(NativePathOf(path), offset, length, loop,
                                                      platform::kDefaultVoicesPerSample);
    sample->limit = uint32_t(core_->mixer.SampleMaxVoices(sample->mixerSample));
    if (!sample->mixerSample || sample->limit == 0) {
        delete sample;
        return 0;
    }
    ParseName(name, sample->name);
    return sample->handle;
}

uint32_t SoundManager::AddMusic(const char16_t* path, const char16_t* name, uint32_t offset,
                                uint32_t length) {
    if (!core_ || !path || !path[0]) return 0;
    MusicTrack* track = new (std::nothrow) MusicTrack(*core_);
    if (!track) return 0;
    track->handle = core_->music.Add(track);
    if (!track->handle) {
        delete track;
        return 0;
    }
    track->path = path;
    track->offset = offset;
    track->length = length;
    if (name) {
        ParseName(name, track->name);
    } else {
        char16_t fileName[kis::Ident::kMaxLength + 1];
        kis::ExtractFileName(fileName, kis::Ident::kMaxLength + 1, path, false);
        ParseName(fileName, track->name);
    }
    return track->handle;
}
