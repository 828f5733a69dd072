#pragma once
// Writes the sound pack's 'SAMP' and 'MUSC' chunks in the layout the loaders
// read (see SoundPack.h). Used by the content tool that builds "Sounds.dat".

#include "engine/SoundPack.h"
#include "foundation/DataFile.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct SoundPackEntry {
    std::u16string name;       // at most 31 units
    std::vector<uint8_t> data; // a whole WAV or Ogg Vorbis file, not empty
    bool loop = false;         // samples only
};

struct SoundPackContent {
    std::vector<SoundPackEntry> samples;
    std::vector<SoundPackEntry> music;
    std::array<std::u16string, kEventSoundCount> eventSounds; // sample names; empty for none
};

// Why content cannot be written, or an empty text when it can.
std::string CheckSoundPackContent(const SoundPackContent& content);

bool WriteSampleChunk(kis::BaseDataFile& writer, const SoundPackContent& content);
bool WriteMusicChunk(kis::BaseDataFile& writer, const SoundPackContent& content);

// Writes the whole pack (music first, then samples) to path; false, with a
// reason in error, when the content is refused or the file cannot be written.
bool WriteSoundPack(const char16_t* path, const SoundPackContent& content, std::string* error);
