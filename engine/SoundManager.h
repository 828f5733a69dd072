#pragma once
// The game's audio layer: sound effects are samples decoded whole into
// memory, each able to play on up to 16 voices at once; music tracks are
// streams opened when first played. Every playback carries a category mask,
// so whole groups of sounds can be paused (nested), resumed or faded out.
// Music switches with a 500 ms cross-fade. The sound layer never reports a
// failure: without an output device every operation does nothing and gives
// 0 or false, and the game runs silent.

#include "engine/LoaderState.h"
#include "engine/SoundPack.h"
#include "foundation/DataFile.h"

#include <cstdint>

namespace platform {
class AudioDevice;
class Mixer;
} // namespace platform

struct SoundCore;

// Categories the game gives its playbacks.
constexpr uint32_t kSoundCategoryLevel = 0x01000000;     // paused and faded with the running level
constexpr uint32_t kSoundCategoryScreen = 0x40000000;    // faded out when the screen changes
constexpr uint32_t kSoundCategoryInterface = 0x80000000; // windows and buttons; never paused or faded

// Category indices of the settings.
constexpr int kSoundMusic = 0;
constexpr int kSoundEffects = 1;

// Loop modes of PlayById.
constexpr int32_t kLoopAsLoaded = -1;
constexpr int32_t kLoopOnce = 0;
constexpr int32_t kLoopForever = 1;

class SoundManager {
  public:
    // Both switches on, both volumes 50.
    SoundManager();
    ~SoundManager(); // Shutdown
    SoundManager(const SoundManager&) = delete;
    SoundManager& operator=(const SoundManager&) = delete;

    // The output the application opened (SDL audio or the null device); Init
    // starts it. Not owned; it must outlive the sound core.
    void SetOutputDevice(platform::AudioDevice* device) { device_ = device; }

    // Starts the sound core once; with no device, or one that cannot start,
    // the game stays silent.
    void Init();
    void Shutdown();
    bool HasSound() const { return core_ != nullptr; }
    // Once per frame: finishes music fades and fading playbacks. Throws
    // std::bad_alloc once after memory ran out on the output's thread.
    void Update();
    // The system millisecond clock that fades are timed by.
    static uint32_t GetTime();
    // The mixer of the running core, or null.
    platform::Mixer* GetMixer() const;

    // Playbacks. loopMode: kLoopAsLoaded, kLoopOnce, or anything else to loop.
    uint32_t PlayById(uint32_t soundId, uint32_t category, int32_t loopMode);
    void StopChannel(uint32_t playback);
    // 0 or a value above 0x7FFFFFFF stops at once; otherwise fades out over ms.
    void StopChannelFade(uint32_t playback, uint32_t ms);
    void PauseCategory(uint32_t mask);
    void ResumeCategory(uint32_t mask);
    // Every active playback of the mask fades out over 250 ms.
    void FadeOutCategory(uint32_t mask);

    // Music. A track that starts, or a name no track has, is written to the log.
    bool PlayMusic(const char16_t* name, bool loop);
    bool IsMusicPlaying() const;
    // The track's handle with its stream opened, or 0.
    uint32_t FindMusic(const char16_t* name);
    void FreeMusic(uint32_t music);

    // Volumes reach the mixer as its global sample and stream volumes.
    void ApplyVolume(int category);
    void ApplyVolumes();
    void Mute();
    void Unmute();

    // Samples and tracks by name.
    uint32_t FindSample(const char16_t* name);
    // The newest sample whose name has the name id (kis::NameId), as data
    // records name their sounds; 0 for none or id 0.
    uint32_t FindSampleById(uint32_t nameId);
    // The sample of that name; when none is loaded, "Sounds\<name>.ogg" is loaded first.
    uint32_t LoadSound(const char16_t* name, bool loop);
    // Registers the sound stored at offset in the file at path (length 0: to
    // its end). The sample handle, or 0.
    uint32_t LoadSample(const char16_t* path, const char16_t* name, uint32_t offset, uint32_t length,
                        bool loop);
    // Registers a track without opening it; a null name takes the file's
    // name. The music handle, or 0.
    uint32_t AddMusic(const char16_t* path, const char16_t* name, uint32_t offset, uint32_t length);

    // The sound pack's loaders (kLoaderFinished or kLoaderCallAgain).
    int32_t LoadSamples(kis::DataFileReaderW* reader, LoaderState* state);
    int32_t LoadMusic(kis::DataFileReaderW* reader, LoaderState* state);
    // The sample handle an event slot names, 0 for none.
    uint32_t GetEventSound(int slot) const;

    // Settings. SetVolume clamps to 0..100 and tells whether the value changed.
    bool SetVolume(int category, float percent);
    void SetEnabled(int category, bool on);
    void ApplySettings(const SoundSettings* settings);
    void GetSettings(SoundSettings* out) const;
    // The category's volume when it is switched on, else 0.
    float GetEffectiveVolume(int category) const;
    // Switched on and not at volume 0.
    bool IsAudible(int category) const;

  private:
    void StopMusic(uint32_t music);

    uint32_t settingsLock_ = 0;
    uint32_t musicOn_ = 1;
    float musicVolume_ = 50.0f;
    uint32_t soundsOn_ = 1;
    float soundsVolume_ = 50.0f;
    uint32_t currentMusic_ = 0;
    uint32_t fadingMusic_ = 0;
    uint32_t muted_ = 0;
    uint32_t eventSounds_[kEventSoundCount] = {};

    platform::AudioDevice* device_ = nullptr;
    SoundCore* core_ = nullptr;
};
