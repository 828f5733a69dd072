#pragma once
// The sound pack "Sounds.dat": chunk 'SAMP' holds the sound effects and the
// table of event sounds, chunk 'MUSC' the music tracks. Every sound is a
// whole encoded audio file (WAV or Ogg Vorbis) inside its chunk; the mixer
// reads it from the pack by offset and length, so the pack stays in place
// for the whole run.
//
// 'SAMP':  u32 count, count sample records, u32 0, u32 n, n UTF-16 units of
//          names: the 26 event-sound names, each followed by its terminating
//          zero and one more unit.
//   sample record: u32 size (0 ends the list early), 64-byte UTF-16 name
//          (zero-terminated), u32 loop, size bytes of audio.
// 'MUSC':  u32 count, count records: u32 size (0 ends the list early),
//          64-byte name, size bytes of audio.
// All numbers little-endian.

#include "foundation/SoundPackIds.h"

#include <cstdint>

constexpr int kEventSoundCount = 26;
// A name field: 32 UTF-16 units, the terminator included.
constexpr uint32_t kSoundNameUnits = 32;
// The longest names block of the 'SAMP' chunk, in UTF-16 units.
constexpr uint32_t kMaxEventNameUnits = 862;

// What follows a record's non-zero size, as stored.
struct SampleRecordHead {
    uint8_t name[kSoundNameUnits * 2];
    uint8_t loop[4];
};
static_assert(sizeof(SampleRecordHead) == 68);
struct MusicRecordHead {
    uint8_t name[kSoundNameUnits * 2];
};
static_assert(sizeof(MusicRecordHead) == 64);

// The sound-settings chunk of the configuration file.
struct SoundSettings {
    uint32_t musicOn;
    float musicVolume; // percent
    uint32_t soundsOn;
    float soundsVolume; // percent
};
static_assert(sizeof(SoundSettings) == 16);
